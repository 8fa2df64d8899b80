#pragma once

#include <QString>

namespace velmora::TextLimits {

// Characters as a reader counts them: a CJK character outside the basic plane
// is one, though it takes two UTF-16 units.
qsizetype charCount(QStringView text);

// The column's limit in characters, or 0 when the column has none (or is unknown).
int limit(QStringView table, QStringView column);

bool fits(QStringView table, QStringView column, QStringView value);

} // namespace velmora::TextLimits
