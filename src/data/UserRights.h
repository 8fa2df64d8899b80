#pragma once

#include "data/Database.h"
#include "data/ServerRoles.h"

#include <QStringList>

namespace velmora::UserRights {

// What an ordinary user may change beyond looking: a subject teacher only
// the scores of the subjects taught, a read-only user nothing at all. An
// administrator, and an ordinary user with neither, is not limited.
struct Rights
{
    QStringList subjects; // in the fixed order of the subjects
    bool readOnly = false;

    bool limited() const { return readOnly || !subjects.isEmpty(); }
    // A subject teacher, who enters the scores of some subjects.
    bool entersScores() const { return !readOnly && !subjects.isEmpty(); }
    // Whether a column of a score table (a subject, an attendance item,
    // 教师评语) may be changed.
    bool mayChange(const QString& column) const;
    // The words a refused write gets.
    QString refusal() const;
};

// Whether the database can keep rights (an older one must be upgraded first).
Result<bool> available(const Database& db);
// None kept, or none kept yet, is not limited.
Result<Rights> of(const Database& db, const QString& user);
// Rights that limit nothing take the row away: the user is as before. A
// server role of the user's name is given the same rights on the server.
Status store(Database& db, const QString& user, const Rights& rights);
// Every limited user, as the server grants to roles of their names.
Result<QVector<ServerRoles::Grant>> grants(const Database& db);

// Whose rights the writes of this program answer to from now on.
void setCurrent(const Rights& rights);
const Rights& current();

// Whether the session's user is an administrator (the database's own login
// or an Admin of the user table): the class, its students, tests, locks and
// users' rights are theirs to change. A program without a login (the
// command-line tools) works as the database's owner.
void setAdministrator(bool admin);
bool administrator();
// Refused, saying what only an administrator does, for anyone else.
Status guardAdministrator(const QString& what);
inline const QString kChangeClass = QStringLiteral("修改班级设置和统计标准");
inline const QString kChangeStudents = QStringLiteral("修改学生信息");

// Refused, with the current user's words, unless every column may be changed.
Status guard(const QStringList& columns);
// Refused for any limited user: what no subject teacher does (deleting a test).
Status guardAll();

} // namespace velmora::UserRights
