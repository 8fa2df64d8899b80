#include "students/StudentGrid.h"

#include "platform/ChildWindow.h"
#include "platform/ResultGrid.h"
#include "students/StudentInfo.h"

namespace velmora::StudentGrid {

void fill(ResultGrid* grid, const QVector<StudentRecord>& students)
{
    grid->setHeaders(StudentRecord::columns());
    QList<QStringList> rows;
    rows.reserve(students.size());
    for (const StudentRecord& s : students)
        rows << s.values;
    grid->setRows(std::move(rows));
    grid->fitColumns(ChildWindow::fromTwips(grid, 3000));
}

void openCurrent(ResultGrid* grid, QWidget* parent)
{
    const int row = grid->currentRow();
    StudentInfo::openFromGrid(parent, row >= 1 ? grid->rowTexts(row) : QStringList());
}

} // namespace velmora::StudentGrid
