#include "sheets/SheetWriter.h"

#include "data/PartFiles.h"
#include "platform/System.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <xlsxwriter.h>

namespace velmora::SheetWriter {

namespace {

Error fileError(const QString& path, const QString& why)
{
    return { QString(), QStringLiteral("无法写入文件“%1”：%2").arg(QFileInfo(path).fileName(), why),
        Error::Kind::File };
}

// Written beside the target and moved into place only when whole: a full
// disk leaves no partial file, and an older export stays as it was. Scores
// and addresses are for the owner's eyes only.
Status putInPlace(const QString& part, const QString& path)
{
    if (!QFile::setPermissions(part, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || !System::replaceFile(part, path)) {
        QFile::remove(part);
        return fileError(path, QStringLiteral("文件夹不可写或磁盘已满。"));
    }
    return Done {};
}

QString cellText(const QVariant& v)
{
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return !v.isNull();
    default:
        return false;
    }
}

} // namespace

Format formatFor(const QString& path)
{
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? Format::Csv : Format::Xlsx;
}

int displayWidth(const QString& text)
{
    int width = 0;
    for (QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

QString sheetName(const QString& title, const QStringList& taken)
{
    QString name;
    for (QChar c : title.simplified())
        name += QStringLiteral("[]:*?/\\").contains(c) ? QLatin1Char('_') : c;
    // Nor may it begin or end with an apostrophe.
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    if (name.isEmpty())
        name = QStringLiteral("Sheet");
    const auto used = [&](const QString& n) { return taken.contains(n, Qt::CaseInsensitive); };
    QString candidate = name.left(31);
    for (int n = 2; used(candidate); ++n) {
        const QString suffix = QStringLiteral("(%1)").arg(n);
        candidate = name.left(31 - suffix.size()) + suffix;
    }
    return candidate;
}

// A text a spreadsheet would run as a formula (=HYPERLINK(…), =cmd|…): a
// comment or name typed by anyone must stay text in the office's sheet.
QString inertText(const QString& text)
{
    static const QString starts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && starts.contains(text.front()) ? QLatin1Char('\'') + text : text;
}

// 学号 "003" or an 18-digit 身份证号 would open as the numbers 3 and 1.1E+17:
// written ="003", as Excel itself suggests, they open as the text they are.
QString keptAsText(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^(0[0-9]+|[0-9]{12,})$"));
    return digits.match(text).hasMatch() ? QStringLiteral("=\"%1\"").arg(text) : text;
}

QByteArray csvText(const SheetTable& sheet)
{
    const auto line = [](const QStringList& cells) {
        QStringList quoted;
        for (const QString& c : cells) {
            const bool quote = c.contains(QLatin1Char(',')) || c.contains(QLatin1Char('"'))
                || c.contains(QLatin1Char('\n')) || c.contains(QLatin1Char('\r'));
            quoted << (quote
                    ? QLatin1Char('"') + QString(c).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"')
                    : c);
        }
        return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    QStringList headers;
    for (const QString& h : sheet.headers)
        headers << inertText(h);
    QString text = line(headers);
    for (const auto& row : sheet.rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << (v.typeId() == QMetaType::QString ? keptAsText(inertText(v.toString())) : cellText(v));
        text += line(cells);
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

Status writeCsv(const QString& path, const SheetTable& sheet)
{
    QString why;
    const QString part = PartFiles::create(path, &why);
    if (part.isEmpty())
        return fileError(path, why);
    QFile file(part);
    const QByteArray bytes = csvText(sheet);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush()) {
        file.close();
        QFile::remove(part);
        return fileError(path, file.errorString());
    }
    file.close();
    return putInPlace(part, path);
}

Status writeXlsx(const QString& path, const QVector<SheetTable>& sheets)
{
    QString why;
    const QString part = PartFiles::create(path, &why);
    if (part.isEmpty())
        return fileError(path, why);
    const QByteArray file = System::narrowPath(part);
    lxw_workbook* book = workbook_new(file.constData());
    if (!book) {
        QFile::remove(part);
        return fileError(path, QStringLiteral("无法创建文件。"));
    }
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    QStringList names;
    for (const SheetTable& sheet : sheets) {
        names << sheetName(sheet.title, names);
        lxw_worksheet* ws = workbook_add_worksheet(book, names.last().toUtf8().constData());
        QVector<int> widths;
        for (int c = 0; c < sheet.headers.size(); ++c) {
            worksheet_write_string(ws, 0, lxw_col_t(c), sheet.headers[c].toUtf8().constData(), bold);
            widths << displayWidth(sheet.headers[c]);
        }
        for (int r = 0; r < sheet.rows.size(); ++r) {
            const auto& row = sheet.rows[r];
            for (int c = 0; c < row.size(); ++c) {
                const QVariant& v = row[c];
                if (v.isNull())
                    continue;
                if (isNumber(v))
                    worksheet_write_number(ws, lxw_row_t(r + 1), lxw_col_t(c), v.toDouble(), nullptr);
                else
                    worksheet_write_string(
                        ws, lxw_row_t(r + 1), lxw_col_t(c), v.toString().toUtf8().constData(), nullptr);
                if (c >= widths.size())
                    widths.resize(c + 1);
                widths[c] = qMax(widths[c], displayWidth(cellText(v)));
            }
        }
        for (int c = 0; c < widths.size(); ++c)
            worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), qMin(widths[c], 60) + 2, nullptr);
        worksheet_freeze_panes(ws, 1, 0);
    }
    if (const lxw_error closed = workbook_close(book); closed != LXW_NO_ERROR) {
        QFile::remove(part);
        return fileError(path, QString::fromUtf8(lxw_strerror(closed)));
    }
    return putInPlace(part, path);
}

Status write(const QString& path, const QVector<SheetTable>& sheets)
{
    if (formatFor(path) == Format::Csv)
        return writeCsv(path, sheets.value(0));
    return writeXlsx(path, sheets);
}

} // namespace velmora::SheetWriter
