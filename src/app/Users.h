#pragma once

#include "data/Database.h"

#include <QStringList>
#include <optional>

namespace velmora::Users {

inline constexpr char kAdmin[] = "Admin";
inline constexpr char kUser[] = "User";

Result<QStringList> names(const Database& db);
// The stored grade, trimmed; an error when no such user exists.
Result<QString> grade(const Database& db, const QString& name);
// Writes the new grade (or the stored one again when none is given) and
// returns what is now stored.
Result<QString> setGrade(Database& db, const QString& name, const std::optional<QString>& grade);
Status setPassword(Database& db, const QString& name, const QString& password);

// The error for a name that has no row.
Error noSuchUser(const QString& name);

} // namespace velmora::Users
