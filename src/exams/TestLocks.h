#pragma once

#include "data/Database.h"

#include <QVector>
#include <optional>

namespace velmora::TestLocks {

// A test whose reports have gone home: no score of it changes until unlocked.
struct Lock
{
    int test = 0;
    QString user;
    QString at; // yyyy-MM-dd HH:mm:ss
};

// Whether the database can keep locks (an older one must be upgraded first).
Result<bool> available(const Database& db);
// Every lock; none in a database not yet upgraded.
Result<QVector<Lock>> list(const Database& db);

// Refused, naming the test, while it is locked; every write of a score,
// full marks or the test itself asks here first, inside its transaction.
Status guard(const Database& db, int test);

// Each recorded in the score history with the user and the time.
Status lock(Database& db, int test);
Status unlock(Database& db, int test);

} // namespace velmora::TestLocks
