#pragma once

#include "sheets/SheetTable.h"
#include "students/StudentImport.h"

#include <QDialog>
#include <QVector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace velmora {

// 导入学生信息: a roster from a spreadsheet, previewed row by row with each
// column's field changeable, the bad rows red with their reason.
class StudentImportDialog : public QDialog
{
    Q_OBJECT

public:
    // More columns than a roster has; a wider sheet is refused rather than shown.
    static constexpr int kMostColumns = 100;

    explicit StudentImportDialog(QWidget* parent = nullptr);

    // Asks for the file and reads it; false, having said why, when there is nothing to show.
    bool chooseFile();
    bool load(const QString& path);
    bool import();

private:
    // The combo of a column.
    QComboBox* fieldBox(int column) const;
    QLabel* lblFile;
    QComboBox* cmbSheet;
    QTableWidget* Grid; // row 0: a field combo per column; then the sheet's rows
    QLabel* lblClass;
    QComboBox* cmbClass; // shown when the sheet's 班级 column holds several classes
    QCheckBox* chkUpdate;
    QCheckBox* chkLacking;
    QLineEdit* txtPhotos;
    QPushButton* BN_Photos;
    QLabel* lblSummary;
    QPushButton* BN_Import;
    QPushButton* BN_Cancel;

    void showSheet(int index);
    // The class choice, shown when the 班级 column names several classes.
    void showClasses();
    void replan();

    QVector<SheetTable> m_sheets;
    StudentImport::Mapping m_mapping;
    QVector<StudentImport::Row> m_rows;
};

} // namespace velmora
