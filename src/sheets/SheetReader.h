#pragma once

#include "data/Error.h"
#include "sheets/SheetTable.h"

#include <QDate>
#include <optional>

namespace velmora::SheetReader {

// More rows than a class or a school year could have: refused with a message
// rather than read into memory.
inline constexpr int kMaxRows = 20000;
// More columns than any roster or marking system's export has.
inline constexpr int kMaxColumns = 1024;
// Rows times the width of each: what a sheet may hold in memory.
inline constexpr qint64 kMaxCells = 2'000'000;
// A workbook that unpacks to more than this is refused: a compressed bomb.
inline constexpr qint64 kMaxUnpackedBytes = 64LL * 1024 * 1024;

// The open-file dialog's filter for what read() takes.
inline const QString kOpenFilter = QStringLiteral("表格文件 (*.xlsx *.xls *.ods *.csv *.txt);;所有文件 (*)");

// Every visible worksheet of an .xlsx, .xls, .ods or .csv file (or Excel's
// tab-separated Unicode text), as found: the title is the
// worksheet's name, the headers are empty and the rows hold every row from
// the top, title rows included. A cell is a text, a number (double), a date
// (QDate) or nothing. A merged range holds its value in each of its cells.
// The format is told by the file's content, not its name.
Result<QVector<SheetTable>> read(const QString& path);

// An .xls is read by FreeXL, which a damaged file can crash; it is read in
// a process of its own (velmora-sheet-reader beside the program, limited in
// memory and time), so that a crash there costs a message, not the teacher's
// unsaved work. Tests name the helper; without one it is read here.
void setXlsHelper(const QString& program);
QString xlsHelper();
// The helper installed beside the program, when it is there.
void useXlsHelperBeside(const QString& programDir);
// What the helper does: the .xls read in this process.
Result<QVector<SheetTable>> readXlsHere(const QString& path);
// The sheets as the helper hands them back, and read again.
QByteArray encode(const QVector<SheetTable>& sheets);
std::optional<QVector<SheetTable>> decode(const QByteArray& bytes);

// UTF-8 with or without a byte order mark, UTF-16 with one, else GB18030
// (which Chinese Excel writes as "CSV"), detected without asking. A few
// bytes that are no UTF-8 in a file that otherwise is are replaced, and
// counted in `stray`.
QString decodeText(const QByteArray& bytes, int* stray = nullptr);
// Comma-separated rows as RFC 4180 has them: quotes, doubled quotes, line
// breaks inside quotes; ="003" is the text 003. A file with tabs and no
// commas is tab-separated.
QVector<QVector<QVariant>> parseCsv(const QString& text);

// A block copied from a spreadsheet: tab-separated rows, a cell holding a
// tab, line break or quote in quotes (as Excel, LibreOffice and the score grid copy).
QVector<QStringList> parseClipboard(const QString& text);

// The cell as a text: a whole number without ".0", a date as 2011-05-24,
// an error value as Excel shows it (#N/A).
QString cellText(const QVariant& cell);
// Why the cell holds no value one can take ("单元格是错误值 #N/A"), or empty.
QString cellProblem(const QVariant& cell);
// A date cell, a spreadsheet date number, or text written 2011-05-24,
// 2011/5/24, 2011.5.24, 2011年5月24日 or 20110524.
std::optional<QDate> toDate(const QVariant& cell);

} // namespace velmora::SheetReader
