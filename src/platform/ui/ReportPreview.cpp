#include "platform/ui/ReportPreview.h"

#include "app/MessageService.h"
#include "platform/ui/FileDialogs.h"

#include <QAction>
#include <QPrinter>
#include <QToolBar>

namespace velmora {

ReportPreview::ReportPreview(
    const QString& title, const QPageLayout& layout, PrintOut::Painter paint, int items, QWidget* parent)
    : QPrintPreviewDialog(parent)
    , m_title(title)
    , m_paint(std::move(paint))
    , m_items(items)
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    printer()->setPageLayout(layout);
    printer()->setDocName(title);
    // The dialog closes as accepted once it has printed.
    connect(this, &QDialog::accepted, this, &ReportPreview::delivered);
    connect(this, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) {
        ProgressBox box(this, QStringLiteral("正在排版…"), m_items);
        m_paint(printer, box.progress());
    });
    QAction* pdf = addButton("ExportPdf", QStringLiteral("导出PDF"), QStringLiteral("把整个报表保存为一个 PDF 文件"));
    connect(pdf, &QAction::triggered, this, &ReportPreview::exportPdf);
    resize(1000, 760);
}

QAction* ReportPreview::addButton(const char* name, const QString& caption, const QString& tip)
{
    auto* bar = findChild<QToolBar*>();
    QAction* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(tip);
    if (bar) {
        if (!bar->property("velmoraExtras").toBool()) {
            bar->addSeparator();
            bar->setProperty("velmoraExtras", true);
        }
        bar->addAction(a);
    }
    return a;
}

QPageLayout ReportPreview::pageLayout()
{
    return printer()->pageLayout();
}

void ReportPreview::exportPdf()
{
    const QString path = FileDialogs::saveFileName(
        this, FileDialogs::Kind::Export, m_title + QStringLiteral(".pdf"), QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    PrintOut::Outcome outcome = PrintOut::Outcome::Failed;
    {
        // Gone before the word on how it went.
        ProgressBox box(this, QStringLiteral("正在导出 PDF…"), m_items);
        outcome = PrintOut::writePdf(path, pageLayout(), m_title, m_paint, box.progress());
    }
    switch (outcome) {
    case PrintOut::Outcome::Written:
        MessageService::info(QStringLiteral("已导出到 ") + path);
        Q_EMIT delivered();
        break;
    case PrintOut::Outcome::Stopped:
        MessageService::info(QStringLiteral("已取消，没有导出。"));
        break;
    case PrintOut::Outcome::Failed:
        MessageService::info(
            QStringLiteral("不能写入文件 ") + path + QStringLiteral("（磁盘可能已满或没有写入权限），报表没有导出！"));
        break;
    }
}

} // namespace velmora
