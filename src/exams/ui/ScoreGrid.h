#pragma once

#include "exams/ScoreTable.h"
#include "platform/ui/ChildWindow.h"

#include <QTableView>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

// The sheet's view: Enter moves down the column, typing replaces the cell.
class ScoreView : public QTableView
{
    Q_OBJECT

public:
    explicit ScoreView(QWidget* parent = nullptr);

Q_SIGNALS:
    void pasteRequested();
    void clearRequested();
    void fillDownRequested();
    void undoRequested();
    void redoRequested();
    void saveRequested();
    void findRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void moveDown();
};

// 表格录入成绩: one test on one sheet, a row per student.
class ScoreGrid : public QWidget, public UnsavedWork
{
    Q_OBJECT

public:
    explicit ScoreGrid(QWidget* parent = nullptr);

    QLineEdit* txtFind;
    ScoreView* Grid;
    QLabel* lblStatus;
    QPushButton* BN_Save;
    QPushButton* BN_Back;

    // The test in SelNo; false, having said why, when it cannot be shown.
    bool load();
    bool save();
    void paste();
    // Ctrl+F: to the next student by 学号 or a part of the name.
    void find();
    ScoreTable& table() { return m_table; }

    bool hasUnsavedChanges() const override { return m_table.hasChanges(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showStatus();
    QModelIndexList chosenCells() const;

    ScoreTable m_table;
};

} // namespace velmora
