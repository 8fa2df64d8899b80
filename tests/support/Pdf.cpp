#include "support/Pdf.h"

#include "support/HostTools.h"

#include <QRegularExpression>

namespace velmora::test {

bool canReadPdf()
{
    return !hostTool(QStringLiteral("pdftotext")).isEmpty();
}

QStringList pdfPages(const QString& pdf, int pages)
{
    QStringList out;
    for (int page = 1; page <= pages; ++page) {
        const HostRun text = runHost(hostTool(QStringLiteral("pdftotext")),
            { QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                QStringLiteral("-layout"), hostPath(pdf), QStringLiteral("-") });
        QStringList lines;
        for (const QString& line : QString::fromUtf8(text.out).split(QLatin1Char('\n')))
            lines << line.simplified();
        out << lines.join(QLatin1Char('\n'));
    }
    return out;
}

QString squeezed(QString s)
{
    return s.remove(QRegularExpression(QStringLiteral("\\s")));
}

bool fontsEmbedded(const QString& pdf)
{
    const HostRun fonts = runHost(hostTool(QStringLiteral("pdffonts")), { hostPath(pdf) });
    const QStringList lines = QString::fromUtf8(fonts.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() < 3)
        return false;
    for (const QString& line : lines.mid(2)) {
        // name type encoding emb sub uni object ID
        const QStringList cols = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (cols.size() < 7 || cols[cols.size() - 5] != QStringLiteral("yes"))
            return false;
    }
    return true;
}

int pdfPageCount(const QString& pdf)
{
    const HostRun info = runHost(hostTool(QStringLiteral("pdfinfo")), { hostPath(pdf) });
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(info.out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace velmora::test
