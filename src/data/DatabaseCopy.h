#pragma once

#include "data/Database.h"

#include <QMap>
#include <functional>

namespace velmora::DatabaseCopy {

// What a copy is checked by: the rows of every table and the photos' bytes.
struct Counts
{
    QMap<QString, qint64> rows; // by table
    qint64 photoBytes = 0;
    QByteArray photoHash; // over every student's 学号 and photo, in 学号 order

    bool operator==(const Counts&) const = default;
};

// Tables done of all; false stops the copy.
using Progress = std::function<bool(int done, int total)>;

// The tables a whole class database holds: the fixed ones, every test's
// score table, our own tables and the deleted tests' kept score tables.
Result<QStringList> tables(const Database& db);
Result<Counts> count(const Database& db, const QStringList& tables);

// Copies every table of `from` into `to`, which must be a database of the
// same version without students or tests, in one transaction of `to` that
// commits only when the rows and the photos' bytes compare equal. Either
// database may be the embedded file or a server.
Status copy(const Database& from, Database& to, const Progress& progress = {});

} // namespace velmora::DatabaseCopy
