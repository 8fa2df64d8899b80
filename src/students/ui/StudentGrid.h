#pragma once

#include "students/StudentRecord.h"

namespace velmora {

class Module1;
class ResultGrid;

namespace StudentGrid {

// The fifteen headers and one row per student, coloured from row 1.
void fill(ResultGrid* grid, const QVector<StudentRecord>& students);
// The record form for the grid's current row, read-only until 修改.
void openCurrent(Module1& session, ResultGrid* grid, QWidget* parent);

} // namespace StudentGrid
} // namespace velmora
