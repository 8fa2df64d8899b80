#include "exams/ui/ScoreGrid.h"

#include "app/Module1.h"
#include "exams/ScoreSheet.h"
#include "platform/MessageService.h"
#include "platform/ui/Controls.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

namespace {
// Colours each cell by what it holds against what was read.
class CellColours : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::BackgroundRole)
            return QIdentityProxyModel::data(index, role);
        const QVariant state = QIdentityProxyModel::data(index, ScoreTable::StateRole);
        if (!state.isValid())
            return {};
        switch (ScoreTable::CellState(state.toInt())) {
        case ScoreTable::CellState::Refused:
            return QColor(255, 205, 210);
        case ScoreTable::CellState::Changed:
            return QColor(255, 249, 196);
        case ScoreTable::CellState::Stored:
            break;
        }
        return {};
    }
};
} // namespace

ScoreView::ScoreView(QWidget* parent)
    : QTableView(parent)
{
    setEditTriggers(
        QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(true);
}

void ScoreView::moveDown()
{
    const QModelIndex at = currentIndex();
    // The last row holds the figures, never a score.
    if (!at.isValid() || at.row() + 2 >= model()->rowCount())
        return;
    setCurrentIndex(model()->index(at.row() + 1, at.column()));
}

void ScoreView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const bool enter = hint == QAbstractItemDelegate::SubmitModelCache;
    QTableView::closeEditor(editor, enter ? QAbstractItemDelegate::NoHint : hint);
    if (enter)
        moveDown();
}

void ScoreView::keyPressEvent(QKeyEvent* event)
{
    if (state() != QAbstractItemView::EditingState) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            moveDown();
            return;
        }
        if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
            Q_EMIT clearRequested();
            return;
        }
        if (event->matches(QKeySequence::Paste)) {
            Q_EMIT pasteRequested();
            return;
        }
        if (event->key() == Qt::Key_D && event->modifiers() == Qt::ControlModifier) {
            Q_EMIT fillDownRequested();
            return;
        }
        if (event->matches(QKeySequence::Undo)) {
            Q_EMIT undoRequested();
            return;
        }
        if (event->matches(QKeySequence::Redo)
            || (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier)) {
            Q_EMIT redoRequested();
            return;
        }
        if (event->matches(QKeySequence::Find)) {
            Q_EMIT findRequested();
            return;
        }
        if (event->matches(QKeySequence::Save)) {
            Q_EMIT saveRequested();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

ScoreGrid::ScoreGrid(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ScoreGrid"));
    setWindowTitle(QStringLiteral("表格录入成绩"));
    Grid = new ScoreView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    auto* colours = new CellColours(this);
    colours->setSourceModel(&m_table);
    Grid->setModel(colours);
    Grid->horizontalHeader()->setDefaultSectionSize(72);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    BN_Save = Controls::button(this, "BN_Save", QStringLiteral("保存(&S)"));
    BN_Back = Controls::button(this, "BN_Back", QStringLiteral("返回(&R)"));
    auto* keys = new QLabel(
        QStringLiteral(
            "Enter 向下  Tab 向右  Delete 清空  Ctrl+V 粘贴  Ctrl+D 向下填充  Ctrl+Z 撤销  Ctrl+Y 重做  Ctrl+S 保存"),
        this);
    keys->setObjectName(QStringLiteral("lblKeys"));
    txtFind = Controls::edit(this, "txtFind", QString());
    txtFind->setPlaceholderText(QStringLiteral("学号或姓名，回车查找"));
    auto* top = new QHBoxLayout;
    top->addWidget(keys, 1);
    top->addWidget(Controls::label(this, "lblFind", QStringLiteral("查找学生(Ctrl+F)："), txtFind));
    top->addWidget(txtFind);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    bottom->addWidget(BN_Save);
    bottom->addWidget(BN_Back);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Grid, 1);
    layout->addLayout(bottom);
    ChildWindow::setDesignSize(this, { 12000, 7500 });

    connect(&m_table, &ScoreTable::changed, this, &ScoreGrid::showStatus);
    connect(Grid, &ScoreView::pasteRequested, this, &ScoreGrid::paste);
    connect(Grid, &ScoreView::clearRequested, this, [this] { m_table.clear(chosenCells()); });
    connect(Grid, &ScoreView::fillDownRequested, this, [this] { m_table.fillDown(chosenCells()); });
    connect(Grid, &ScoreView::undoRequested, this, [this] { m_table.undo(); });
    connect(Grid, &ScoreView::redoRequested, this, [this] { m_table.redo(); });
    connect(Grid, &ScoreView::saveRequested, this, &ScoreGrid::save);
    connect(Grid, &ScoreView::findRequested, this, [this] {
        txtFind->setFocus();
        txtFind->selectAll();
    });
    connect(txtFind, &QLineEdit::returnPressed, this, &ScoreGrid::find);
    connect(BN_Save, &QPushButton::clicked, this, &ScoreGrid::save);
    connect(BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

bool ScoreGrid::load()
{
    auto test = Exams::fetch(mod().Conn, mod().SelNo.trimmed().toInt());
    if (!test) {
        MessageService::info(test.error().restartMessage());
        return false;
    }
    if (!*test) {
        MessageService::info(QStringLiteral("考试号为%1的考试已不存在，请重新选择！").arg(mod().SelNo));
        return false;
    }
    // Students who joined after the test was defined have no row yet.
    auto missing = Scores::missingStudents(mod().Conn, (*test)->number);
    if (missing && *missing > 0 && mod().IsAdmin
        && MessageService::askYesNo(QStringLiteral("有 %1 名学生不在本次考试中，是否加入？").arg(*missing))) {
        if (Status added = Scores::addMissingStudents(mod().Conn, (*test)->number); !added)
            MessageService::info(added.error().unknownMessage());
    }
    if (Status loaded = m_table.load(mod().Conn, **test); !loaded) {
        MessageService::info(loaded.error().restartMessage());
        return false;
    }
    setWindowTitle(QStringLiteral("表格录入成绩 — 考试%1 %2").arg((*test)->number).arg((*test)->name));
    Grid->resizeRowToContents(m_table.students());
    Grid->setCurrentIndex(Grid->model()->index(0, 0));
    Grid->setFocus();
    return true;
}

QModelIndexList ScoreGrid::chosenCells() const
{
    // After a cell is typed the selection may be empty: the cell keys act on is the current one.
    QModelIndexList cells = Grid->selectionModel()->selectedIndexes();
    if (cells.isEmpty() && Grid->currentIndex().isValid())
        cells << Grid->currentIndex();
    return cells;
}

void ScoreGrid::showStatus()
{
    lblStatus->setText(m_table.status());
    Grid->resizeRowToContents(m_table.students());
}

bool ScoreGrid::save()
{
    Status saved = m_table.save(mod().Conn);
    if (!saved) {
        MessageService::info(saved.error().message());
        return false;
    }
    lblStatus->setText(QStringLiteral("保存完毕！") + m_table.status());
    return true;
}

void ScoreGrid::find()
{
    const QModelIndex at = Grid->currentIndex();
    const int row = m_table.find(txtFind->text(), at.isValid() ? at.row() : -1);
    if (row < 0) {
        lblStatus->setText(QStringLiteral("没有找到“%1”。").arg(txtFind->text().trimmed()) + m_table.status());
        return;
    }
    Grid->setCurrentIndex(Grid->model()->index(row, at.isValid() ? at.column() : 0));
    Grid->setFocus();
}

void ScoreGrid::paste()
{
    const QModelIndex at = Grid->currentIndex();
    if (!at.isValid())
        return;
    const QStringList refused = m_table.paste(at.row(), at.column(), QApplication::clipboard()->text());
    if (!refused.isEmpty())
        MessageService::info(QStringLiteral("有 %1 格没有粘贴：\r\n").arg(refused.size())
            + refused.mid(0, 10).join(QStringLiteral("\r\n"))
            + (refused.size() > 10 ? QStringLiteral("\r\n……") : QString()));
}

void ScoreGrid::closeEvent(QCloseEvent* event)
{
    if (hasUnsavedChanges() && !ChildWindow::mayDropUnsaved([this] { return save(); })) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace velmora
