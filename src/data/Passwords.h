#pragma once

#include "data/Database.h"

namespace velmora::Passwords {

// Users of tblUsers keep a salted hash in velmora_passwords and a NULL PWD.
// A PWD that is not NULL is a password typed as is (older databases, or an
// administrator resetting a forgotten one by hand): it is checked as such and
// replaced by its hash at the first login that matches.
inline constexpr char kTable[] = "velmora_passwords";
QString createTableSql();

// Whether the name and password match a user; a plain password that matches
// is hashed on the way, when the database has the table for it.
Result<bool> check(Database& db, const QString& name, const QString& password);
// Stores the hash of a new password in a transaction of its own; a database
// without the table keeps the password as typed. Zero rows when no such user.
Result<qint64> store(Database& db, const QString& name, const QString& password);
// Inside the caller's transaction: hashes every plain password.
Status hashAllPlain(Database& db);

} // namespace velmora::Passwords
