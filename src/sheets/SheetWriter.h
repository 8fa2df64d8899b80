#pragma once

#include "data/Error.h"
#include "sheets/SheetTable.h"

namespace velmora::SheetWriter {

enum class Format { Xlsx, Csv };
// By the name's ending: .csv, else an Excel workbook.
Format formatFor(const QString& path);

// A workbook with a worksheet per table, named by its title: the header row
// bold and frozen in view, numbers as number cells, columns as wide as their
// text (a Chinese character counts two).
Status writeXlsx(const QString& path, const QVector<SheetTable>& sheets);
// UTF-8 with a byte order mark, so that Excel reads the Chinese right; commas,
// quotes as RFC 4180 has them, CRLF line ends.
Status writeCsv(const QString& path, const SheetTable& sheet);
// Either, by the name's ending; a CSV file holds the first table only.
Status write(const QString& path, const QVector<SheetTable>& sheets);

QByteArray csvText(const SheetTable& sheet);
// A worksheet name Excel takes: no []:*?/\, at most 31 characters, none
// of `taken` (compared as Excel does, ignoring case).
QString sheetName(const QString& title, const QStringList& taken);
// The width of a text in Excel's column units.
int displayWidth(const QString& text);

} // namespace velmora::SheetWriter
