#include "students/ReportLayout.h"

#include <algorithm>

namespace velmora::ReportLayout {

QVector<Page> paginate(const QVector<int>& rowHeights, int pageHeight)
{
    const int rows = int(rowHeights.size());
    QVector<Page> pages;
    int next = 0;
    for (;;) {
        Page page;
        page.reportHeader = pages.isEmpty();
        page.firstRow = next;
        int room = pageHeight - kPageHeader - kPageFooter - (page.reportHeader ? kReportHeader : 0);
        // Every page takes at least one row, however small the paper.
        while (next < rows && (page.rowCount == 0 || rowHeights[next] <= room)) {
            room -= rowHeights[next];
            ++next;
            ++page.rowCount;
        }
        page.reportFooter = next >= rows && room >= kReportFooter;
        pages << page;
        if (next >= rows)
            return pages;
    }
}

QVector<Page> paginate(int rows, int pageHeight)
{
    return paginate(QVector<int>(std::max(0, rows), kDetail), pageHeight);
}

QString pageNumber(int page, int pages)
{
    return QStringLiteral("第 %1 页 / 共 %2 页").arg(page).arg(pages);
}

} // namespace velmora::ReportLayout
