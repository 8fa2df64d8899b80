#pragma once

#include "data/Error.h"

#include <QString>
#include <array>

namespace velmora::DbConfig {

// What the configuration window proposes; also the login of the demo database.
inline constexpr char kDefaultServer[] = "(local)";
inline constexpr char kDefaultDatabase[] = "students";
inline constexpr char kDefaultUser[] = "adm";
inline constexpr char kDefaultPassword[] = "adm";

// One shift per line: server, database, user, password.
inline constexpr std::array<int, 4> kShifts { 3, 7, 2, 5 };

struct Values
{
    QString server;
    QString database;
    QString user;
    QString password;
};

// Empty when every character of every value can be stored; otherwise a
// message naming the field and the character.
QString unstorable(const Values& values);

QString scramble(QStringView plain, int shift, bool* ok);
QString unscramble(QStringView stored, int shift, bool* ok);

enum class ReadStatus { Ok, Missing, Empty, Invalid };

struct ReadResult
{
    ReadStatus status = ReadStatus::Missing;
    Values values;
    int errorNumber = 0;
    QString errorDescription;
};

ReadResult read(const QString& path);

// Writes all four lines to a temporary file and renames it over the old one,
// so a failed write leaves the old file as it was. Readable by the owner only.
// Refused when a value cannot be stored; a File error (a full disk named
// as such) when it cannot be written.
Status write(const QString& path, const Values& values);

} // namespace velmora::DbConfig
