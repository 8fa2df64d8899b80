#include "students/ReportLayout.h"

#include <algorithm>

namespace velmora::ReportLayout {

QVector<Page> paginate(int rows, int pageHeight)
{
    QVector<Page> pages;
    int next = 0;
    for (;;) {
        Page page;
        page.reportHeader = pages.isEmpty();
        page.firstRow = next;
        int room = pageHeight - kPageHeader - kPageFooter - (page.reportHeader ? kReportHeader : 0);
        // Every page takes at least one line, however small the paper.
        page.rowCount = std::min(std::max(1, room / kDetail), rows - next);
        next += page.rowCount;
        room -= page.rowCount * kDetail;
        pages << page;
        if (next >= rows) {
            if (room >= kReportFooter)
                pages.last().reportFooter = true;
            else
                pages << Page { false, next, 0, true };
            return pages;
        }
    }
}

} // namespace velmora::ReportLayout
