#pragma once

#include "classes/StatsRules.h"
#include "data/Database.h"

#include <QHash>
#include <QStringList>
#include <QVector>
#include <optional>

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

// A student's total as every figure takes it. 免考 leaves a subject out,
// full marks and all; 作弊 counts as 0 where the class says so; any other
// score missing (缺考, 缓考, 作弊 not counted, not entered) leaves the total
// partial: shown, never averaged or banded, and ranked only where the class
// ranks partial totals.
struct Total
{
    int sum = 0; // of the scores that count
    int fullMarks = 0; // of the subjects that count
    bool any = false; // some score counts
    bool whole = false; // every subject that counts has its score
    bool exempt = false; // 免考 in every subject

    std::optional<int> value() const { return any ? std::optional<int>(sum) : std::nullopt; }
    bool ranked(const StatsRules& rules) const { return whole || (any && !rules.absentNoRank); }
};
// The scores, their marks (where a score is missing) and full marks, subject by subject.
Total totalOf(const QVector<std::optional<int>>& scores, const QStringList& marks, const QVector<int>& fullMarks,
    const StatsRules& rules);

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
