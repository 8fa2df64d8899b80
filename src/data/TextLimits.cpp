#include "data/TextLimits.h"

#include "data/Database.h"
#include "data/Schema.h"

#include <QHash>
#include <QRegularExpression>

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

namespace {
// Table and column, lower-cased, to the limit of the database in use.
QHash<QString, int>& adopted()
{
    static QHash<QString, int> limits;
    return limits;
}
QString key(QStringView table, QStringView column)
{
    return table.toString().toLower() + QLatin1Char('.') + column.toString();
}
} // namespace

void adopt(const Database& db)
{
    reset();
    static const std::pair<const char*, const char*> varying[] = { { "tblLogin", "联系电话" } };
    for (const auto& [table, column] : varying) {
        auto rows = db.select(db.dialect().columnTypeSql(), { QString::fromUtf8(table), QString::fromUtf8(column) });
        if (!rows || rows->eof())
            continue;
        static const QRegularExpression digits(QStringLiteral("(\\d+)"));
        const QRegularExpressionMatch m = digits.match(rows->value(0).toString());
        if (m.hasMatch() && m.captured(1).toInt() > 0)
            adopted().insert(key(QString::fromUtf8(table), QString::fromUtf8(column)), m.captured(1).toInt());
    }
}

void reset()
{
    adopted().clear();
}

int limit(QStringView table, QStringView column)
{
    if (auto it = adopted().constFind(key(table, column)); it != adopted().constEnd())
        return *it;
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
