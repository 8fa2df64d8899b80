#pragma once

#include <QStringList>
#include <QVariant>
#include <QVector>

namespace velmora {

// A table as a spreadsheet holds it: a header row, then rows whose cells are
// a number (an int or a double), a text, or nothing at all (a null QVariant:
// an empty score stays an empty cell, never 0).
// A cell holding a spreadsheet's error value (#N/A, #DIV/0!): neither a
// number nor empty, so that it never goes in as a score or clears one.
struct CellError
{
    QString code;
};

struct SheetTable
{
    QString title; // the worksheet's name
    QStringList headers;
    QVector<QVector<QVariant>> rows;
    // What reading it had to mend, for the teacher to check ("…个无法识别的字节…"); usually empty.
    QString note = {};
};

} // namespace velmora
