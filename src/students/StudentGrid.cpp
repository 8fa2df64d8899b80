#include "students/StudentGrid.h"

#include "platform/ResultGrid.h"
#include "students/StudentInfo.h"

namespace velmora::StudentGrid {

void fill(ResultGrid* grid, const QVector<StudentRecord>& students)
{
    grid->setUpdatesEnabled(false);
    grid->setHeaders(StudentRecord::columns());
    for (const StudentRecord& s : students)
        grid->appendRow(s.values);
    grid->setUpdatesEnabled(true);
}

void openCurrent(ResultGrid* grid, QWidget* parent)
{
    const int row = grid->currentRow();
    StudentInfo::openFromGrid(parent, row >= 1 ? grid->rowTexts(row) : QStringList());
}

} // namespace velmora::StudentGrid
