#pragma once

#include <QString>
#include <QStringList>

namespace velmora::test {

// Whether poppler's tools are there to read what was printed.
bool canReadPdf();
// The text of each page, as a reader copies it, one line per printed line.
QStringList pdfPages(const QString& pdf, int pages);
int pdfPageCount(const QString& pdf);
// Whether every font the PDF uses is embedded in it.
bool fontsEmbedded(const QString& pdf);
// Without white space: text a line break may have cut.
QString squeezed(QString s);

} // namespace velmora::test
