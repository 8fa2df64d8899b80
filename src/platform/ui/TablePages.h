#pragma once

#include "platform/ui/PrintOut.h"
#include "sheets/SheetTable.h"

#include <QList>
#include <QPageLayout>
#include <QStringList>
#include <QVector>

class QPagedPaintDevice;
class QWidget;

namespace velmora::TablePages {

struct Table
{
    QStringList headers;
    QList<QStringList> rows;
};

enum class Fit {
    Width, // the type made smaller for a wide table only; a long one runs on
    OnePage, // and for a long one too, down to the smallest that reads
};

// A title, lines of notes under it, then each table down the pages: a
// column as wide as its widest value (a heading wraps to two lines), the
// type made smaller when a table is wider than the page, and the headings
// again above the rest of a table a page break cuts. Returns the pages.
int paint(QPagedPaintDevice* device, const QString& title, const QStringList& notes, const QVector<Table>& tables,
    const PrintOut::Progress& progress = {}, Fit fit = Fit::Width);

// A sheet as printed: its parts stand apart by a row of nothing, and each
// after the first heads itself; figures in tenths show their tenth.
QVector<Table> sections(const SheetTable& sheet);

// Opens the shared preview of the tables on A4, `caption` its title and the
// name a PDF is offered under.
void preview(QWidget* parent, const QString& caption, const QString& title, const QStringList& notes,
    const QVector<Table>& tables, QPageLayout::Orientation orientation, Fit fit = Fit::Width);

} // namespace velmora::TablePages
