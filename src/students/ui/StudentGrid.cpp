#include "students/ui/StudentGrid.h"

#include "platform/ui/ChildWindow.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentInfo.h"

namespace velmora::StudentGrid {

namespace {
constexpr char kKeys[] = "velmoraStoredKeys";
}

void fill(ResultGrid* grid, const QVector<StudentRecord>& students)
{
    grid->setHeaders(StudentRecord::columns());
    QList<QStringList> rows;
    QStringList keys;
    rows.reserve(students.size());
    for (const StudentRecord& s : students) {
        rows << s.values;
        keys << s.key;
    }
    grid->setRows(std::move(rows));
    // The grid shows numbers trimmed; the form writes to the row as stored.
    grid->setProperty(kKeys, keys);
    grid->fitColumns(ChildWindow::fromTwips(grid, 3000));
}

void openCurrent(Module1& session, ResultGrid* grid, QWidget* parent)
{
    const int row = grid->currentRow();
    const QStringList keys = grid->property(kKeys).toStringList();
    StudentInfo::openFromGrid(session, parent, row >= 1 ? grid->rowTexts(row) : QStringList(), keys.value(row - 1));
}

} // namespace velmora::StudentGrid
