#pragma once

#include "classes/GradeBands.h"
#include "classes/StatsRules.h"
#include "data/Database.h"
#include "exams/Tally.h"
#include "exams/TestRecord.h"
#include "sheets/SheetTable.h"

#include <QStringList>
#include <QVector>
#include <array>
#include <optional>

namespace velmora::Analysis {

// One subject, or the total, over the class.
// 实考 (sat) is a score, or 作弊 counted as 0.
struct StatsRow : Tally
{
    QString item;
    int expected = 0; // 应考: everyone but the exempt
    int absent = 0; // 缺考
    int exempt = 0; // 免考
    int deferred = 0; // 缓考
    int cheated = 0; // 作弊
    std::array<int, 10> bands {}; // tenths of full marks, from the lowest
    QVector<int> grades; // per 等级, highest first
    QStringList absentees, deferrals, cheats; // 学号
    int scale = 1; // 10 where the values are tenths (a term grade)

    // In tenths, rounded half up, computed exactly from the counts; none
    // without anyone who sat it.
    std::optional<qint64> averageTenths() const;
    std::optional<qint64> sigmaTenths() const; // population σ
    std::optional<qint64> shareTenths(int count) const; // percent of 实考
};

struct StatsTable
{
    StatsRules rules;
    GradeBands grades;
    QVector<StatsRow> rows; // the subjects in the test's order, then 总分
    QVector<int> fullMarks; // per subject row
};

// One student's cells in the test's subjects: a score, or empty with the mark as stored (or none).
struct StudentCells
{
    QString number;
    QVector<std::optional<int>> scores;
    QStringList marks;
    bool unranked = false; // kept out of the total's ranks whatever the marks (a partial term grade)
};

// A test's subjects (in its order) and every student's cells, in 学号 order.
struct TestCells
{
    int scale = 1; // 10 where scores and full marks are in tenths
    QStringList subjects;
    QVector<int> fullMarks;
    QVector<StudentCells> students;
};
Result<TestCells> cellsOf(const Database& db, const TestRecord& test);

StatsTable statsOf(const TestCells& cells, const StatsRules& rules, const GradeBands& grades = {});
Result<StatsTable> statsOf(
    const Database& db, const TestRecord& test, const StatsRules& rules, const GradeBands& grades = {});

// "85.7", "−1.0" with a sign for a change.
QString tenthsText(qint64 tenths, bool signedChange = false);

// Another table below the sheet's, after a row of nothing, its headers as its first row.
void appendSection(SheetTable& sheet, const SheetTable& section);

// Which 标准差 the table gives, for its caption and print.
QString sigmaNote();

// The table as shown and exported: the figures, a row of nothing, the
// bands of every subject side by side as counts and shares, another row of
// nothing, then the 等级 the same way. With `earlier`,
// the change of 平均分 and each rate beside it.
SheetTable statsSheet(const StatsTable& table, const QString& title, const StatsTable* earlier = nullptr);

} // namespace velmora::Analysis
