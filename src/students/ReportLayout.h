#pragma once

#include <QString>
#include <QVector>

namespace velmora::ReportLayout {

// Band heights in twips (1440 to the inch).
inline constexpr int kReportHeader = 570;
inline constexpr int kPageHeader = 255;
inline constexpr int kDetail = 240; // one line of a detail row
inline constexpr int kPageFooter = 360;
inline constexpr int kReportFooter = 3525;

struct Page
{
    bool reportHeader = false; // first page only
    int firstRow = 0;
    int rowCount = 0;
    bool reportFooter = false; // the page that ends the report
};

// Splits detail rows of the given heights (twips) over pages whose printable
// height is `pageHeight` twips: the title once, the column headers and the
// page footer on every page. The report footer is empty, so it shares the
// last page when it fits and is left out otherwise: no page is printed
// without a student on it (but the one page of an empty report).
QVector<Page> paginate(const QVector<int>& rowHeights, int pageHeight);
// Rows of one line each.
QVector<Page> paginate(int rows, int pageHeight);

// The page footer: 第 N 页 / 共 M 页.
QString pageNumber(int page, int pages);

} // namespace velmora::ReportLayout
