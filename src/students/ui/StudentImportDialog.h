#pragma once

#include "sheets/SheetTable.h"
#include "students/StudentImport.h"

#include <QDialog>
#include <QVector>
#include <memory>

class QComboBox;

namespace Ui {
class StudentImportDialog;
}

namespace velmora {

class Module1;

// 导入学生信息: a roster from a spreadsheet, previewed row by row with each
// column's field changeable, the bad rows red with their reason.
class StudentImportDialog : public QDialog
{
    Q_OBJECT

public:
    // More columns than a roster has; a wider sheet is refused rather than shown.
    static constexpr int kMostColumns = 100;

    explicit StudentImportDialog(Module1& session, QWidget* parent = nullptr);

    ~StudentImportDialog() override;

    // Asks for the file and reads it; false, having said why, when there is nothing to show.
    bool chooseFile();
    bool load(const QString& path);
    bool import();

private:
    Module1& m_session;
    std::unique_ptr<Ui::StudentImportDialog> m_ui;
    // The combo of a column: Grid's row 0 holds one per column, the sheet's rows follow.
    QComboBox* fieldBox(int column) const;

    void showSheet(int index);
    // The class choice, shown when the 班级 column names several classes.
    void showClasses();
    void replan();

    QVector<SheetTable> m_sheets;
    StudentImport::Mapping m_mapping;
    QVector<StudentImport::Row> m_rows;
};

} // namespace velmora
