#include "sheets/SheetReader.h"

#include "platform/System.h"
#include "sheets/BiffCells.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTime>
#include <QXmlStreamReader>
#include <cmath>
#include <freexl.h>
#include <unzip.h>

namespace velmora::SheetReader {

namespace {

using Grid = QVector<QVector<QVariant>>;

Error unreadable(const QString& path, const QString& why)
{
    return Error::refused(QStringLiteral("无法读取“%1”：%2").arg(QFileInfo(path).fileName(), why));
}

const QString kDamaged = QStringLiteral("不是有效的Excel文件，文件可能已损坏。");

Status checkRows(const QString& path, qint64 rows)
{
    if (rows > kMaxRows)
        return unreadable(path, QStringLiteral("表格超过了 %1 行的上限，请分成几个文件导入。").arg(kMaxRows));
    return Done {};
}

QString tooWide()
{
    return QStringLiteral("表格超过了 %1 列的上限，请只保留要导入的列。").arg(kMaxColumns);
}

QString tooLarge()
{
    return QStringLiteral("表格过大（超过 %1 万格），请只保留要导入的行和列。").arg(kMaxCells / 10000);
}

// A sheet as it is read, within kMaxColumns and kMaxCells, so that no small
// file (a value far to the right on every row) can take the memory.
class GridBuilder
{
public:
    bool put(int row, int column, const QVariant& value)
    {
        if (column >= kMaxColumns)
            return false;
        if (grid.size() <= row)
            grid.resize(row + 1);
        QVector<QVariant>& cells = grid[row];
        if (cells.size() <= column) {
            m_cells += column + 1 - cells.size();
            if (m_cells > kMaxCells)
                return false;
            cells.resize(column + 1);
        }
        cells[column] = value;
        return true;
    }

    Grid grid;

private:
    qint64 m_cells = 0;
};

Status checkShape(const QString& path, const Grid& grid)
{
    qint64 cells = 0;
    for (const auto& row : grid) {
        if (row.size() > kMaxColumns)
            return unreadable(path, tooWide());
        cells += row.size();
    }
    if (cells > kMaxCells)
        return unreadable(path, tooLarge());
    return Done {};
}

// "BC12" -> row 11, column 54.
bool cellRef(QStringView ref, int* row, int* column)
{
    int c = 0, i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i)
        c = c * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (!ok || c < 1 || r < 1 || c > 16384)
        return false;
    *row = r - 1;
    *column = c - 1;
    return true;
}

// "_x000D_" is a carriage return as Excel writes it inside a string; "_x005F_" the underscore.
QString unescapedX(QString text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype from = 0;
    for (auto it = escape.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(text).mid(from, m.capturedStart() - from);
        out += QChar(char16_t(m.captured(1).toUShort(nullptr, 16)));
        from = m.capturedEnd();
    }
    out += QStringView(text).mid(from);
    return out;
}

// Every text run of a shared string or an inline string, but not the
// phonetic guide (<rPh>) Chinese and Japanese Excel add to some.
QString stringItem(QXmlStreamReader& xml)
{
    QString text;
    const QStringView end = xml.name();
    const QString endName = end.toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"rPh")
            ++phonetic;
        else if (xml.isEndElement() && xml.name() == u"rPh")
            --phonetic;
        else if (xml.isStartElement() && xml.name() == u"t" && phonetic == 0)
            text += unescapedX(xml.readElementText());
        else if (xml.isEndElement() && xml.name() == endName)
            break;
    }
    return text;
}

// The code without quoted text, [colour] or [$-804] parts and escaped characters.
QString formatLetters(const QString& code)
{
    static const QRegularExpression noise(QStringLiteral("\"[^\"]*\"|\\[[^\\]]*\\]|\\\\."));
    return QString(code).remove(noise).toLower();
}

// A time of day alone ("h:mm", built-in 18 to 21 and 45 to 47): read as 08:30:00.
bool isTimeFormat(int id, const QString& code)
{
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47))
        return true;
    const QString bare = formatLetters(code);
    return !bare.isEmpty() && (bare.contains(QLatin1Char('h')) || bare.contains(QLatin1Char('s')))
        && !bare.contains(QLatin1Char('y')) && !bare.contains(QLatin1Char('d'));
}

// "00000": a number shown with its leading zeros, as 学号 often are; the width, or 0.
int zeroPadding(const QString& code)
{
    static const QRegularExpression zeros(QStringLiteral("^0{2,}$"));
    const QString bare = formatLetters(code);
    return zeros.match(bare).hasMatch() ? int(bare.size()) : 0;
}

QString timeText(double serial)
{
    const double day = serial - std::floor(serial);
    return QTime(0, 0).addSecs(int(std::lround(day * 86400)) % 86400).toString(QStringLiteral("HH:mm:ss"));
}

// A relationship's target, from the folder of the part that names it.
QString partPath(const QString& folder, const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    return QDir::cleanPath(folder.isEmpty() ? target : folder + QLatin1Char('/') + target);
}

bool isDateFormat(int id, const QString& code)
{
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty())
        return false;
    // Leave out quoted text and [colour] or [$-804] parts before looking for date letters.
    const QString bare = formatLetters(code);
    return bare.contains(QLatin1Char('y')) || bare.contains(QLatin1Char('d'))
        || (bare.contains(QLatin1Char('m')) && !bare.contains(QLatin1Char('0')) && !bare.contains(QLatin1Char('#')));
}

// An .xlsx, or LibreOffice's own .ods. Read with zlib's own minizip:
// libxlsxwriter, which writes our exports, uses it too, and QuaZip's copy of
// the same functions would take its place in a process that has both.
class ZipBook
{
public:
    explicit ZipBook(const QString& path)
        : m_path(path)
        , m_zip(unzOpen64(System::narrowPath(path).constData()))
    { }
    ~ZipBook()
    {
        if (m_zip)
            unzClose(m_zip);
    }
    ZipBook(const ZipBook&) = delete;
    ZipBook& operator=(const ZipBook&) = delete;

    Result<QVector<SheetTable>> read()
    {
        if (!m_zip)
            return unreadable(m_path, kDamaged);
        // What the directory claims, first; entry() counts what really comes out.
        qint64 total = 0;
        for (int at = unzGoToFirstFile(m_zip); at == UNZ_OK; at = unzGoToNextFile(m_zip)) {
            unz_file_info64 info;
            if (unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
                return unreadable(m_path, kDamaged);
            total += qint64(info.uncompressed_size);
            if (total > kMaxUnpackedBytes)
                return unreadable(m_path, QStringLiteral("文件解压后过大，不像是一份成绩或名单。"));
        }
        auto mimetype = entry(QStringLiteral("mimetype"), false);
        if (!mimetype)
            return mimetype.error();
        if (mimetype->startsWith("application/vnd.oasis.opendocument.spreadsheet"))
            return ods();
        if (unzLocateFile(m_zip, "xl/workbook.bin", 1) == UNZ_OK)
            return unreadable(
                m_path, QStringLiteral("这是Excel二进制工作簿（.xlsb），请在Excel中另存为.xlsx后再导入。"));
        // The workbook is where the package's relationships say, not always xl/workbook.xml.
        auto root = entry(QStringLiteral("_rels/.rels"), false);
        if (!root)
            return root.error();
        QString bookPath = QStringLiteral("xl/workbook.xml");
        for (const auto& [id, rel] : relationships(*root).asKeyValueRange()) {
            if (rel.first.endsWith(QLatin1String("/officeDocument")))
                bookPath = partPath(QString(), rel.second);
        }
        const QString folder = bookPath.section(QLatin1Char('/'), 0, -2);
        auto book = entry(bookPath);
        if (!book)
            return book.error();
        // Dates counted from 1904 (old Mac Excel) are 1462 days behind 1900's.
        for (QXmlStreamReader pr(*book); !pr.atEnd();) {
            pr.readNext();
            if (pr.isStartElement() && pr.name() == u"workbookPr") {
                const QStringView flag = pr.attributes().value(QLatin1String("date1904"));
                m_date1904 = flag == u"1" || flag == u"true";
                break;
            }
        }
        auto rels = entry(partPath(
            folder, QStringLiteral("_rels/") + bookPath.section(QLatin1Char('/'), -1) + QStringLiteral(".rels")));
        if (!rels)
            return rels.error();
        const QHash<QString, std::pair<QString, QString>> targets = relationships(*rels);
        QString stringsPath = partPath(folder, QStringLiteral("sharedStrings.xml"));
        QString stylesPath = partPath(folder, QStringLiteral("styles.xml"));
        for (const auto& [type, target] : targets) {
            if (type.endsWith(QLatin1String("/sharedStrings")))
                stringsPath = partPath(folder, target);
            else if (type.endsWith(QLatin1String("/styles")))
                stylesPath = partPath(folder, target);
        }
        if (Status strings = sharedStrings(stringsPath); !strings)
            return strings.error();
        if (Status styles = readStyles(stylesPath); !styles)
            return styles.error();
        QVector<SheetTable> sheets;
        QXmlStreamReader w(*book);
        while (!w.atEnd()) {
            w.readNext();
            if (!w.isStartElement() || w.name() != u"sheet")
                continue;
            std::pair<QString, QString> rel;
            for (const QXmlStreamAttribute& a : w.attributes()) {
                if (a.name() == u"id")
                    rel = targets.value(a.value().toString());
            }
            // Hidden sheets hold a teacher's workings, chart sheets no cells: neither is offered.
            const QStringView state = w.attributes().value(QLatin1String("state"));
            if (rel.second.isEmpty() || state == u"hidden" || state == u"veryHidden"
                || (!rel.first.isEmpty() && !rel.first.endsWith(QLatin1String("/worksheet"))))
                continue;
            const QString target = partPath(folder, rel.second);
            const QString name = w.attributes().value(QLatin1String("name")).toString();
            auto grid = sheet(target);
            if (!grid)
                return grid.error();
            sheets.push_back({ name, {}, *grid });
        }
        if (w.hasError())
            return unreadable(m_path, kDamaged);
        if (sheets.isEmpty())
            return unreadable(m_path, QStringLiteral("文件中没有工作表。"));
        return sheets;
    }

private:
    // LibreOffice's own: every sheet of content.xml, repeated rows and cells
    // spelled out only where they hold something, merges spread.
    Result<QVector<SheetTable>> ods()
    {
        auto content = entry(QStringLiteral("content.xml"));
        if (!content)
            return content.error();
        QVector<SheetTable> sheets;
        QXmlStreamReader xml(*content);
        GridBuilder grid;
        QString title;
        int row = -1, column = 0, rowRepeat = 1;
        QVector<std::pair<QVariant, int>> rowCells; // a row's cells and how often each repeats
        const auto flushRow = [&]() -> bool {
            bool any = false;
            for (const auto& [value, times] : std::as_const(rowCells))
                any = any || !value.isNull();
            // Thousands of empty rows pad a sheet to its end: they are no rows.
            for (int k = 0; k < (any ? rowRepeat : 0); ++k) {
                int c = 0;
                for (const auto& [value, times] : std::as_const(rowCells)) {
                    for (int t = 0; t < times; ++t, ++c) {
                        if (!value.isNull() && !grid.put(row + k, c, value))
                            return false;
                    }
                }
            }
            row += rowRepeat - 1;
            rowCells.clear();
            return true;
        };
        while (!xml.atEnd()) {
            xml.readNext();
            const auto a = xml.attributes();
            if (xml.isStartElement() && xml.name() == u"table") {
                title = a.value(QLatin1String("table:name")).toString();
                grid = GridBuilder();
                row = -1;
            } else if (xml.isEndElement() && xml.name() == u"table") {
                for (const auto& [first, last] : std::as_const(m_merged)) {
                    const QVariant v = grid.grid.value(first.first).value(first.second);
                    for (int r = first.first; r <= last.first && !v.isNull(); ++r) {
                        for (int c = first.second; c <= last.second; ++c) {
                            if (!grid.put(r, c, v))
                                return unreadable(m_path, tooLarge());
                        }
                    }
                }
                m_merged.clear();
                sheets.push_back({ title, {}, std::move(grid.grid) });
            } else if (xml.isStartElement() && xml.name() == u"table-row") {
                ++row;
                column = 0;
                rowRepeat = qMax(1, a.value(QLatin1String("table:number-rows-repeated")).toInt());
                if (row >= kMaxRows)
                    return checkRows(m_path, row + 1).error();
            } else if (xml.isEndElement() && xml.name() == u"table-row") {
                if (!flushRow())
                    return unreadable(m_path, tooLarge());
            } else if (xml.isStartElement() && (xml.name() == u"table-cell" || xml.name() == u"covered-table-cell")) {
                const int times = qMax(1, a.value(QLatin1String("table:number-columns-repeated")).toInt());
                const int across = a.value(QLatin1String("table:number-columns-spanned")).toInt();
                const int down = a.value(QLatin1String("table:number-rows-spanned")).toInt();
                if (across > 1 || down > 1)
                    m_merged.push_back({ { row, column }, { row + qMax(down, 1) - 1, column + qMax(across, 1) - 1 } });
                const QString type = a.value(QLatin1String("office:value-type")).toString();
                const QString value = a.value(QLatin1String("office:value")).toString();
                const QString date = a.value(QLatin1String("office:date-value")).toString();
                const QString time = a.value(QLatin1String("office:time-value")).toString();
                const QString truth = a.value(QLatin1String("office:boolean-value")).toString();
                const QString shown = odsText(xml);
                QVariant cell;
                if (type == u"float" || type == u"percentage" || type == u"currency") {
                    // 401 shown as 00401 keeps its zeros, as the sheet shows it.
                    static const QRegularExpression zeros(QStringLiteral("^0[0-9]+$"));
                    cell = zeros.match(shown).hasMatch() ? QVariant(shown) : QVariant(value.toDouble());
                } else if (type == u"date")
                    cell = QDate::fromString(date.left(10), Qt::ISODate);
                else if (type == u"time") {
                    static const QRegularExpression pt(QStringLiteral("PT(\\d+)H(\\d+)M(\\d+)"));
                    const auto m = pt.match(time);
                    cell = m.hasMatch() ? QVariant(QStringLiteral("%1:%2:%3")
                                                       .arg(m.captured(1).toInt(), 2, 10, QLatin1Char('0'))
                                                       .arg(m.captured(2).toInt(), 2, 10, QLatin1Char('0'))
                                                       .arg(m.captured(3).toInt(), 2, 10, QLatin1Char('0')))
                                        : QVariant(shown);
                } else if (type == u"boolean")
                    cell = truth == u"true" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
                else if (!shown.isEmpty())
                    cell = shown.startsWith(QLatin1Char('#')) || shown.startsWith(QLatin1String("Err:"))
                        ? QVariant::fromValue(CellError { shown })
                        : QVariant(shown);
                rowCells.push_back({ cell, times });
                column += times;
                if (column > kMaxColumns && !cell.isNull())
                    return unreadable(m_path, tooWide());
            }
        }
        if (xml.hasError())
            return unreadable(m_path, kDamaged);
        if (sheets.isEmpty())
            return unreadable(m_path, QStringLiteral("文件中没有工作表。"));
        return sheets;
    }

    // A cell's paragraphs, lines joined by line breaks; the reader is left at the cell's end.
    static QString odsText(QXmlStreamReader& xml)
    {
        QStringList lines;
        const QString end = xml.name().toString();
        int depth = 0, note = 0; // a comment on the cell is not its text
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                ++depth;
                note += xml.name() == u"annotation";
                if (note > 0)
                    continue;
                if (xml.name() == u"p")
                    lines << QString();
                else if (xml.name() == u"s" && !lines.isEmpty())
                    lines.last() += QString(qMax(1, xml.attributes().value(QLatin1String("text:c")).toInt()), u' ');
                else if (xml.name() == u"line-break" && !lines.isEmpty())
                    lines.last() += QLatin1Char('\n');
            } else if (xml.isCharacters() && !lines.isEmpty() && note == 0)
                lines.last() += xml.text();
            else if (xml.isEndElement()) {
                if (depth == 0 && xml.name() == end)
                    break;
                note -= xml.name() == u"annotation";
                --depth;
            }
        }
        return lines.join(QLatin1Char('\n'));
    }

    // Id -> (type, target) of a part's relationships.
    static QHash<QString, std::pair<QString, QString>> relationships(const QByteArray& xmlBytes)
    {
        QHash<QString, std::pair<QString, QString>> out;
        QXmlStreamReader r(xmlBytes);
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == u"Relationship")
                out.insert(r.attributes().value(QLatin1String("Id")).toString(),
                    { r.attributes().value(QLatin1String("Type")).toString(),
                        r.attributes().value(QLatin1String("Target")).toString() });
        }
        return out;
    }

    // An entry read whole, but never past the limit, whatever its header claims.
    Result<QByteArray> entry(const QString& name, bool required = true)
    {
        if (unzLocateFile(m_zip, name.toUtf8().constData(), 1) != UNZ_OK)
            return required ? Result<QByteArray>(unreadable(m_path, kDamaged)) : Result<QByteArray>(QByteArray());
        if (unzOpenCurrentFile(m_zip) != UNZ_OK)
            return unreadable(m_path, kDamaged);
        QByteArray bytes;
        char buffer[65536];
        for (;;) {
            const int n = unzReadCurrentFile(m_zip, buffer, sizeof buffer);
            if (n < 0) {
                unzCloseCurrentFile(m_zip);
                return unreadable(m_path, kDamaged);
            }
            if (n == 0)
                break;
            bytes.append(buffer, n);
            m_unpacked += n;
            if (m_unpacked > kMaxUnpackedBytes) {
                unzCloseCurrentFile(m_zip);
                return unreadable(m_path, QStringLiteral("文件解压后过大，不像是一份成绩或名单。"));
            }
        }
        // A checksum that does not match is a damaged file.
        if (unzCloseCurrentFile(m_zip) != UNZ_OK)
            return unreadable(m_path, kDamaged);
        return bytes;
    }

    Status sharedStrings(const QString& path)
    {
        auto bytes = entry(path, false);
        if (!bytes)
            return bytes.error();
        if (bytes->isEmpty())
            return Done {};
        QXmlStreamReader xml(*bytes);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"si")
                m_strings << stringItem(xml);
        }
        return xml.hasError() ? Status(unreadable(m_path, kDamaged)) : Status(Done {});
    }

    Status readStyles(const QString& path)
    {
        auto bytes = entry(path, false);
        if (!bytes)
            return bytes.error();
        if (bytes->isEmpty())
            return Done {};
        QHash<int, QString> codes;
        QXmlStreamReader xml(*bytes);
        bool inXfs = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"numFmt")
                codes.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt(),
                    xml.attributes().value(QLatin1String("formatCode")).toString());
            else if (xml.isStartElement() && xml.name() == u"cellXfs")
                inXfs = true;
            else if (xml.isEndElement() && xml.name() == u"cellXfs")
                inXfs = false;
            else if (inXfs && xml.isStartElement() && xml.name() == u"xf") {
                const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                m_dateStyles << isDateFormat(id, codes.value(id));
                m_timeStyles << isTimeFormat(id, codes.value(id));
                m_zeroPadding << zeroPadding(codes.value(id));
            }
        }
        return xml.hasError() ? Status(unreadable(m_path, kDamaged)) : Status(Done {});
    }

    Result<Grid> sheet(const QString& name)
    {
        auto bytes = entry(name);
        if (!bytes)
            return bytes.error();
        GridBuilder grid;
        QXmlStreamReader xml(*bytes);
        // Rows and cells may leave out where they are: each follows the one before.
        int row = -1, column = -1;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"mergeCell") {
                merge(xml.attributes().value(QLatin1String("ref")));
                continue;
            }
            if (xml.name() == u"row") {
                bool numbered = false;
                const int r = xml.attributes().value(QLatin1String("r")).toInt(&numbered);
                row = numbered && r > 0 ? r - 1 : row + 1;
                column = -1;
                continue;
            }
            if (xml.name() != u"c")
                continue;
            if (const QStringView ref = xml.attributes().value(QLatin1String("r")); !ref.isEmpty()) {
                if (!cellRef(ref, &row, &column))
                    return unreadable(m_path, kDamaged);
            } else {
                row = qMax(row, 0);
                ++column;
            }
            if (row >= kMaxRows)
                return checkRows(m_path, row + 1).error();
            const QString type = xml.attributes().value(QLatin1String("t")).toString();
            const int style = xml.attributes().value(QLatin1String("s")).toInt();
            QString value;
            bool inlineText = false;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"v")
                    value = xml.readElementText();
                else if (xml.isStartElement() && xml.name() == u"is") {
                    value = stringItem(xml);
                    inlineText = true;
                } else if (xml.isEndElement() && xml.name() == u"c")
                    break;
            }
            QVariant cell;
            if (type == u"s")
                cell = m_strings.value(value.toInt());
            else if (type == u"inlineStr" || type == u"str" || inlineText)
                cell = unescapedX(value);
            else if (type == u"d") {
                // An ISO date (and time) as the strict format writes it.
                const QDate d = QDate::fromString(value.left(10), Qt::ISODate);
                cell = d.isValid() ? QVariant(d) : QVariant(value);
            } else if (type == u"b")
                cell = value == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            else if (type == u"e")
                cell = QVariant::fromValue(CellError { value.isEmpty() ? QStringLiteral("#N/A") : value });
            else if (value.isEmpty())
                continue;
            else if (m_timeStyles.value(style) && value.toDouble() < 1)
                cell = timeText(value.toDouble());
            else if (const int width = m_zeroPadding.value(style);
                     width > 0 && value.toDouble() >= 0 && value.toDouble() == std::floor(value.toDouble()))
                cell = QStringLiteral("%1").arg(qint64(value.toDouble()), width, 10, QLatin1Char('0'));
            else if (m_dateStyles.value(style)) {
                if (auto d = toDate(value.toDouble() + (m_date1904 ? 1462 : 0)))
                    cell = *d;
                else
                    cell = value.toDouble();
            } else
                cell = value.toDouble();
            if (!grid.put(row, column, cell))
                return unreadable(m_path, column >= kMaxColumns ? tooWide() : tooLarge());
        }
        if (xml.hasError())
            return unreadable(m_path, kDamaged);
        for (const auto& [first, last] : std::as_const(m_merged)) {
            const QVariant v = grid.grid.value(first.first).value(first.second);
            // An empty merged range has nothing to spread: no cell of it is made.
            if (v.isNull())
                continue;
            for (int r = first.first; r <= last.first; ++r) {
                for (int c = first.second; c <= last.second; ++c) {
                    if (!grid.put(r, c, v))
                        return unreadable(m_path, c >= kMaxColumns ? tooWide() : tooLarge());
                }
            }
        }
        m_merged.clear();
        return std::move(grid.grid);
    }

    void merge(QStringView ref)
    {
        const qsizetype colon = ref.indexOf(QLatin1Char(':'));
        int r1, c1, r2, c2;
        if (colon < 0 || !cellRef(ref.left(colon), &r1, &c1) || !cellRef(ref.mid(colon + 1), &r2, &c2))
            return;
        // A merge never makes a sheet larger than a sheet may be.
        if (r2 < r1 || c2 < c1 || r2 >= kMaxRows || c2 - c1 > 200)
            return;
        m_merged.push_back({ { r1, c1 }, { r2, c2 } });
    }

    QString m_path;
    unzFile m_zip;
    qint64 m_unpacked = 0;
    QStringList m_strings;
    QVector<bool> m_dateStyles;
    QVector<bool> m_timeStyles;
    QVector<int> m_zeroPadding; // per style: a number's width with leading zeros, or 0
    bool m_date1904 = false;
    QVector<std::pair<std::pair<int, int>, std::pair<int, int>>> m_merged;
};

} // namespace

Result<QVector<SheetTable>> readXlsHere(const QString& path)
{
    // Formulas and error constants, which FreeXL reads as empty or as 1 and 0.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(path, file.errorString());
    if (file.size() > kMaxUnpackedBytes)
        return unreadable(path, QStringLiteral("文件过大，不像是一份成绩或名单。"));
    const auto extras = BiffCells::read(file.readAll());
    file.close();
    if (!extras)
        return unreadable(path, kDamaged);

    const void* handle = nullptr;
    if (freexl_open(System::narrowPath(path).constData(), &handle) != FREEXL_OK) {
        freexl_close(handle);
        return unreadable(path, kDamaged);
    }
    // Closed on every way out.
    const std::unique_ptr<const void, int (*)(const void*)> closer(handle, freexl_close);
    unsigned int count = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        return unreadable(path, kDamaged);
    QVector<SheetTable> sheets;
    for (unsigned short s = 0; s < count; ++s) {
        const char* name = nullptr;
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_get_worksheet_name(handle, s, &name) != FREEXL_OK
            || freexl_select_active_worksheet(handle, s) != FREEXL_OK
            || freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK)
            return unreadable(path, kDamaged);
        if (Status fits = checkRows(path, rows); !fits)
            return fits.error();
        GridBuilder grid;
        grid.grid.resize(qsizetype(rows));
        const auto put = [&grid](int r, int c, const QVariant& v) { return grid.put(r, c, v); };
        for (unsigned int r = 0; r < rows; ++r) {
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK)
                    return unreadable(path, kDamaged);
                switch (v.type) {
                case FREEXL_CELL_INT:
                    if (!put(int(r), c, double(v.value.int_value)))
                        return unreadable(path, tooLarge());
                    break;
                case FREEXL_CELL_DOUBLE:
                    if (!put(int(r), c, v.value.double_value))
                        return unreadable(path, tooLarge());
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                    if (!put(int(r), c, QString::fromUtf8(v.value.text_value)))
                        return unreadable(path, tooLarge());
                    break;
                case FREEXL_CELL_TIME:
                    // A time of day, as an .xlsx's reads: 08:30:00.
                    if (!put(int(r), c, QString::fromUtf8(v.value.text_value).left(8)))
                        return unreadable(path, tooLarge());
                    break;
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                    if (!put(int(r), c,
                            QDate::fromString(
                                QString::fromUtf8(v.value.text_value).left(10), QStringLiteral("yyyy-MM-dd"))))
                        return unreadable(path, tooLarge());
                    break;
                default:
                    break;
                }
            }
        }
        const QString title = QString::fromUtf8(name);
        const BiffCells::Sheet* more = nullptr;
        for (const BiffCells::Sheet& e : *extras) {
            if (e.name == title)
                more = &e;
        }
        if (!more && extras->size() == qsizetype(count))
            more = &extras->at(s);
        if (more && more->hidden)
            continue;
        for (const BiffCells::Cell& cell : more ? more->cells : QVector<BiffCells::Cell>()) {
            if (cell.row < int(rows) && !grid.put(cell.row, cell.column, cell.value))
                return unreadable(path, tooLarge());
        }
        // A merged range holds its value in each of its cells, as in an .xlsx.
        for (const BiffCells::Range& m : more ? more->merged : QVector<BiffCells::Range>()) {
            const QVariant v = grid.grid.value(m.firstRow).value(m.firstColumn);
            if (v.isNull() || m.lastRow >= int(rows) || m.lastColumn - m.firstColumn > 200)
                continue;
            for (int r = m.firstRow; r <= m.lastRow; ++r) {
                for (int c = m.firstColumn; c <= m.lastColumn; ++c) {
                    if (!grid.put(r, c, v))
                        return unreadable(path, tooLarge());
                }
            }
        }
        sheets.push_back({ title, {}, std::move(grid.grid) });
    }
    if (sheets.isEmpty())
        return unreadable(path, QStringLiteral("文件中没有工作表。"));
    return sheets;
}

namespace {

QString& helperProgram()
{
    static QString program;
    return program;
}

Result<QVector<SheetTable>> readXlsApart(const QString& path, const QString& helper)
{
    QProcess reader;
    reader.setProgram(helper);
    reader.setArguments({ path });
    // Enough for any sheet the limits let through, never the machine.
    System::startLimited(reader, 2048, 60);
    // A helper that cannot start (removed by hand) must not stop the teacher importing.
    if (!reader.waitForStarted(10000))
        return readXlsHere(path);
    if (!reader.waitForFinished(90000)) {
        reader.kill();
        reader.waitForFinished(5000);
        return unreadable(path, QStringLiteral("读取超时，文件可能已损坏。请在Excel中另存为.xlsx后再导入。"));
    }
    const QByteArray out = reader.readAllStandardOutput();
    if (reader.exitStatus() == QProcess::NormalExit && reader.exitCode() == 2)
        return Error::refused(QString::fromUtf8(out));
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
        return unreadable(path, QStringLiteral("读取时出错，文件可能已损坏。请在Excel中另存为.xlsx后再导入。"));
    auto sheets = decode(out);
    if (!sheets)
        return unreadable(path, kDamaged);
    return *sheets;
}

Result<QVector<SheetTable>> readCsv(const QString& path, const QByteArray& bytes)
{
    // A text file has no NUL bytes (but UTF-16 has); a picture or a program has many.
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!utf16 && bytes.left(4096).contains('\0'))
        return unreadable(path, QStringLiteral("不是 Excel 文件或 CSV 文件（支持 .xlsx、.xls、.ods 和 .csv）。"));
    int stray = 0;
    Grid rows = parseCsv(decodeText(bytes, &stray));
    if (Status fits = checkRows(path, rows.size()); !fits)
        return fits.error();
    if (Status fits = checkShape(path, rows); !fits)
        return fits.error();
    const QString note = stray > 0 ? QStringLiteral("“%1”中有 %2 个无法识别的字节，已换成“\uFFFD”，请核对。")
                                         .arg(QFileInfo(path).fileName())
                                         .arg(stray)
                                   : QString();
    return QVector<SheetTable> { { QFileInfo(path).completeBaseName(), {}, rows, note } };
}

} // namespace

void setXlsHelper(const QString& program)
{
    helperProgram() = program;
}

QString xlsHelper()
{
    return helperProgram();
}

void useXlsHelperBeside(const QString& programDir)
{
    // Finds velmora-sheet-reader.exe on Windows too.
    const QString helper = QStandardPaths::findExecutable(QStringLiteral("velmora-sheet-reader"), { programDir });
    if (!helper.isEmpty())
        setXlsHelper(helper);
}

QByteArray encode(const QVector<SheetTable>& sheets)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint32(sheets.size());
    for (const SheetTable& sheet : sheets) {
        out << sheet.title << quint32(sheet.rows.size());
        for (const auto& row : sheet.rows) {
            out << quint32(row.size());
            for (const QVariant& cell : row) {
                if (cell.metaType() == QMetaType::fromType<CellError>())
                    out << quint8(4) << cell.value<CellError>().code;
                else if (cell.typeId() == QMetaType::QDate)
                    out << quint8(3) << cell.toDate();
                else if (cell.typeId() == QMetaType::Double)
                    out << quint8(1) << cell.toDouble();
                else if (cell.isNull())
                    out << quint8(0);
                else
                    out << quint8(2) << cell.toString();
            }
        }
    }
    return bytes;
}

std::optional<QVector<SheetTable>> decode(const QByteArray& bytes)
{
    QDataStream in(bytes);
    quint32 count = 0;
    in >> count;
    QVector<SheetTable> sheets;
    for (quint32 s = 0; s < count && in.status() == QDataStream::Ok; ++s) {
        SheetTable sheet;
        quint32 rows = 0;
        in >> sheet.title >> rows;
        if (rows > quint32(kMaxRows))
            return std::nullopt;
        for (quint32 r = 0; r < rows && in.status() == QDataStream::Ok; ++r) {
            quint32 cells = 0;
            in >> cells;
            if (cells > quint32(kMaxColumns))
                return std::nullopt;
            QVector<QVariant> row;
            row.reserve(cells);
            for (quint32 c = 0; c < cells && in.status() == QDataStream::Ok; ++c) {
                quint8 tag = 0;
                in >> tag;
                if (tag == 1) {
                    double v = 0;
                    in >> v;
                    row << v;
                } else if (tag == 2) {
                    QString v;
                    in >> v;
                    row << v;
                } else if (tag == 3) {
                    QDate v;
                    in >> v;
                    row << v;
                } else if (tag == 4) {
                    QString v;
                    in >> v;
                    row << QVariant::fromValue(CellError { v });
                } else
                    row << QVariant();
            }
            sheet.rows << row;
        }
        sheets << sheet;
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return sheets;
}

QString decodeText(const QByteArray& bytes, int* stray)
{
    if (stray)
        *stray = 0;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    // Excel's "Unicode 文本": UTF-16 with its byte order mark.
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    // A few stray bytes in a file that is otherwise good UTF-8 are replaced,
    // not taken as a sign of GB18030: that would turn every character into mojibake.
    int bad = 0, good = 0;
    for (QChar c : text) {
        bad += c == QChar::ReplacementCharacter;
        good += c.unicode() >= 0x80 && c != QChar::ReplacementCharacter;
    }
    if (good >= 10 * bad) {
        if (stray)
            *stray = bad;
        return text;
    }
    return System::fromGb18030(bytes).value_or(text);
}

QVector<QVector<QVariant>> parseCsv(const QString& text)
{
    const qsizetype firstBreak = text.indexOf(QLatin1Char('\n'));
    const QStringView firstLine = QStringView(text).left(firstBreak < 0 ? text.size() : firstBreak);
    const QChar separator = firstLine.contains(QLatin1Char('\t')) && !firstLine.contains(QLatin1Char(','))
        ? QLatin1Char('\t')
        : QLatin1Char(',');
    QVector<QVector<QVariant>> rows;
    QVector<QVariant> row;
    QString cell;
    bool quoted = false, any = false;
    const auto endCell = [&] {
        // ="003" is how a CSV keeps a number's leading zeros: the text inside.
        if (cell.size() >= 3 && cell.startsWith(QLatin1String("=\"")) && cell.endsWith(QLatin1Char('"'))
            && !cell.mid(2, cell.size() - 3).contains(QLatin1Char('"')))
            cell = cell.mid(2, cell.size() - 3);
        row << (cell.isEmpty() ? QVariant() : QVariant(cell));
        cell.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else
                    quoted = false;
            } else
                cell += c;
            continue;
        }
        any = true;
        if (c == QLatin1Char('"') && cell.isEmpty())
            quoted = true;
        else if (c == separator)
            endCell();
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            endCell();
            rows << row;
            row.clear();
            any = false;
            // Nothing read past the limit: the caller refuses the file.
            if (rows.size() > kMaxRows)
                return rows;
        } else
            cell += c;
    }
    if (any || !cell.isEmpty() || !row.isEmpty()) {
        endCell();
        rows << row;
    }
    return rows;
}

QVector<QStringList> parseClipboard(const QString& text)
{
    QVector<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    bool started = false; // anything of the current row read
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                cell += c;
                ++i;
            } else if (c == QLatin1Char('"'))
                quoted = false;
            else
                cell += c;
            continue;
        }
        started = true;
        if (c == QLatin1Char('"') && cell.isEmpty())
            quoted = true;
        else if (c == QLatin1Char('\t')) {
            row << cell;
            cell.clear();
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
            started = false;
        } else
            cell += c;
    }
    if (started) {
        row << cell;
        rows << row;
    }
    return rows;
}

QString cellText(const QVariant& cell)
{
    if (cell.isNull())
        return {};
    if (cell.typeId() == QMetaType::QDate)
        return cell.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (cell.metaType() == QMetaType::fromType<CellError>())
        return cell.value<CellError>().code;
    if (cell.typeId() == QMetaType::Double) {
        const double v = cell.toDouble();
        if (std::floor(v) == v && std::fabs(v) < 1e15)
            return QString::number(qint64(v));
        return QString::number(v, 'g', 15);
    }
    return cell.toString().trimmed();
}

QString cellProblem(const QVariant& cell)
{
    if (cell.metaType() == QMetaType::fromType<CellError>())
        return QStringLiteral("单元格是错误值 %1").arg(cell.value<CellError>().code);
    return {};
}

std::optional<QDate> toDate(const QVariant& cell)
{
    if (cell.typeId() == QMetaType::QDate)
        return cell.toDate().isValid() ? std::optional<QDate>(cell.toDate()) : std::nullopt;
    if (cell.typeId() == QMetaType::Double) {
        // Excel's day 1 is 1900-01-01 and it counts a 29 February 1900 that never was.
        const double serial = cell.toDouble();
        // 20120815 typed as a number is a date written without separators, far past any serial.
        if (serial >= 19000101 && serial <= 29991231 && serial == std::floor(serial))
            return toDate(QString::number(qint64(serial)));
        if (serial < 61 || serial > 2958465)
            return std::nullopt;
        return QDate(1899, 12, 30).addDays(qint64(serial));
    }
    static const QRegularExpression written(QStringLiteral(
        "^\\s*(\\d{4})\\s*(?:[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?|(\\d{2})(\\d{2}))\\s*$"));
    const auto m = written.match(cell.toString());
    if (!m.hasMatch())
        return std::nullopt;
    const int year = m.captured(1).toInt();
    const int month = (m.captured(2).isEmpty() ? m.captured(4) : m.captured(2)).toInt();
    const int day = (m.captured(3).isEmpty() ? m.captured(5) : m.captured(3)).toInt();
    const QDate d(year, month, day);
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}

Result<QVector<SheetTable>> read(const QString& path)
{
    // A device or a FIFO named like a spreadsheet would be read without end.
    if (const QFileInfo info(path); info.exists() && !info.isFile())
        return unreadable(path, QStringLiteral("不是普通文件。"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(path, file.errorString());
    const QByteArray head = file.peek(8);
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool zip = head.startsWith("PK\x03\x04");
    const bool ole = head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    // Excel 2.x to 4.0 wrote the records bare, from a BOF of their own: no reader here takes them.
    const quint16 first = head.size() >= 2 ? quint16(quint8(head[0]) | quint8(head[1]) << 8) : 0;
    if (!zip && !ole && (first == 0x0009 || first == 0x0209 || first == 0x0409))
        return unreadable(path,
            QStringLiteral("这是Excel 4.0或更早版本的文件，请先在Excel或LibreOffice中另存为.xlsx（或Excel "
                           "97-2003的.xls）后再导入。"));
    // Named a workbook but not one inside: never read as text and shown as an empty sheet.
    if ((suffix == u"xlsx" || suffix == u"xlsm" || suffix == u"xls" || suffix == u"ods" || suffix == u"xlsb") && !zip
        && !ole)
        return unreadable(path, kDamaged);
    if (zip) {
        file.close();
        return ZipBook(path).read();
    }
    if (ole) {
        if (file.size() <= kMaxUnpackedBytes && BiffCells::encrypted(file.readAll()))
            return unreadable(path, QStringLiteral("文件设有密码，请先在Excel中取消密码后再导入。"));
        file.close();
        return helperProgram().isEmpty() ? readXlsHere(path) : readXlsApart(path, helperProgram());
    }
    // A CSV of the largest class is a few hundred kilobytes.
    if (file.size() > kMaxUnpackedBytes)
        return unreadable(path, QStringLiteral("文件过大，不像是一份成绩或名单。"));
    return readCsv(path, file.readAll());
}

} // namespace velmora::SheetReader
