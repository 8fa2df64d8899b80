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
    const bool whole = subject.isEmpty();
    const int only = int(cells.subjects.indexOf(subject));
    QStringList scales;
    for (int s = 0; s < cells.subjects.size(); ++s) {
        if (whole || s == only) {
            out.fullMarks += cells.fullMarks.value(s);
            scales << cells.subjects[s] + QLatin1Char(':') + QString::number(double(cells.fullMarks[s]) / cells.scale);
        }
    }
    out.scaleKey = scales.join(QLatin1Char(','));
    QStringList numbers;
    QVector<std::optional<int>> ranked;
    for (const StudentCells& student : cells.students) {
        std::optional<int> value;
        bool ranks = true;
        if (whole) {
            const ScoreMarks::Total total = ScoreMarks::totalOf(student.scores, student.marks, cells.fullMarks, rules);
            value = total.value();
            ranks = !student.unranked && total.ranked(rules);
        } else if (only >= 0) {
            value = only < student.scores.size() ? student.scores[only] : std::nullopt;
            if (!value && student.marks.value(only) == ScoreMarks::kCheated && rules.cheatAsZero)
                value = 0;
        }
        out.values.insert(student.number, value);
        numbers << student.number;
        ranked << (ranks ? value : std::nullopt);
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
    out.byRate = earlier.scaleKey != later.scaleKey;
    // Exact, rounded once: 10 × (after ÷ later's full − before ÷ earlier's full) × 100.
    // Raw values in their own scales: a term grade's are tenths of its own full marks.
    const auto change = [&](int before, int after) -> qint64 {
        if (!out.byRate)
            return (qint64(after) * (out.scale / later.scale) - qint64(before) * (out.scale / earlier.scale)) * 10
                / out.scale;
        const qint64 num = 1000 * (qint64(after) * earlier.fullMarks - qint64(before) * later.fullMarks);
        const qint64 den = qint64(later.fullMarks) * earlier.fullMarks;
        const qint64 tenths = den > 0 ? (2 * qAbs(num) + den) / (2 * den) : 0;
        return num < 0 ? -tenths : tenths;
    };
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
        const auto b = earlier.values.value(number), a = later.values.value(number);
        if (a && b)
            row.change = change(*b, *a);
        row.beforeRank = value(earlier.ranks, number);
        row.afterRank = value(later.ranks, number);
        row.beforeT = value(earlier.tScores, number);
        row.afterT = value(later.tScores, number);
        out.rows << row;
    }
    return out;
}

QVector<int> largestChanges(const QVector<std::optional<double>>& changes, bool up, int n)
{
    QVector<int> out;
    for (int r = 0; r < changes.size(); ++r) {
        if (changes[r])
            out << r;
    }
    const auto before = [&](int a, int b) { return up ? *changes[a] > *changes[b] : *changes[a] < *changes[b]; };
    std::stable_sort(out.begin(), out.end(), before);
    qsizetype keep = std::clamp<qsizetype>(n, 0, out.size());
    while (keep > 0 && keep < out.size() && !before(out[keep - 1], out[keep]))
        ++keep;
    out.resize(keep);
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
