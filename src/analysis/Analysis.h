#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <optional>

namespace velmora::Analysis {

// One subject of one test over the class.
struct SubjectStats
{
    int students = 0;
    int passes = 0;
    int failures = 0;
    int passShare = 0;
    int failShare = 0;
    double average = 0;
    int highest = 0; // of the scores there are; 0 when there is none
    int lowest = 0;
    std::array<int, 6> bands {};
    std::array<int, 6> bandShares {};
};

// The bands are shares of full marks: below 60%, 60-69%, 70-79%, 80-89%,
// 90% to one below full marks, and full marks. For 100: 60分以下, 60-69,
// 70-79, 80-89, 90-99, 100; for 150: 90分以下, 90-104, ..., 135-149, 150.
QStringList bandLabels(int fullMarks = 100);
// 0..5 for a score in a band, -1 for one outside 0..full marks.
int bandOf(int score, int fullMarks = 100);
// Empty scores are left out before this: they are no score at all. A pass
// is at least `passPercent` of full marks, the class's own line.
// Scores in 1/scale of a point (tenths: 10), full marks in points; highest
// and lowest stay in the scores' unit.
SubjectStats subjectStats(const QVector<int>& scores, int fullMarks = 100, int passPercent = 60, int scale = 1);
// The share in whole percent, cut to the whole number below, in exact
// integer arithmetic: 57 of 100 is 57, 2 of 3 is 66.
int share(int count, int total);
// Up to fifteen significant digits, no trailing zeros: 78.3333333333333, 80.
QString formatAverage(double average);

// An empty score in a student's table: not entered, no point on the chart.
inline const QString kAbsent = QStringLiteral("缺");

// The chart of one student: a "---" cell (a subject the test did not assess)
// takes the mean of the nearest real scores of the same subject before and
// after it, or the one that exists; with none there is no point. Any other
// cell that is no number ("缺") has no point. Rows are tests, columns subjects.
QVector<QVector<std::optional<double>>> chartValues(const QVector<QStringList>& cells);

// Rows of the class table ordered by the total shown in `totalColumn`,
// highest first, equal totals by ascending 学号: the same on every database,
// whatever it does with empty scores.
void sortByTotal(QList<QStringList>& rows, int numberColumn, int totalColumn);

// A whole number typed for the first or last N rows: digits only, 0..max.
std::optional<int> parseCount(const QString& text, int max);

} // namespace velmora::Analysis
