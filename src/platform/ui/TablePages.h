#pragma once

#include "platform/ui/PrintOut.h"

#include <QList>
#include <QStringList>
#include <QVector>

class QPagedPaintDevice;

namespace velmora::TablePages {

struct Table
{
    QStringList headers;
    QList<QStringList> rows;
};

// A title, lines of notes under it, then each table down the pages: a
// column as wide as its widest value (a heading wraps to two lines), the
// type made smaller when a table is wider than the page, and the headings
// again above the rest of a table a page break cuts. Returns the pages.
int paint(QPagedPaintDevice* device, const QString& title, const QStringList& notes, const QVector<Table>& tables,
    const PrintOut::Progress& progress = {});

} // namespace velmora::TablePages
