#pragma once

#include "data/Database.h"

#include <QDateTime>
#include <QVector>

namespace velmora::ScoreHistory {

// Changes to students' records (an import's updates) are kept as a test of
// this number, which no test has: shown, exported and put back the same way.
inline constexpr int kStudentRecords = 0;
// And the attendance register's, each change's item the day (yyyy-MM-dd).
inline constexpr int kAttendance = -1;
// And the conduct records' (操行, 操行等级).
inline constexpr int kConduct = -2;

// Who changes scores from now on, as the history names them.
void setUser(const QString& user);
QString user();

struct Change
{
    QString student;
    QString column; // a subject, an attendance item or 教师评语
    QString before; // as stored, "" for empty
    QString after;
};

// Records the changes of one test in the caller's transaction, so they are
// kept exactly when the change is. A database without the history table
// (not yet upgraded) records nothing.
Status record(Database& db, int testNumber, const QVector<Change>& changes);

struct Entry
{
    qint64 id = 0;
    int test = 0;
    QString testName;
    QString student;
    QString column;
    QString before;
    QString after;
    QString user;
    QString at; // yyyy-MM-dd HH:mm:ss
    bool testDeleted = false;
};

// Newest first: one cell, one student's cells, or the whole test.
Result<QVector<Entry>> list(
    const Database& db, int testNumber, const QString& student = QString(), const QString& column = QString());
// Whether the database keeps a history (an older one must be upgraded first).
Result<bool> available(const Database& db);

// The test is deleted: its history stays, marked so (or unmarked when it comes back).
Status markDeleted(Database& db, int testNumber, const QString& testName, bool deleted = true);

} // namespace velmora::ScoreHistory
