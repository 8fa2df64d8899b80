#include "data/TextLimits.h"

#include "data/Schema.h"

namespace velmora::TextLimits {

qsizetype charCount(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

int limit(QStringView table, QStringView column)
{
    const TableDef* def = Schema::fixedTable(table);
    const ColumnDef* col = def ? def->column(column) : nullptr;
    return col && col->kind == ColumnKind::Text ? col->length : 0;
}

bool fits(QStringView table, QStringView column, QStringView value)
{
    const int max = limit(table, column);
    return max == 0 || charCount(value) <= max;
}

} // namespace velmora::TextLimits
