#include "students/DataReport1.h"

#include "app/Module1.h"
#include "platform/FileDialogs.h"
#include "platform/MessageService.h"
#include "students/ReportLayout.h"

#include <QAction>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrintPreviewWidget>
#include <QToolBar>

namespace velmora {

namespace {

struct ReportColumn {
    int left;
    const char* label;
    int labelWidth;
    const char* column;
    int fieldWidth;
};

// Positions and widths in twips.
const ReportColumn kColumns[] = {
    { 0, "学号:", 1290, "学号", 1440 },          { 567, "姓名:", 1305, "姓名", 1440 },
    { 1134, "性别:", 1305, "性别", 1440 },       { 1701, "出生年月:", 1290, "出生年月", 1440 },
    { 2835, "民族:", 1305, "民族", 1440 },       { 3969, "籍贯:", 1305, "籍贯", 1440 },
    { 4536, "家庭住址:", 1305, "家庭住址", 1440 }, { 6236, "联系电话:", 1305, "联系电话", 1440 },
    { 7370, "毕业于:", 1305, "毕业于", 1440 },   { 8504, "毕业至:", 1290, "毕业至", 1440 },
    { 9638, "备注:", 570, "备注", 570 },
};
constexpr int kRowHeight = 240;
constexpr int kTitleLeft = 4535;
constexpr int kTitleWidth = 3405;

QFont songti()
{
    QFont f(QStringLiteral("Noto Serif CJK SC"));
    f.setStyleHint(QFont::Serif);
    f.setPointSizeF(9);
    return f;
}

} // namespace

DataReport1::DataReport1(QWidget* parent)
    : QPrintPreviewDialog(parent)
{
    setObjectName(QStringLiteral("DataReport1"));
    setWindowTitle(QStringLiteral("DataReport1"));
    setAttribute(Qt::WA_DeleteOnClose);
    setUpPage(printer());
    bool ok = false;
    m_rows = readRows(&ok);
    connect(this, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { render(p, m_rows); });
    if (auto* bar = findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* pdf = bar->addAction(QStringLiteral("导出PDF"));
        pdf->setObjectName(QStringLiteral("ExportPdf"));
        pdf->setToolTip(QStringLiteral("把报表保存为 PDF 文件"));
        connect(pdf, &QAction::triggered, this, &DataReport1::exportAsked);
    }
    resize(1000, 720);
}

DataReport1::~DataReport1() = default;

void DataReport1::refresh()
{
    bool ok = false;
    m_rows = readRows(&ok);
    if (auto* preview = findChild<QPrintPreviewWidget*>())
        preview->updatePreview();
}

QVector<QStringList> DataReport1::readRows(bool* ok)
{
    QStringList names;
    for (const ReportColumn& c : kColumns)
        names << QString::fromUtf8(c.column);
    auto rows = mod().Conn.select(QStringLiteral("select ") + names.join(QStringLiteral(", "))
                                  + QStringLiteral(" from tblLogin ORDER BY 学号"));
    *ok = bool(rows);
    if (!rows) {
        MessageService::info(rows.error().unknownMessage());
        return {};
    }
    QVector<QStringList> out;
    out.reserve(rows->recordCount());
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        QStringList values;
        for (int c = 0; c < names.size(); ++c)
            values << rows->value(c).toString();
        out << values;
    }
    return out;
}

void DataReport1::setUpPage(QPrinter* printer)
{
    printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                       QMarginsF(25.4, 25.4, 25.4, 25.4), QPageLayout::Millimeter));
}

int DataReport1::render(QPrinter* printer, const QVector<QStringList>& rows)
{
    QPainter p(printer);
    if (!p.isActive())
        return 0;
    const QRectF area = printer->pageLayout().paintRectPixels(printer->resolution());
    const double px = printer->resolution() / 1440.0;
    const int pageTwips = int(area.height() / px);
    const auto pages = ReportLayout::paginate(int(rows.size()), pageTwips);

    QFont title(QStringLiteral("Noto Sans CJK SC"));
    title.setStyleHint(QFont::SansSerif);
    title.setPointSizeF(21.75);
    title.setBold(true);
    const QFont body = songti();
    auto box = [px](double left, double top, double width, double height) {
        return QRectF(left * px, top * px, width * px, height * px);
    };
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

    for (int n = 0; n < pages.size(); ++n) {
        if (n > 0)
            printer->newPage();
        const ReportLayout::Page& page = pages[n];
        double y = 0;
        if (page.reportHeader) {
            p.setFont(title);
            p.drawText(box(kTitleLeft, y, kTitleWidth, ReportLayout::kReportHeader), Qt::AlignCenter,
                       QStringLiteral("学 生 信 息 表"));
            y += ReportLayout::kReportHeader;
        }
        p.setFont(body);
        for (const ReportColumn& c : kColumns)
            p.drawText(box(c.left, y, c.labelWidth, kRowHeight), flags, QString::fromUtf8(c.label));
        y += ReportLayout::kPageHeader;
        for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r) {
            const QStringList& values = rows[r];
            for (int c = 0; c < int(std::size(kColumns)); ++c) {
                const QRectF field = box(kColumns[c].left, y, kColumns[c].fieldWidth, kRowHeight);
                p.save();
                p.setClipRect(field);
                p.drawText(field, flags, values.value(c));
                p.restore();
            }
            y += ReportLayout::kDetail;
        }
    }
    return int(pages.size());
}

bool DataReport1::exportPdf(const QString& path, const QVector<QStringList>& rows, int* pages)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setDocName(QStringLiteral("学生信息表"));
    printer.setCreator(QStringLiteral("Velmora"));
    setUpPage(&printer);
    const int n = render(&printer, rows);
    if (pages)
        *pages = n;
    return n > 0;
}

void DataReport1::exportAsked()
{
    const QString path = FileDialogs::saveFileName(this, QStringLiteral("学生信息表.pdf"), QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (exportPdf(path, m_rows))
        MessageService::info(QStringLiteral("已导出到 ") + path);
    else
        MessageService::info(QStringLiteral("不能写入文件 ") + path + QStringLiteral("，报表没有导出！"));
}

} // namespace velmora
