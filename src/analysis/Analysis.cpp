#include "analysis/Analysis.h"

#include "data/Schema.h"
#include "exams/Points.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace velmora::Analysis {

namespace {
// The lowest score of band 1..4: 60%, 70%, 80% or 90% of full marks, rounded up.
int bandStart(int band, int fullMarks)
{
    return (fullMarks * (band + 5) + 9) / 10;
}
} // namespace

QStringList bandLabels(int fullMarks)
{
    QStringList labels { QStringLiteral("%1分以下").arg(bandStart(1, fullMarks)) };
    for (int b = 1; b <= 4; ++b) {
        const int low = bandStart(b, fullMarks);
        const int high = (b < 4 ? bandStart(b + 1, fullMarks) : fullMarks) - 1;
        // Small full marks leave some bands without a score that falls in them.
        labels << (low < high ? QStringLiteral("%1-%2").arg(low).arg(high)
                : low == high ? QString::number(low)
                              : QStringLiteral("—"));
    }
    labels << QString::number(fullMarks);
    return labels;
}

int bandOf(int score, int fullMarks)
{
    if (score < 0 || score > fullMarks)
        return -1;
    if (score == fullMarks)
        return 5;
    int band = 0;
    while (band < 4 && score >= bandStart(band + 1, fullMarks))
        ++band;
    return band;
}

int share(int count, int total)
{
    if (total <= 0)
        return 0;
    return int(qint64(std::max(0, count)) * 100 / total);
}

SubjectStats subjectStats(const QVector<int>& scores, int fullMarks, int passPercent, int scale)
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
        const int band = bandOf(score, fullMarks * scale);
        if (band < 0)
            continue;
        ++s.bands[size_t(band)];
        // In whole numbers, as the statistics table compares: 70% of 150 is 105.
        const bool pass = qint64(score) * 100 >= qint64(passPercent) * fullMarks * scale;
        s.passes += pass;
        s.failures += !pass;
    }
    s.average = s.students > 0 ? sum / s.students / scale : 0;
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
            if ((values[r][c] = real(r, c)) || cells[r].value(c) != QLatin1String("---"))
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
        // "285.5*" is a total with an empty score: 285.5 all the same.
        const auto value = [=](const QStringList& row) {
            const QString text = row.value(totalColumn);
            const QStringView t(text);
            return Points::parse(t.endsWith(QLatin1Char('*')) ? t.chopped(1) : t, true).value_or(0);
        };
        const int ta = value(a), tb = value(b);
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
