#pragma once

#include "analysis/StatsTable.h"

#include <QHash>
#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora::Analysis {

// One test's results in one item, a subject or the total (an empty name),
// as ranks take them: 作弊 is 0 where the class counts it so; 缺考, 缓考,
// 免考 and an empty score are no value. A total is of the values there are;
// a partial one takes no rank where the class says so.
struct ItemResults
{
    QHash<QString, std::optional<int>> values; // every student of the test, by 学号
    QHash<QString, int> ranks; // 1, 2, 2, 4
    QHash<QString, double> tScores; // 50 + 10·z among the ranked, when they differ at all
    int fullMarks = 0; // of the subject, or the sum of the test's
    int scale = 1; // 10 where values and full marks are tenths (a term grade)
    QString scaleKey; // the subjects summed and their full marks: equal keys compare in points
};
ItemResults resultsOf(const TestCells& cells, const QString& subject, const StatsRules& rules);

struct ProgressRow
{
    QString number;
    std::optional<int> before, after;
    std::optional<int> beforeRank, afterRank;
    std::optional<double> beforeT, afterT;

    // Up is positive: from 5th to 2nd is 3.
    std::optional<int> rankChange() const;
    // In tenths: of points, or of 得分率 percentage points where the scales differ.
    std::optional<qint64> change;
    std::optional<double> tChange() const;
};

struct Progress
{
    QVector<ProgressRow> rows; // students in both tests, in 学号 order
    QStringList onlyOnce; // in one of the two
    int scale = 1; // of the values: tenths when either side is a term grade
    bool byRate = false; // full marks or subjects differ: changes are of 得分率
};
Progress progressOf(const ItemResults& earlier, const ItemResults& later);

// The rows of the `n` largest rises (or falls) among the changes there
// are, largest first, and everyone tied with the last of them.
QVector<int> largestChanges(const QVector<std::optional<double>>& changes, bool up, int n);

// "↑3", "↓5", "—" for no change, "" for none.
QString rankChangeText(std::optional<int> change);

// 临界生: students whose value is below `line` by at most `margin` (both in
// points), highest first.
QStringList borderline(const ItemResults& results, int line, int margin);

} // namespace velmora::Analysis
