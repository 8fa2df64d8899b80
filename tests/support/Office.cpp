#include "support/Office.h"

#include "sheets/SheetReader.h"
#include "support/HostTools.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace velmora::test::Office {

namespace {

// =B2+SUM(C2:D2) as ODF writes it: of:=[.B2]+SUM([.C2:.D2]).
QString formula(const QString& typed)
{
    static const QRegularExpression range(QStringLiteral("\\b([A-Z]{1,3}[0-9]+):([A-Z]{1,3}[0-9]+)\\b"));
    static const QRegularExpression cell(QStringLiteral("(?<![.:A-Z])\\b([A-Z]{1,3}[0-9]+)\\b"));
    QString f = typed.mid(1);
    f.replace(range, QStringLiteral("[.\\1:.\\2]"));
    f.replace(cell, QStringLiteral("[.\\1]"));
    return QStringLiteral("of:=") + f;
}

QString cellXml(const QString& text, int across, int down)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    static const QRegularExpression date(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    static const QRegularExpression time(QStringLiteral("^([0-9]{2}):([0-9]{2}):([0-9]{2})$"));
    static const QRegularExpression padded(QStringLiteral("^([0-9]+)\\|(0+)$"));
    QString attributes;
    if (across > 1)
        attributes += QStringLiteral(" table:number-columns-spanned=\"%1\"").arg(across);
    if (down > 1)
        attributes += QStringLiteral(" table:number-rows-spanned=\"%1\"").arg(down);
    const QString paragraph = QStringLiteral("<text:p>%1</text:p>");
    if (text.isEmpty())
        return QStringLiteral("<table:table-cell%1/>").arg(attributes);
    if (text.startsWith(QLatin1Char('=')))
        return QStringLiteral("<table:table-cell%1 table:formula=\"%2\"/>")
            .arg(attributes, formula(text).toHtmlEscaped());
    if (number.match(text).hasMatch())
        return QStringLiteral("<table:table-cell%1 office:value-type=\"float\" office:value=\"%2\"/>")
            .arg(attributes, text);
    if (date.match(text).hasMatch() && QDate::fromString(text, Qt::ISODate).isValid())
        return QStringLiteral(
            "<table:table-cell%1 table:style-name=\"date\" office:value-type=\"date\" office:date-value=\"%2\"/>")
            .arg(attributes, text);
    if (const auto m = time.match(text); m.hasMatch())
        return QStringLiteral("<table:table-cell%1 table:style-name=\"time\" office:value-type=\"time\" "
                              "office:time-value=\"PT%2H%3M%4S\"/>")
            .arg(attributes, m.captured(1), m.captured(2), m.captured(3));
    if (const auto m = padded.match(text); m.hasMatch())
        return QStringLiteral(
            "<table:table-cell%1 table:style-name=\"zeros%2\" office:value-type=\"float\" office:value=\"%3\"/>")
            .arg(attributes)
            .arg(m.captured(2).size())
            .arg(m.captured(1));
    const QString shown = text.startsWith(QLatin1Char('\'')) ? text.mid(1) : text;
    return QStringLiteral("<table:table-cell%1 office:value-type=\"string\">%2</table:table-cell>")
        .arg(attributes, paragraph.arg(shown.toHtmlEscaped()));
}

bool run(const QStringList& arguments, const QString& dir, QString* why)
{
    const HostRun office = runHost(program(),
        QStringList {
            QStringLiteral("-env:UserInstallation=file://") + hostPath(QDir(dir).filePath(QStringLiteral(".office"))),
            QStringLiteral("--headless"), QStringLiteral("--norestore") }
            + arguments,
        180000);
    if (!office.ok()) {
        *why = QString::fromUtf8(office.out + office.err);
        return false;
    }
    return true;
}

} // namespace

QString program()
{
    return hostTool(QStringLiteral("soffice"));
}

namespace {

// A sheet designed as CSV text, written as LibreOffice's flat XML. A cell
// holds a number, a date (2011-05-24), a time (07:45:00), a formula
// (=B2+C2), text ('00401 is text), a number shown with leading zeros
// (401|00000), or ">" / "^" to be covered by a merge with the cell left of
// it / above it.
QByteArray flatXml(const QString& design, const QString& sheetName)
{
    const QVector<QVector<QVariant>> rows = SheetReader::parseCsv(design);
    const auto at = [&](int r, int c) { return rows.value(r).value(c).toString(); };
    QString body;
    for (int r = 0; r < rows.size(); ++r) {
        body += QStringLiteral("<table:table-row>");
        for (int c = 0; c < rows[r].size(); ++c) {
            const QString text = at(r, c);
            if (text == u">" || text == u"^") {
                body += QStringLiteral("<table:covered-table-cell/>");
                continue;
            }
            int across = 1, down = 1;
            while (at(r, c + across) == u">")
                ++across;
            while (at(r + down, c) == u"^")
                ++down;
            body += cellXml(text, across, down);
        }
        body += QStringLiteral("</table:table-row>");
    }
    QFile sheet(QStringLiteral(FIXTURES "/sheet.fods"));
    if (!sheet.open(QIODevice::ReadOnly))
        qFatal("%s: %s", qPrintable(sheet.fileName()), qPrintable(sheet.errorString()));
    return QString::fromUtf8(sheet.readAll())
        .replace(QStringLiteral("SHEET-NAME"), sheetName.toHtmlEscaped())
        .replace(QStringLiteral("SHEET-ROWS"), body)
        .toUtf8();
}
} // namespace

QStringList make(const QStringList& designs, const QString& format, const QString& dir, QString* why)
{
    QStringList sources;
    for (const QString& name : designs) {
        QFile design(QStringLiteral(FIXTURES "/%1.csv").arg(name));
        if (!design.open(QIODevice::ReadOnly)) {
            *why = design.fileName() + QStringLiteral(": ") + design.errorString();
            return {};
        }
        QFile flat(QDir(dir).filePath(name + QStringLiteral(".fods")));
        if (!flat.open(QIODevice::WriteOnly)) {
            *why = flat.errorString();
            return {};
        }
        flat.write(flatXml(QString::fromUtf8(design.readAll()), name));
        sources << hostPath(flat.fileName());
    }
    // LibreOffice's own numbers of the encodings: 85 is GB18030, 65535 UTF-16
    // (with tabs, Excel's "Unicode 文本").
    const QString filter = format == u"csv" ? QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,85")
        : format == u"txt"                  ? QStringLiteral("txt:Text - txt - csv (StarCalc):9,34,65535")
                                            : format;
    if (!run(
            QStringList { QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), hostPath(dir) } + sources,
            dir, why))
        return {};
    QStringList made;
    for (const QString& name : designs) {
        const QString path = QDir(dir).filePath(name + QLatin1Char('.') + format);
        if (!QFileInfo::exists(path)) {
            *why = path + QStringLiteral(" was not made");
            return {};
        }
        made << path;
    }
    return made;
}

QList<QStringList> readBack(const QString& path, const QString& dir, QString* why)
{
    const QString out = QDir(dir).filePath(QStringLiteral("back"));
    QDir().mkpath(out);
    QStringList arguments { QStringLiteral("--convert-to"), QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
        QStringLiteral("--outdir"), hostPath(out), hostPath(path) };
    // A CSV is opened as Excel opens ours: UTF-8, commas, quotes.
    if (path.endsWith(QLatin1String(".csv")))
        arguments.prepend(QStringLiteral("--infilter=CSV:44,34,76,1"));
    if (!run(arguments, dir, why))
        return {};
    QFile csv(QDir(out).filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".csv")));
    if (!csv.open(QIODevice::ReadOnly)) {
        *why = csv.fileName() + QStringLiteral(": ") + csv.errorString();
        return {};
    }
    QList<QStringList> rows;
    for (const auto& row : SheetReader::parseCsv(QString::fromUtf8(csv.readAll()))) {
        QStringList texts;
        for (const QVariant& cell : row)
            texts << cell.toString();
        rows << texts;
    }
    return rows;
}

} // namespace velmora::test::Office
