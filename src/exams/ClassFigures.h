#pragma once

#include "classes/StatsRules.h"
#include "data/Database.h"
#include "exams/Tally.h"
#include "sheets/SheetTable.h"

#include <QStringList>
#include <QVector>

namespace velmora::ClassFigures {

// One other class's figures in one item of a test (a subject, or 总分 over
// the students with every subject's score), in tenths of a point. A whole
// grade's export leaves these behind, never the class's names or scores.
struct Figures : Tally
{
    QString className;
    QString item;
};

inline const QString kTotal = QStringLiteral("总分");

// A class's name as one key: blanks and bracket widths aside, 初二（3）班 is 初二(3)班.
QString classKey(const QString& written);

struct Subject
{
    int column; // of the sheet
    QString name;
    int fullMarks; // in points
};
// The given rows (sheet row, class as written), grouped by class, per
// subject and for the total, counted by the class's thresholds.
QVector<Figures> ofRows(const SheetTable& sheet, const QVector<std::pair<int, QString>>& rows,
    const QVector<Subject>& subjects, const StatsRules& rules);

// Whether the database has the table (an older one must be upgraded first).
Result<bool> kept(const Database& db);
// Replaces the test's figures by these.
Status store(Database& db, int test, const QVector<Figures>& figures);
// The test's figures by class, then item; none in an older database.
Result<QVector<Figures>> load(const Database& db, int test);

} // namespace velmora::ClassFigures
