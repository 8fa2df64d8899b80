#include "analysis/Analysis.h"

#include "data/Schema.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace velmora::Analysis {

const QStringList& bandLabels()
{
    static const QStringList labels { QStringLiteral("60分以下"), QStringLiteral("60-69"), QStringLiteral("70-79"),
        QStringLiteral("80-89"), QStringLiteral("90-99"), QStringLiteral("100") };
    return labels;
}

int bandOf(int score)
{
    if (score < 0 || score > 100)
        return -1;
    if (score < 60)
        return 0;
    if (score == 100)
        return 5;
    return score / 10 - 5;
}

int share(int count, int total)
{
    if (total <= 0)
        return 0;
    return int(qint64(std::max(0, count)) * 100 / total);
}

SubjectStats subjectStats(const QVector<int>& scores)
{
    SubjectStats s;
    s.students = int(scores.size());
    if (!scores.isEmpty())
        s.highest = s.lowest = scores.first();
    double sum = 0;
    for (int score : scores) {
        s.highest = std::max(s.highest, score);
        s.lowest = std::min(s.lowest, score);
        sum += score;
        if (const int band = bandOf(score); band >= 0)
            ++s.bands[size_t(band)];
    }
    s.average = s.students > 0 ? sum / s.students : 0;
    s.failures = s.bands[0];
    s.passes = s.bands[1] + s.bands[2] + s.bands[3] + s.bands[4] + s.bands[5];
    s.passShare = share(s.passes, s.students);
    s.failShare = share(s.failures, s.students);
    for (size_t b = 0; b < 6; ++b)
        s.bandShares[b] = share(s.bands[b], s.students);
    return s;
}

QString formatAverage(double average)
{
    return QString::number(average, 'g', 15);
}

QVector<QVector<std::optional<double>>> chartValues(const QVector<QStringList>& cells)
{
    const int rows = int(cells.size());
    const int cols = rows > 0 ? int(cells[0].size()) : 0;
    QVector<QVector<std::optional<double>>> values(rows, QVector<std::optional<double>>(cols));
    auto real = [&](int r, int c) -> std::optional<double> {
        bool ok = false;
        const double v = cells[r].value(c).toDouble(&ok);
        return ok ? std::optional<double>(v) : std::nullopt;
    };
    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < rows; ++r) {
            if ((values[r][c] = real(r, c)))
                continue;
            std::optional<double> before, after;
            for (int b = r - 1; b >= 0 && !before; --b)
                before = real(b, c);
            for (int a = r + 1; a < rows && !after; ++a)
                after = real(a, c);
            if (before && after)
                values[r][c] = (*before + *after) / 2;
            else
                values[r][c] = before ? before : after;
        }
    }
    return values;
}

void sortByTotal(QList<QStringList>& rows, int numberColumn, int totalColumn)
{
    std::stable_sort(rows.begin(), rows.end(), [=](const QStringList& a, const QStringList& b) {
        const int ta = a.value(totalColumn).toInt(), tb = b.value(totalColumn).toInt();
        if (ta != tb)
            return ta > tb;
        return a.value(numberColumn).trimmed() < b.value(numberColumn).trimmed();
    });
}

std::optional<int> parseCount(const QString& text, int max)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch())
        return std::nullopt;
    const int n = t.toInt();
    if (n > max)
        return std::nullopt;
    return n;
}

} // namespace velmora::Analysis
