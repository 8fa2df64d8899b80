#pragma once

#include "exams/ui/CardPrint.h"
#include "reportbook/TermBook.h"

#include <QImage>

namespace velmora::BookPrint {

// Paints the given pages of the book (indexes into book.pages), each whole
// on an A4 page or an A5 half sheet, its type made smaller only as far as a
// long comment needs. Returns the pages painted, 0 on failure, -1 when stopped.
int paint(QPagedPaintDevice* device, const TermBook::Book& book, const QVector<int>& pages, CardPrint::Paper paper,
    const PrintOut::Progress& progress = {});

// One page as a picture, for one family.
QImage image(const TermBook::Book& book, int page);

} // namespace velmora::BookPrint
