#pragma once

#include "platform/ui/ReportPreview.h"

#include <QStringList>
#include <QVector>

class QPagedPaintDevice;
class QPrinter;

namespace velmora {

class Database;
class Module1;

// 学生信息报表: every student, one line each, under the title 学 生 信 息 表,
// in a preview that pages, zooms, prints and exports a PDF.
class DataReport1 : public ReportPreview
{
    Q_OBJECT

public:
    // Reads the students now; a failure is reported and leaves the report empty.
    explicit DataReport1(Module1& session, QWidget* parent = nullptr);
    ~DataReport1() override;

    // The eleven printed columns of each student, as stored.
    static QVector<QStringList> readRows(Database& db, bool* ok);
    // Paints all pages; returns how many.
    static int render(QPagedPaintDevice* printer, const QVector<QStringList>& rows);
    // A4 landscape with one-inch margins.
    static void setUpPage(QPrinter* printer);
    static bool exportPdf(const QString& path, const QVector<QStringList>& rows, int* pages = nullptr);

    const QVector<QStringList>& rows() const { return m_rows; }
    // Reads the students again and lays the pages out anew.
    void refresh();

private:
    Module1& m_session;
    QVector<QStringList> m_rows;
};

} // namespace velmora
