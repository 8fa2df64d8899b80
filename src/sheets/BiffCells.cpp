#include "sheets/BiffCells.h"

#include "platform/System.h"
#include "sheets/SheetTable.h"

#include <QHash>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace velmora::BiffCells {

namespace {

// FreeXL reads the compound document and its records but keeps neither
// formulas nor error constants; this walks the same structures for them only.
constexpr quint32 kLastRegular = 0xFFFFFFFA;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr qint64 kMaxStream = 64LL * 1024 * 1024;

quint8 u8(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at < b.size() ? quint8(b[at]) : 0;
}
quint16 u16(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at + 2 <= b.size() ? qFromLittleEndian<quint16>(b.constData() + at) : 0;
}
quint32 u32(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at + 4 <= b.size() ? qFromLittleEndian<quint32>(b.constData() + at) : 0;
}

class Compound
{
public:
    explicit Compound(const QByteArray& file)
        : m_file(file)
    { }

    bool open()
    {
        if (m_file.size() < 512 || !m_file.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
            return false;
        m_shift = u16(m_file, 0x1E);
        m_miniShift = u16(m_file, 0x20);
        if ((m_shift != 9 && m_shift != 12) || m_miniShift != 6)
            return false;
        m_cutoff = u32(m_file, 0x38);
        const qint64 sectorSize = qint64(1) << m_shift;
        const qint64 sectors = m_file.size() / sectorSize;

        QVector<quint32> fatSectors;
        for (int i = 0; i < 109; ++i) {
            if (const quint32 s = u32(m_file, 0x4C + 4 * i); s <= kLastRegular)
                fatSectors << s;
        }
        quint32 next = u32(m_file, 0x44);
        const int perDifat = int(sectorSize / 4) - 1;
        for (quint32 k = 0; k < u32(m_file, 0x48) && next <= kLastRegular; ++k) {
            const qint64 at = offset(next);
            if (at + sectorSize > m_file.size() || fatSectors.size() > sectors)
                return false;
            for (int j = 0; j < perDifat; ++j) {
                if (const quint32 s = u32(m_file, at + 4 * j); s <= kLastRegular)
                    fatSectors << s;
            }
            next = u32(m_file, at + 4 * perDifat);
        }
        for (quint32 s : std::as_const(fatSectors)) {
            const qint64 at = offset(s);
            if (at + sectorSize > m_file.size())
                return false;
            for (qint64 j = 0; j < sectorSize / 4; ++j)
                m_fat << u32(m_file, at + 4 * j);
        }
        auto dir = chain(u32(m_file, 0x30), -1);
        if (!dir || dir->size() < 128)
            return false;
        m_dir = *dir;
        // The root entry holds the mini stream, where small streams live.
        if (auto mini = chain(u32(m_dir, 0x74), u32(m_dir, 0x78)))
            m_mini = *mini;
        if (u32(m_file, 0x40) > 0) {
            auto fat = chain(u32(m_file, 0x3C), -1);
            if (!fat)
                return false;
            for (qsizetype j = 0; j + 4 <= fat->size(); j += 4)
                m_miniFat << u32(*fat, j);
        }
        return true;
    }

    std::optional<QByteArray> stream(QStringView name) const
    {
        for (qsizetype e = 0; e + 128 <= m_dir.size(); e += 128) {
            const int chars = qBound(0, int(u16(m_dir, e + 0x40)) / 2 - 1, 31);
            if (u8(m_dir, e + 0x42) != 2)
                continue;
            QString entry(chars, Qt::Uninitialized);
            for (int i = 0; i < chars; ++i)
                entry[i] = QChar(u16(m_dir, e + 2 * i));
            if (entry.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            const quint32 start = u32(m_dir, e + 0x74);
            const qint64 size = u32(m_dir, e + 0x78);
            return size < m_cutoff ? miniChain(start, size) : chain(start, size);
        }
        return std::nullopt;
    }

private:
    qint64 offset(quint32 sector) const { return (qint64(sector) + 1) << m_shift; }

    // A chain of sectors, cut to `size` (the whole chain when negative);
    // nothing when it leaves the file, loops, or ends early.
    std::optional<QByteArray> chain(quint32 start, qint64 size) const
    {
        const qint64 sectorSize = qint64(1) << m_shift;
        if (size > kMaxStream)
            return std::nullopt;
        QByteArray out;
        qsizetype steps = 0;
        for (quint32 s = start; s != kEndOfChain; s = m_fat.value(s, kEndOfChain)) {
            if (s > kLastRegular || s >= quint32(m_fat.size()) || ++steps > m_fat.size())
                return std::nullopt;
            const qint64 at = offset(s);
            if (at + sectorSize > m_file.size())
                return std::nullopt;
            out.append(m_file.constData() + at, sectorSize);
            if (size >= 0 && out.size() >= size)
                break;
        }
        if (size >= 0) {
            if (out.size() < size)
                return std::nullopt;
            out.truncate(size);
        }
        return out;
    }

    std::optional<QByteArray> miniChain(quint32 start, qint64 size) const
    {
        const qint64 sectorSize = qint64(1) << m_miniShift;
        QByteArray out;
        qsizetype steps = 0;
        for (quint32 s = start; s != kEndOfChain && out.size() < size; s = m_miniFat.value(s, kEndOfChain)) {
            const qint64 at = qint64(s) << m_miniShift;
            if (s > kLastRegular || ++steps > m_miniFat.size() || at + sectorSize > m_mini.size())
                return std::nullopt;
            out.append(m_mini.constData() + at, sectorSize);
        }
        if (out.size() < size)
            return std::nullopt;
        out.truncate(size);
        return out;
    }

    const QByteArray& m_file;
    int m_shift = 9;
    int m_miniShift = 6;
    quint32 m_cutoff = 4096;
    QVector<quint32> m_fat;
    QVector<quint32> m_miniFat;
    QByteArray m_dir;
    QByteArray m_mini;
};

QString errorCode(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    default:
        return QStringLiteral("#N/A");
    }
}

struct Workbook
{
    const QByteArray& bytes;
    bool biff8 = true;
    int codepage = 1252;

    // Text of `chars` characters at `at`: BIFF8 with its option byte first
    // (UTF-16 or one byte each), BIFF5 in the workbook's code page.
    QString text(qsizetype at, int chars) const
    {
        if (biff8) {
            const bool wide = u8(bytes, at) & 0x01;
            const QByteArray raw = bytes.mid(at + 1, wide ? 2 * chars : chars);
            if (!wide)
                return QString::fromLatin1(raw);
            QString out(raw.size() / 2, Qt::Uninitialized);
            for (qsizetype i = 0; i < out.size(); ++i)
                out[i] = QChar(u16(raw, 2 * i));
            return out;
        }
        const QByteArray raw = bytes.mid(at, chars);
        if (codepage == 936) {
            if (auto text = System::fromGb18030(raw))
                return *text;
        }
        return QString::fromLatin1(raw);
    }
};

// An RK number: 30 bits of an integer or of a double's top, perhaps in hundredths.
double rkValue(quint32 rk)
{
    double value = 0;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

// "00000": the width of a number shown with its leading zeros, or 0.
int zeroWidth(const QString& code)
{
    return code.size() >= 2 && code.count(QLatin1Char('0')) == code.size() ? int(code.size()) : 0;
}

} // namespace

std::optional<QVector<Sheet>> read(const QByteArray& file)
{
    Compound doc(file);
    if (!doc.open())
        return std::nullopt;
    bool biff8 = true;
    auto stream = doc.stream(u"Workbook");
    if (!stream) {
        stream = doc.stream(u"Book");
        biff8 = false;
    }
    if (!stream)
        return std::nullopt;
    const QByteArray& s = *stream;
    Workbook book { s, biff8 };

    struct Bound
    {
        quint32 at;
        bool worksheet;
        QString name;
        bool hidden;
    };
    QVector<Bound> bounds;
    QHash<int, QString> formats; // FORMAT: index -> code
    QVector<int> xfFormats; // XF, in order: its format index
    qsizetype at = 0;
    while (at + 4 <= s.size()) {
        const quint16 type = u16(s, at);
        const qsizetype data = at + 4, length = u16(s, at + 2);
        if (data + length > s.size())
            return std::nullopt;
        if (type == 0x0042 && length >= 2)
            book.codepage = u16(s, data);
        else if (type == 0x0085 && length >= 8) {
            const int chars = u8(s, data + 6);
            bounds.push_back(
                { u32(s, data), u8(s, data + 5) == 0, book.text(data + 7, chars), (u8(s, data + 4) & 0x03) != 0 });
        } else if (type == 0x041E && length >= 3) {
            formats.insert(u16(s, data),
                biff8 ? book.text(data + 4, u16(s, data + 2)) : QString::fromLatin1(s.mid(data + 3, u8(s, data + 2))));
        } else if (type == 0x00E0 && length >= 4)
            xfFormats << u16(s, data + 2);
        else if (type == 0x000A)
            break;
        at = data + length;
    }

    QVector<int> padding; // per XF: leading zeros' width, or 0
    for (int f : std::as_const(xfFormats))
        padding << zeroWidth(formats.value(f));
    const auto padded = [&padding](QVector<Cell>& cells, int row, int column, int xf, double value) {
        if (const int width = padding.value(xf); width > 0 && value >= 0 && value == std::floor(value))
            cells.push_back({ row, column, QStringLiteral("%1").arg(qint64(value), width, 10, QLatin1Char('0')) });
    };
    QVector<Sheet> sheets;
    for (const Bound& bound : std::as_const(bounds)) {
        Sheet sheet { bound.name, {}, bound.hidden, {} };
        int depth = 0;
        int stringRow = -1, stringColumn = -1;
        for (at = bound.worksheet ? bound.at : s.size(); at + 4 <= s.size();) {
            const quint16 type = u16(s, at);
            const qsizetype data = at + 4, length = u16(s, at + 2);
            if (data + length > s.size())
                return std::nullopt;
            at = data + length;
            if (type == 0x0809) {
                ++depth;
                continue;
            }
            if (type == 0x000A) {
                if (--depth <= 0)
                    break;
                continue;
            }
            if (depth != 1)
                continue; // a chart's records inside the sheet
            const int row = u16(s, data), column = u16(s, data + 2);
            if (type == 0x0006 && length >= 16) { // FORMULA
                stringRow = -1;
                QVariant value;
                if (u16(s, data + 12) == 0xFFFF) {
                    switch (u8(s, data + 6)) {
                    case 0: // the text follows in a STRING record
                        stringRow = row;
                        stringColumn = column;
                        continue;
                    case 1:
                        value = u8(s, data + 8) ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
                        break;
                    case 2:
                        value = QVariant::fromValue(CellError { errorCode(u8(s, data + 8)) });
                        break;
                    default:
                        break; // an empty text
                    }
                } else {
                    double number = 0;
                    const quint64 bits = qFromLittleEndian<quint64>(s.constData() + data + 6);
                    std::memcpy(&number, &bits, sizeof number);
                    value = number;
                }
                sheet.cells.push_back({ row, column, value });
            } else if (type == 0x0203 && length >= 14) { // NUMBER
                double number = 0;
                const quint64 bits = qFromLittleEndian<quint64>(s.constData() + data + 6);
                std::memcpy(&number, &bits, sizeof number);
                padded(sheet.cells, row, column, u16(s, data + 4), number);
            } else if (type == 0x027E && length >= 10) { // RK
                padded(sheet.cells, row, column, u16(s, data + 4), rkValue(u32(s, data + 6)));
            } else if (type == 0x00BD && length >= 6) { // MULRK
                for (qsizetype k = data + 4; k + 6 <= data + length - 2; k += 6)
                    padded(sheet.cells, row, column + int((k - data - 4) / 6), u16(s, k), rkValue(u32(s, k + 2)));
            } else if (type == 0x00E5 && length >= 2) { // MERGEDCELLS
                for (int m = 0; m < u16(s, data) && 2 + 8 * (m + 1) <= length; ++m) {
                    const qsizetype r = data + 2 + 8 * m;
                    sheet.merged.push_back({ u16(s, r), u16(s, r + 2), u16(s, r + 4), u16(s, r + 6) });
                }
            } else if (type == 0x0207 && stringRow >= 0 && length >= 2) { // STRING
                sheet.cells.push_back({ stringRow, stringColumn, book.text(data + 2, u16(s, data)) });
                stringRow = -1;
            } else if (type == 0x0205 && length >= 8) { // BOOLERR
                const quint8 value = u8(s, data + 6);
                sheet.cells.push_back({ row, column,
                    u8(s, data + 7) ? QVariant::fromValue(CellError { errorCode(value) })
                                    : QVariant(value ? QStringLiteral("TRUE") : QStringLiteral("FALSE")) });
            }
        }
        sheets.push_back(sheet);
    }
    return sheets;
}

bool encrypted(const QByteArray& file)
{
    Compound doc(file);
    if (!doc.open())
        return false;
    if (doc.stream(u"EncryptedPackage"))
        return true;
    auto stream = doc.stream(u"Workbook");
    if (!stream)
        stream = doc.stream(u"Book");
    for (qsizetype at = 0; stream && at + 4 <= stream->size();) {
        const quint16 type = u16(*stream, at);
        if (type == 0x002F) // FILEPASS
            return true;
        if (type == 0x000A) // the end of the workbook's globals
            break;
        at += 4 + u16(*stream, at + 2);
    }
    return false;
}

} // namespace velmora::BiffCells
