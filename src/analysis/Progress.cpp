#include "analysis/Progress.h"

#include "exams/ReportCards.h"
#include "exams/ScoreMarks.h"

#include <QtMath>
#include <algorithm>

namespace velmora::Analysis {

ItemResults resultsOf(const TestCells& cells, const QString& subject, const StatsRules& rules)
{
    ItemResults out;
    out.scale = cells.scale;
    const int only = subject.isEmpty() ? -1 : int(cells.subjects.indexOf(subject));
    for (int s = 0; s < cells.subjects.size(); ++s) {
        if (only < 0 || s == only)
            out.fullMarks += cells.fullMarks.value(s);
    }
    QStringList numbers;
    QVector<std::optional<int>> ranked;
    for (const StudentCells& student : cells.students) {
        std::optional<int> value;
        bool absent = false;
        for (int s = 0; s < cells.subjects.size(); ++s) {
            if (only >= 0 && s != only)
                continue;
            std::optional<int> score = student.scores.value(s);
            const QString mark = student.marks.value(s);
            if (!score && mark == ScoreMarks::kCheated && rules.cheatAsZero)
                score = 0;
            absent = absent || mark == ScoreMarks::kAbsent;
            if (score)
                value = value.value_or(0) + *score;
        }
        if (only >= 0 && !cells.subjects.contains(subject))
            value.reset();
        out.values.insert(student.number, value);
        numbers << student.number;
        ranked << (only < 0 && ((absent && rules.absentNoRank) || student.unranked) ? std::nullopt : value);
    }
    const auto places = ReportCards::ranks(ranked);
    qint64 sum = 0, squares = 0;
    int n = 0;
    for (int i = 0; i < numbers.size(); ++i) {
        if (!places[i])
            continue;
        out.ranks.insert(numbers[i], *places[i]);
        sum += *ranked[i];
        squares += qint64(*ranked[i]) * *ranked[i];
        ++n;
    }
    if (n > 0) {
        const double mean = double(sum) / n;
        const double sigma = std::sqrt(std::max(0.0, double(squares) / n - mean * mean));
        // With everyone alike there is no spread to stand in.
        if (sigma > 1e-9) {
            for (int i = 0; i < numbers.size(); ++i) {
                if (places[i])
                    out.tScores.insert(numbers[i], 50 + 10 * (*ranked[i] - mean) / sigma);
            }
        }
    }
    return out;
}

namespace {
template <typename T> std::optional<T> value(const QHash<QString, T>& map, const QString& key)
{
    const auto at = map.constFind(key);
    return at == map.constEnd() ? std::nullopt : std::optional<T>(*at);
}
} // namespace

std::optional<int> ProgressRow::rankChange() const
{
    if (!beforeRank || !afterRank)
        return std::nullopt;
    return *beforeRank - *afterRank;
}

std::optional<int> ProgressRow::valueChange() const
{
    if (!before || !after)
        return std::nullopt;
    return *after - *before;
}

std::optional<double> ProgressRow::tChange() const
{
    if (!beforeT || !afterT)
        return std::nullopt;
    return *afterT - *beforeT;
}

Progress progressOf(const ItemResults& earlier, const ItemResults& later)
{
    Progress out;
    out.scale = std::max(earlier.scale, later.scale);
    const auto scaled = [&out](std::optional<int> v, int scale) {
        return v ? std::optional<int>(*v * (out.scale / scale)) : std::nullopt;
    };
    QStringList numbers = earlier.values.keys();
    for (auto n = later.values.cbegin(); n != later.values.cend(); ++n) {
        if (!earlier.values.contains(n.key()))
            numbers << n.key();
    }
    std::sort(numbers.begin(), numbers.end());
    for (const QString& number : std::as_const(numbers)) {
        if (!earlier.values.contains(number) || !later.values.contains(number)) {
            out.onlyOnce << number;
            continue;
        }
        ProgressRow row;
        row.number = number;
        row.before = scaled(earlier.values.value(number), earlier.scale);
        row.after = scaled(later.values.value(number), later.scale);
        row.beforeRank = value(earlier.ranks, number);
        row.afterRank = value(later.ranks, number);
        row.beforeT = value(earlier.tScores, number);
        row.afterT = value(later.tScores, number);
        out.rows << row;
    }
    return out;
}

QString rankChangeText(std::optional<int> change)
{
    if (!change)
        return {};
    if (*change == 0)
        return QStringLiteral("—");
    return (*change > 0 ? QStringLiteral("↑") : QStringLiteral("↓")) + QString::number(qAbs(*change));
}

QStringList borderline(const ItemResults& results, int line, int margin)
{
    QVector<std::pair<int, QString>> near;
    line *= results.scale;
    margin *= results.scale;
    for (auto v = results.values.cbegin(); v != results.values.cend(); ++v) {
        if (v.value() && *v.value() < line && *v.value() >= line - margin)
            near.push_back({ *v.value(), v.key() });
    }
    std::sort(near.begin(), near.end(),
        [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    QStringList out;
    for (const auto& [score, number] : near)
        out << number;
    return out;
}

} // namespace velmora::Analysis
