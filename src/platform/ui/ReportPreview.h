#pragma once

#include "platform/ui/PrintOut.h"
#include "platform/ui/ProgressBox.h"

#include <QPrintPreviewDialog>

namespace velmora {

// A report's preview: paging, zoom, page setup, printing, and PDF export.
class ReportPreview : public QPrintPreviewDialog
{
    Q_OBJECT

public:
    // `items` is how many cards or rows `paint` goes through, for the progress bar.
    ReportPreview(
        const QString& title, const QPageLayout& layout, PrintOut::Painter paint, int items, QWidget* parent = nullptr);

    // Another button on the toolbar.
    QAction* addButton(const char* name, const QString& caption, const QString& tip);
    // The whole report as one PDF, in a file the teacher names.
    void exportPdf();
    QPageLayout pageLayout();

Q_SIGNALS:
    // Printed, or written whole to a PDF.
    void delivered();

private:
    QString m_title;
    PrintOut::Painter m_paint;
    int m_items;
};

} // namespace velmora
