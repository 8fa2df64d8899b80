#pragma once

#include "data/Database.h"

#include <QHash>
#include <QStringList>
#include <QVector>

namespace velmora::ScoreMarks {

// Why a score is missing, kept in its stead: the score itself stays NULL.
inline const QString kAbsent = QStringLiteral("缺考");
inline const QString kExempt = QStringLiteral("免考");
inline const QString kDeferred = QStringLiteral("缓考");
inline const QString kCheated = QStringLiteral("作弊");
// The four, in the order menus list them.
const QStringList& words();
inline bool isMark(const QString& text)
{
    return text == kAbsent || text == kExempt || text == kDeferred || text == kCheated;
}

// The mark a typed or imported word stands for (缺 and 缺考, "缺考，不计排名",
// "未考" and "未扫" are 缺考; 免, 缓, 弊 alike), or empty.
QString markFor(const QString& text);

// Per trimmed 学号, subject → mark, of one test; none in an older database.
using TestMarks = QHash<QString, QHash<QString, QString>>;
Result<TestMarks> load(const Database& db, int test);
// One student's marks, subject → mark.
Result<QHash<QString, QString>> ofStudent(const Database& db, int test, const QString& student);
// One student's marks in every test, test → subject → mark.
Result<QHash<int, QHash<QString, QString>>> ofStudentInAll(const Database& db, const QString& student);
// One cell's mark, or empty.
Result<QString> of(const Database& db, int test, const QString& student, const QString& subject);
// Whether the database has the table (an older one must be upgraded first).
Result<bool> kept(const Database& db);

struct Change
{
    QString student;
    QString subject;
    QString before; // the mark stored now, or empty
    QString after; // the mark to keep, or empty
};
// In the caller's transaction, beside the scores it belongs to.
Status write(Database& db, int test, const QVector<Change>& changes);

} // namespace velmora::ScoreMarks
