#pragma once

#include "data/Database.h"

#include <QStringList>
#include <QVector>

namespace velmora::ServerRoles {

// On a shared server each teacher may log in with a role of their own; the
// server then holds them to their subjects even outside this program.
struct Grant
{
    QString role;
    QStringList subjects; // the score columns the role may change
    bool readOnly = false;
};

// Whether the server keeps roles (the embedded file has none).
bool supported(const Database& db);
// Whether a role of that name exists on the server; false where none are kept.
Result<bool> exists(const Database& db, const QString& role);

// Whether the server lets the connection's login change the class itself
// (define tests, change students); always on the embedded file.
Result<bool> changesClass(const Database& db);

// What the role may do from now on, replacing what it had: read every table
// of the class but the passwords, and, unless read-only, change only the
// subjects' columns of every score table (and record the change). Run by
// the tables' owner, in the caller's transaction.
Status grant(Database& db, const Grant& grant);
// A score table just made, or unlocked: each role its share of it.
Status grantOnTable(Database& db, const QString& table, const QVector<Grant>& grants);
// A locked test's table: no role but its owner may change it.
Status revokeUpdates(Database& db, const QString& table);

} // namespace velmora::ServerRoles
