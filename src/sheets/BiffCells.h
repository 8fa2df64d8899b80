#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>
#include <optional>

namespace velmora::BiffCells {

// A cell FreeXL leaves out of an .xls or misreads: a formula with the result
// the spreadsheet saved beside it (it reads none), or an error constant (it
// reads 1 or 0). The value is a double, a text, "TRUE"/"FALSE", a CellError,
// or null for a formula whose result is an empty text.
struct Cell
{
    int row = 0;
    int column = 0;
    QVariant value;
};

struct Sheet
{
    QString name;
    QVector<Cell> cells;
};

// Every sheet's such cells, in the workbook's order (BIFF5 and BIFF8 inside
// a compound document); nothing when the file cannot be walked, so that the
// caller refuses it rather than read formulas as empty.
std::optional<QVector<Sheet>> read(const QByteArray& file);

} // namespace velmora::BiffCells
