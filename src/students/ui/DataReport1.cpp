#include "students/ui/DataReport1.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/PrintOut.h"
#include "students/ReportLayout.h"
#include "students/StudentRecord.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

struct ReportColumn
{
    const char* label;
    const char* column;
    int width; // twips, with the gap to the next column
};

// In the report's column order. Each column holds its longest usual value on
// one line at 9 pt (a 10-digit 学号, a 5-character name, a date, a
// 20-digit phone number); longer texts wrap within their column.
// 备注 takes what is left of the line.
const ReportColumn kColumns[] = {
    { "学号:", "学号", 1020 },
    { "姓名:", "姓名", 960 },
    { "性别:", "性别", 540 },
    { "出生年月:", "出生年月", 1080 },
    { "民族:", "民族", 780 },
    { "籍贯:", "籍贯", 780 },
    { "家庭住址:", "家庭住址", 2580 },
    { "联系电话:", "联系电话", 1920 },
    { "毕业于:", "毕业于", 1500 },
    { "毕业至:", "毕业至", 1500 },
    { "备注:", "备注", 0 },
};
constexpr int kColumnGap = 60;
constexpr int kLastColumnMinimum = 900;

QFont songti()
{
    return PrintOut::serif(9);
}

QFont titleFont()
{
    return PrintOut::sans(21.75, true);
}

struct Placed
{
    double left;
    double width;
};

// The columns across the printable width, in twips; narrower paper narrows
// them all alike, and the text wraps the more.
QVector<Placed> placeColumns(double pageWidth)
{
    double designed = kLastColumnMinimum;
    for (const ReportColumn& c : kColumns)
        designed += c.width;
    const double scale = std::min(1.0, pageWidth / designed);
    QVector<Placed> placed;
    double left = 0;
    for (const ReportColumn& c : kColumns) {
        const double width = c.width > 0 ? c.width * scale : pageWidth - left;
        placed.push_back({ left, std::max(1.0, width - (c.width > 0 ? kColumnGap : 0)) });
        left += width;
    }
    return placed;
}

constexpr int kWrap = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextWrapAnywhere;

} // namespace

DataReport1::DataReport1(Module1& session, QWidget* parent)
    : ReportPreview(
        QStringLiteral("学生信息表"), {},
        [this](QPagedPaintDevice* device, const PrintOut::Progress&) { return render(device, m_rows); }, 0, parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("DataReport1"));
    setWindowTitle(QStringLiteral("DataReport1"));
    setUpPage(printer());
    bool ok = false;
    m_rows = readRows(m_session.Conn(), &ok);
}

DataReport1::~DataReport1() = default;

void DataReport1::refresh()
{
    bool ok = false;
    m_rows = readRows(m_session.Conn(), &ok);
    if (auto* preview = findChild<QPrintPreviewWidget*>())
        preview->updatePreview();
}

QVector<QStringList> DataReport1::readRows(Database& db, bool* ok)
{
    QStringList names;
    for (const ReportColumn& c : kColumns)
        names << QString::fromUtf8(c.column);
    auto rows = Students::table(db, names);
    *ok = bool(rows);
    if (!rows) {
        MessageService::error(rows.error());
        return {};
    }
    return *rows;
}

void DataReport1::setUpPage(QPrinter* printer)
{
    printer->setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(25.4, 25.4, 25.4, 25.4), QPageLayout::Millimeter));
}

int DataReport1::render(QPagedPaintDevice* printer, const QVector<QStringList>& rows)
{
    QPainter p(printer);
    if (!p.isActive())
        return 0;
    const QRectF area = printer->pageLayout().paintRectPixels(printer->logicalDpiY());
    const double px = printer->logicalDpiY() / 1440.0;
    const int pageTwips = int(area.height() / px);
    const QVector<Placed> columns = placeColumns(area.width() / px);
    auto box = [px](double left, double top, double width, double height) {
        return QRectF(left * px, top * px, width * px, height * px);
    };

    const QFont body = songti();
    p.setFont(body);
    const QFontMetricsF metrics(body, printer);
    const int lineTwips = std::max(ReportLayout::kDetail, int(std::ceil(metrics.lineSpacing() / px)));
    // Each row as tall as its most wrapped value.
    QVector<int> heights;
    heights.reserve(rows.size());
    for (const QStringList& values : rows) {
        double tallest = 0;
        for (int c = 0; c < columns.size(); ++c) {
            const QString text = values.value(c);
            if (!text.isEmpty())
                tallest = std::max(tallest, p.boundingRect(box(0, 0, columns[c].width, 1e6), kWrap, text).height());
        }
        heights << std::max(lineTwips, int(std::ceil(tallest / px)) + 30);
    }
    const auto pages = ReportLayout::paginate(heights, pageTwips);

    for (int n = 0; n < pages.size(); ++n) {
        if (n > 0)
            printer->newPage();
        const ReportLayout::Page& page = pages[n];
        double y = 0;
        if (page.reportHeader) {
            p.setFont(titleFont());
            p.drawText(box(0, y, area.width() / px, ReportLayout::kReportHeader), Qt::AlignCenter,
                QStringLiteral("学 生 信 息 表"));
            y += ReportLayout::kReportHeader;
        }
        p.setFont(body);
        for (int c = 0; c < columns.size(); ++c)
            p.drawText(box(columns[c].left, y, columns[c].width, ReportLayout::kPageHeader), kWrap,
                QString::fromUtf8(kColumns[c].label));
        y += ReportLayout::kPageHeader;
        for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r) {
            for (int c = 0; c < columns.size(); ++c)
                p.drawText(box(columns[c].left, y, columns[c].width, heights[r]), kWrap, rows[r].value(c));
            y += heights[r];
        }
        p.drawText(box(0, pageTwips - ReportLayout::kPageFooter, area.width() / px, ReportLayout::kPageFooter),
            Qt::AlignHCenter | Qt::AlignBottom, ReportLayout::pageNumber(n + 1, int(pages.size())));
    }
    // Ending the painter writes out the rest of a PDF: a failure there is a failed export.
    return p.end() ? int(pages.size()) : 0;
}

bool DataReport1::exportPdf(const QString& path, const QVector<QStringList>& rows, int* pages)
{
    QPrinter printer;
    setUpPage(&printer);
    return PrintOut::writePdf(
               path, printer.pageLayout(), QStringLiteral("学生信息表"),
               [&rows](QPagedPaintDevice* device, const PrintOut::Progress&) { return render(device, rows); }, {},
               pages)
        == PrintOut::Outcome::Written;
}

} // namespace velmora
