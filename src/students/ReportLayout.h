#pragma once

#include <QVector>

namespace velmora::ReportLayout {

// Band heights in twips (1440 to the inch).
inline constexpr int kReportHeader = 570;
inline constexpr int kPageHeader = 255;
inline constexpr int kDetail = 240;
inline constexpr int kPageFooter = 360;
inline constexpr int kReportFooter = 3525;

struct Page {
    bool reportHeader = false; // first page only
    int firstRow = 0;
    int rowCount = 0;
    bool reportFooter = false; // the page that ends the report
};

// Splits `rows` detail lines over pages whose printable height is
// `pageHeight` twips: the title once, the column headers and the page
// footer on every page, the report footer after the last line.
QVector<Page> paginate(int rows, int pageHeight);

} // namespace velmora::ReportLayout
