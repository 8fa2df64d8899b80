#pragma once

#include <QString>

namespace velmora {
class Database;
}

namespace velmora::TextLimits {

// Characters as a reader counts them: a CJK character outside the basic plane
// is one, though it takes two UTF-16 units.
qsizetype charCount(QStringView text);

// The column's limit in characters, or 0 when the column has none (or is unknown).
int limit(QStringView table, QStringView column);

bool fits(QStringView table, QStringView column, QStringView value);

// The limits of the database in use where they may differ from those of the
// databases we create (联系电话: 20 now, 10 in older ones). Reads only.
void adopt(const Database& db);
// Back to the limits of the databases we create.
void reset();

} // namespace velmora::TextLimits
