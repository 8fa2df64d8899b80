#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace velmora::Points {

// Scores of a test that takes half points are held in tenths, so that a sum
// or an average of them is exact; an older test's are whole points.
inline constexpr int kTenths = 10;

// A typed score in tenths: "98", or with `halves` also "98.5" (one decimal
// place). None for anything else.
std::optional<int> parse(QStringView text, bool halves);

// Tenths as a score is shown: "98.5", but "98" for a whole one; a change
// with its sign ("+1.5", "−2").
QString text(qint64 tenths, bool signedChange = false);

// A value held in 1/scale of a point (1 or 10), shown as a score.
inline QString textAt(qint64 value, int scale)
{
    return text(value * kTenths / scale);
}

// Tenths of a computed figure (an average, a rate), always with its one
// decimal place: "85.0", "−1.5", "+0.5".
QString figureText(qint64 tenths, bool signedChange = false);

// Tenths as a number for a cell or a bound value: whole ones as integers.
QVariant value(qint64 tenths);

// The average of `count` values summing to `sum` (each in 1/scale of a
// point), in tenths rounded half up, exactly: every average shown is this one.
qint64 averageTenths(qint64 sum, qint64 count, int scale);

// A stored score (an integer, a decimal or its text) in tenths; none for NULL.
std::optional<int> fromStored(const QVariant& stored);

// A stored score as the grid and the boxes show it: "98.5", "98", or "".
QString storedText(const QVariant& stored);

} // namespace velmora::Points
