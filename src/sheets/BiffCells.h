#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>
#include <optional>

namespace velmora::BiffCells {

// A cell FreeXL leaves out of an .xls or misreads: a formula with the result
// the spreadsheet saved beside it (it reads none), an error constant (it
// reads 1 or 0), or a number shown with leading zeros (00401, as text). The value is a double, a text, "TRUE"/"FALSE",
// a CellError, or null for a formula whose result is an empty text.
struct Cell
{
    int row = 0;
    int column = 0;
    QVariant value;
};

struct Range
{
    int firstRow, lastRow, firstColumn, lastColumn;
};

struct Sheet
{
    QString name;
    QVector<Cell> cells;
    bool hidden = false; // hidden or very hidden: a teacher's workings, not offered
    QVector<Range> merged;
};

// Every sheet's such cells, in the workbook's order (BIFF5 and BIFF8 inside
// a compound document); nothing when the file cannot be walked, so that the
// caller refuses it rather than read formulas as empty.
std::optional<QVector<Sheet>> read(const QByteArray& file);

// A workbook with a password: an encrypted .xlsx inside a compound document,
// or an .xls whose records are encrypted.
bool encrypted(const QByteArray& file);

} // namespace velmora::BiffCells
