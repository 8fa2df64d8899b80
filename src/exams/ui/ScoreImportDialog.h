#pragma once

#include "exams/ScoreImport.h"
#include "sheets/SheetTable.h"

#include <QDialog>
#include <memory>

class QComboBox;

namespace Ui {
class ScoreImportDialog;
}

namespace velmora {

class ScoreTable;

// 导入成绩 previewed: what each column of the sheet fills (changeable, and
// remembered per header for the next file), and whose row each row is.
class ScoreImportDialog : public QDialog
{
    Q_OBJECT

public:
    // Rows shown; the import takes them all.
    static constexpr int kShownRows = 300;

    ScoreImportDialog(const SheetTable& sheet, const ScoreTable& table, QWidget* parent = nullptr);

    ~ScoreImportDialog() override;

    const ScoreImport::Layout& layout() const { return m_layout; }
    // The columns whose mapping the teacher changed: (header, code) each.
    QVector<std::pair<QString, QString>> changedColumns() const;

private:
    std::unique_ptr<Ui::ScoreImportDialog> m_ui;

    void fillPreview(const SheetTable& sheet, const ScoreTable& table);
    void replan();
    void choose(int column);
    void take(int column, const QString& code);

    const SheetTable& m_sheet;
    const ScoreTable& m_table;
    ScoreImport::Layout m_found;
    ScoreImport::Layout m_layout;
    QVector<QComboBox*> m_boxes; // per column of the sheet
};

} // namespace velmora
