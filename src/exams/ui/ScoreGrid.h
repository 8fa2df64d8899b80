#pragma once

#include "exams/ScoreTable.h"
#include "platform/ui/ChildWindow.h"

#include <QDialog>
#include <QIdentityProxyModel>
#include <QTableView>
#include <QWidget>
#include <memory>

namespace Ui {
class CommentEditor;
}

namespace Ui {
class ScoreGrid;
}

namespace velmora {

class Module1;

// Colours each cell by what it holds against what was read (ScoreTable::StateRole).
class CellColours : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override;
};

// The sheet's view: Enter moves down the column, typing replaces the cell.
class ScoreView : public QTableView
{
    Q_OBJECT

public:
    explicit ScoreView(QWidget* parent = nullptr);

Q_SIGNALS:
    void pasteRequested();
    void copyRequested(bool cut);
    void clearRequested();
    void fillDownRequested();
    void undoRequested();
    void redoRequested();
    void saveRequested();
    void findRequested();
    // F2 or a double-click on a cell that holds long text.
    void longTextRequested(const QModelIndex& at);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void moveDown();
    bool m_fromEditor = false;
};

// A teacher's comment on several lines, with the comment generator at hand.
class CommentEditor : public QDialog
{
    Q_OBJECT

public:
    CommentEditor(Module1& session, const QString& student, const QString& name, const QString& text, int maxChars,
        QWidget* parent);
    ~CommentEditor() override;

    QString text() const;
    void compose();

private:
    Module1& m_session;
    std::unique_ptr<Ui::CommentEditor> m_ui;

    void showCount();

    QString m_student;
    int m_max;
};

// 表格录入成绩: one test on one sheet, a row per student.
class ScoreGrid : public QWidget, public UnsavedWork
{
    Q_OBJECT

public:
    explicit ScoreGrid(Module1& session, QWidget* parent = nullptr);
    ~ScoreGrid() override;

    // The test in SelNo; false, having said why, when it cannot be shown.
    bool load();
    bool save();
    void paste();
    // Ctrl+F: to the next student by 学号 or a part of the name.
    void find();
    // 导入成绩: a spreadsheet's scores into the sheet, to be checked and saved.
    bool importFile();
    // The column header's menu: asks for a subject's new full marks.
    void editFullMarks(int column);
    // F2 or a double-click on a 教师评语 cell.
    void editComment(const QModelIndex& at);
    // 从考勤表填入: the attendance columns from the register over a span the teacher
    // chooses, shown in the grid to be checked and saved.
    bool fillFromRegister();
    // 修改记录 of the current cell, student or the whole test.
    void showHistory();
    ScoreTable& table() { return m_table; }

    bool hasUnsavedChanges() const override { return m_table.hasChanges(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::ScoreGrid> m_ui;

    void showStatus();
    QModelIndexList chosenCells() const;
    void copyCells(bool cut);
    // 设置满分 on a subject's heading; 标记为 and 清空 on its cells.
    void fullMarksMenu(const QPoint& at);
    void cellMenu(const QPoint& at);
    void showGrades(bool on);

    ScoreTable m_table;
};

} // namespace velmora
