#include "exams/Points.h"

#include <cmath>

namespace velmora::Points {

std::optional<int> parse(QStringView text, bool halves)
{
    // Checked on every keystroke of a large sheet: no regular expression.
    int whole = 0, digits = 0;
    qsizetype i = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        if (++digits > 4)
            return std::nullopt;
        whole = whole * 10 + (text[i].unicode() - '0');
    }
    if (digits == 0)
        return std::nullopt;
    if (i == text.size())
        return whole * kTenths;
    if (!halves || text[i] != QLatin1Char('.') || i + 2 != text.size() || !text[i + 1].isDigit()
        || text[i + 1].unicode() >= 128)
        return std::nullopt;
    return whole * kTenths + (text[i + 1].unicode() - '0');
}

QString text(qint64 tenths, bool signedChange)
{
    const qint64 size = tenths < 0 ? -tenths : tenths;
    QString digits = QString::number(size / kTenths);
    if (size % kTenths)
        digits += QLatin1Char('.') + QString::number(size % kTenths);
    if (tenths < 0)
        return QChar(0x2212) + digits;
    return signedChange && tenths > 0 ? QLatin1Char('+') + digits : digits;
}

QString figureText(qint64 tenths, bool signedChange)
{
    const qint64 size = tenths < 0 ? -tenths : tenths;
    const QString digits = QStringLiteral("%1.%2").arg(size / kTenths).arg(size % kTenths);
    if (tenths < 0)
        return QChar(0x2212) + digits;
    return signedChange && tenths > 0 ? QLatin1Char('+') + digits : digits;
}

QVariant value(qint64 tenths)
{
    if (tenths % kTenths == 0)
        return QVariant(qint64(tenths / kTenths));
    return QVariant(double(tenths) / kTenths);
}

qint64 averageTenths(qint64 sum, qint64 count, int scale)
{
    const qint64 num = sum * kTenths, den = count * scale;
    const qint64 rounded = (2 * (num < 0 ? -num : num) + den) / (2 * den);
    return num < 0 ? -rounded : rounded;
}

std::optional<int> fromStored(const QVariant& stored)
{
    if (stored.isNull() || !stored.isValid())
        return std::nullopt;
    bool ok = false;
    const double v
        = stored.typeId() == QMetaType::QString ? stored.toString().trimmed().toDouble(&ok) : stored.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return int(std::llround(v * kTenths));
}

QString storedText(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    if (const auto tenths = fromStored(stored))
        return text(*tenths);
    // Not a number: shown as it is, so that it is refused rather than lost.
    return stored.toString().trimmed();
}

} // namespace velmora::Points
