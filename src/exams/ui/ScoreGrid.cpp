#include "exams/ui/ScoreGrid.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Sharing.h"
#include "attendance/Attendance.h"
#include "attendance/SchoolCalendar.h"
#include "comments/ui/Comment.h"
#include "data/Schema.h"
#include "data/TextLimits.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/TestLocks.h"
#include "exams/ui/ScoreImportDialog.h"
#include "history/ui/ScoreHistoryView.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ResultGrid.h"
#include "sheets/SheetReader.h"
#include "ui_CommentEditor.h"
#include "ui_RegisterSpan.h"
#include "ui_ScoreGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QColor>
#include <QFileInfo>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <utility>

namespace velmora {

QVariant CellColours::data(const QModelIndex& index, int role) const
{
    if (role != Qt::BackgroundRole && role != Qt::ForegroundRole)
        return QIdentityProxyModel::data(index, role);
    const QVariant state = QIdentityProxyModel::data(index, ScoreTable::StateRole);
    if (!state.isValid())
        return {};
    // What a marking system stated is shown, grey, and never typed over.
    if (ScoreTable::CellState(state.toInt()) == ScoreTable::CellState::Imported)
        return role == Qt::BackgroundRole ? QColor(238, 238, 238) : QColor(Qt::darkGray);
    // A mark says why there is no score: grey, so no one reads it as one.
    if (role == Qt::ForegroundRole)
        return QIdentityProxyModel::data(index, ScoreTable::MarkRole).toBool() ? QVariant(QColor(Qt::gray))
                                                                               : QVariant();
    switch (ScoreTable::CellState(state.toInt())) {
    case ScoreTable::CellState::Refused:
        return QColor(255, 205, 210);
    case ScoreTable::CellState::Changed:
        return QColor(255, 249, 196);
    // Another subject's column, for a subject teacher: shown, never typed in.
    case ScoreTable::CellState::ReadOnly:
        return QColor(238, 238, 238);
    case ScoreTable::CellState::Stored:
    case ScoreTable::CellState::Imported:
        break;
    }
    return {};
}

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

// Focus passes to a cell's editor and back on every score typed; the base
// class repaints the whole sheet each time, which a keystroke cannot afford.
// The cells that change repaint themselves.
void ScoreView::focusInEvent(QFocusEvent* event)
{
    if (std::exchange(m_fromEditor, false)) {
        event->accept();
        return;
    }
    QTableView::focusInEvent(event);
}

void ScoreView::focusOutEvent(QFocusEvent* event)
{
    if (QWidget* to = QApplication::focusWidget(); to && viewport()->isAncestorOf(to)) {
        event->accept();
        return;
    }
    QTableView::focusOutEvent(event);
}

void ScoreView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const bool enter = hint == QAbstractItemDelegate::SubmitModelCache;
    m_fromEditor = editor && editor->hasFocus();
    QTableView::closeEditor(editor, enter ? QAbstractItemDelegate::NoHint : hint);
    if (!hasFocus())
        m_fromEditor = false;
    if (enter)
        moveDown();
}

bool ScoreView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool opened = trigger == QAbstractItemView::DoubleClicked || trigger == QAbstractItemView::EditKeyPressed;
    if (opened && index.isValid() && index.data(ScoreTable::LongTextRole).toBool()) {
        Q_EMIT longTextRequested(index);
        return false;
    }
    return QTableView::edit(index, trigger, event);
}

// Ctrl+X is the main window's 退出系统 everywhere else; on the sheet it is Cut.
bool ScoreView::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && state() != QAbstractItemView::EditingState) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Copy)) {
            event->accept();
            return true;
        }
    }
    return QTableView::event(event);
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
        if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
            Q_EMIT copyRequested(event->matches(QKeySequence::Cut));
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

// A word an input method commits at once (缺, 免) opens the cell's editor;
// the view alone would open it empty and drop the word.
void ScoreView::inputMethodEvent(QInputMethodEvent* event)
{
    if (state() != QAbstractItemView::EditingState && event->preeditString().isEmpty()
        && !event->commitString().isEmpty() && currentIndex().isValid()) {
        QTableView::edit(currentIndex(), QAbstractItemView::AnyKeyPressed, event);
        if (QWidget* editor = QApplication::focusWidget();
            editor && editor != this && viewport()->isAncestorOf(editor)) {
            QApplication::sendEvent(editor, event);
            return;
        }
    }
    QTableView::inputMethodEvent(event);
}

CommentEditor::CommentEditor(
    Module1& session, const QString& student, const QString& name, const QString& text, int maxChars, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::CommentEditor>())
    , m_student(student)
    , m_max(maxChars)
{
    m_ui->setupUi(this);
    setWindowTitle(windowTitle().arg(student, name));
    m_ui->txtComment->setPlainText(text);
    connect(m_ui->txtComment, &QPlainTextEdit::textChanged, this, &CommentEditor::showCount);
    connect(m_ui->BN_Compose, &QPushButton::clicked, this, &CommentEditor::compose);
    connect(m_ui->BN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    showCount();
    m_ui->txtComment->setFocus();
    m_ui->txtComment->moveCursor(QTextCursor::End);
}

CommentEditor::~CommentEditor() = default;

QString CommentEditor::text() const
{
    return m_ui->txtComment->toPlainText();
}

void CommentEditor::showCount()
{
    const int n = TextLimits::charCount(text());
    m_ui->lblCount->setText(QStringLiteral("%1/%2字").arg(n).arg(m_max));
    m_ui->lblCount->setStyleSheet(n > m_max ? QStringLiteral("color: #c62828") : QString());
}

void CommentEditor::compose()
{
    m_session.setSelNo(m_student);
    Comment composer(m_session, this);
    connect(&composer, &Comment::submitted, m_ui->txtComment, &QPlainTextEdit::setPlainText);
    composer.load();
    composer.exec();
}

ScoreGrid::ScoreGrid(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::ScoreGrid>())
{
    m_ui->setupUi(this);
    auto* colours = new CellColours(this);
    colours->setSourceModel(&m_table);
    m_ui->Grid->setModel(colours);
    m_ui->Grid->horizontalHeader()->setDefaultSectionSize(72);
    m_ui->Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_ui->Grid->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    ChildWindow::setDesignSize(this, { 15000, 9750 });

    connect(&m_table, &ScoreTable::changed, this, &ScoreGrid::showStatus);
    ScoreView* grid = m_ui->Grid;
    connect(grid, &ScoreView::pasteRequested, this, &ScoreGrid::paste);
    connect(grid, &ScoreView::clearRequested, this, [this] { m_table.clear(chosenCells()); });
    connect(grid, &ScoreView::copyRequested, this, &ScoreGrid::copyCells);
    connect(grid, &ScoreView::fillDownRequested, this, [this] { m_table.fillDown(chosenCells()); });
    connect(grid, &ScoreView::undoRequested, this, [this] { m_table.undo(); });
    connect(grid, &ScoreView::redoRequested, this, [this] { m_table.redo(); });
    connect(grid, &ScoreView::saveRequested, this, &ScoreGrid::save);
    connect(grid, &ScoreView::findRequested, this, [this] {
        m_ui->txtFind->setFocus();
        m_ui->txtFind->selectAll();
    });
    connect(grid, &ScoreView::longTextRequested, this, &ScoreGrid::editComment);
    connect(grid->horizontalHeader(), &QWidget::customContextMenuRequested, this, &ScoreGrid::fullMarksMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, &ScoreGrid::cellMenu);
    connect(m_ui->txtFind, &QLineEdit::returnPressed, this, &ScoreGrid::find);
    connect(m_ui->chkGrades, &QCheckBox::toggled, this, &ScoreGrid::showGrades);
    connect(m_ui->BN_Save, &QPushButton::clicked, this, &ScoreGrid::save);
    connect(m_ui->BN_Import, &QPushButton::clicked, this, &ScoreGrid::importFile);
    connect(m_ui->BN_FromRegister, &QPushButton::clicked, this, &ScoreGrid::fillFromRegister);
    connect(m_ui->BN_History, &QPushButton::clicked, this, &ScoreGrid::showHistory);
    connect(m_ui->BN_Export, &QPushButton::clicked, this, [this] {
        if (Sharing::mayShareClassList())
            ResultGrid::saveSheet(this, m_table.sheet());
    });
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

ScoreGrid::~ScoreGrid() = default;

void ScoreGrid::copyCells(bool cut)
{
    const QModelIndexList cells = chosenCells();
    QApplication::clipboard()->setText(m_table.copyText(cells));
    if (cut)
        m_table.clear(cells);
}

void ScoreGrid::fullMarksMenu(const QPoint& at)
{
    const int column = m_ui->Grid->horizontalHeader()->logicalIndexAt(at);
    if (column < 0 || m_table.column(column).kind != ScoreTable::Kind::Score)
        return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("设置满分（现为%1分）…").arg(m_table.column(column).max), this,
        [this, column] { editFullMarks(column); });
    menu.exec(m_ui->Grid->horizontalHeader()->mapToGlobal(at));
}

void ScoreGrid::cellMenu(const QPoint& at)
{
    const QModelIndex cell = m_ui->Grid->indexAt(at);
    if (!cell.isValid() || cell.row() >= m_table.students()
        || m_table.column(cell.column()).kind != ScoreTable::Kind::Score)
        return;
    QMenu menu(this);
    QMenu* marks = menu.addMenu(QStringLiteral("标记为…"));
    marks->setObjectName(QStringLiteral("mnuMark"));
    for (const QString& word : ScoreMarks::words())
        marks->addAction(word, this, [this, word] { m_table.mark(chosenCells(), word); });
    menu.addAction(QStringLiteral("清空(&D)"), this, [this] { m_table.clear(chosenCells()); });
    menu.exec(m_ui->Grid->viewport()->mapToGlobal(at));
}

void ScoreGrid::showGrades(bool on)
{
    auto bands = GradeBands::load(m_session.Conn());
    if (on && !bands)
        MessageService::error(bands.error());
    m_table.showGrades(on && bands ? std::optional<GradeBands>(*bands) : std::nullopt);
    m_ui->Grid->setFocus();
}

void ScoreGrid::showHistory()
{
    const QModelIndex at = m_ui->Grid->currentIndex();
    const bool onStudent = at.isValid() && at.row() < m_table.students();
    ScoreHistoryView history(m_session, m_table.test().number, onStudent ? m_table.key(at.row()) : QString(),
        onStudent ? m_table.column(at.column()).name : QString(), this);
    if (!history.fill())
        return;
    history.exec();
    // A value put back shows at once, unless typed values wait to be saved:
    // saving them then meets the change as another teacher's.
    if (history.changedScores() && !m_table.hasChanges()) {
        if (Status loaded = m_table.load(m_session.Conn(), m_table.test()); !loaded)
            MessageService::error(loaded.error(), ErrorWording::Restart);
        m_ui->Grid->setCurrentIndex(m_ui->Grid->model()->index(at.row(), at.column()));
    }
    m_ui->Grid->setFocus();
}

bool ScoreGrid::load()
{
    auto test = Exams::fetch(m_session.Conn(), m_session.SelNo().trimmed().toInt());
    if (!test) {
        MessageService::error(test.error(), ErrorWording::Restart);
        return false;
    }
    if (!*test) {
        MessageService::info(QStringLiteral("考试号为%1的考试已不存在，请重新选择！").arg(m_session.SelNo()));
        return false;
    }
    // Students who joined after the test was defined have no row yet.
    auto missing = Scores::missingStudents(m_session.Conn(), (*test)->number);
    if (missing && *missing > 0 && m_session.IsAdmin() && !UserRights::current().limited()
        && TestLocks::guard(m_session.Conn(), (*test)->number)
        && MessageService::askYesNo(QStringLiteral("有 %1 名学生不在本次考试中，是否加入？").arg(*missing))) {
        if (Status added = Scores::addMissingStudents(m_session.Conn(), (*test)->number); !added)
            MessageService::error(added.error());
    }
    if (Status loaded = m_table.load(m_session.Conn(), **test); !loaded) {
        MessageService::error(loaded.error(), ErrorWording::Restart);
        return false;
    }
    setWindowTitle(QStringLiteral("表格录入成绩 — 考试%1 %2").arg((*test)->number).arg((*test)->name));
    m_ui->BN_FromRegister->setVisible((*test)->items.attendance);
    // A comment, when the test records one, is the last column: it takes the room left.
    const int columns = m_table.itemColumns();
    const bool comment = columns > 0 && m_table.column(columns - 1).kind == ScoreTable::Kind::Comment;
    m_ui->Grid->horizontalHeader()->setStretchLastSection(comment && m_table.columnCount() == columns);
    // Before the grey columns of an export's facts, the comment keeps a reading width.
    if (comment && m_table.columnCount() > columns)
        m_ui->Grid->setColumnWidth(columns - 1, 320);
    m_ui->Grid->resizeRowToContents(m_table.students());
    m_ui->Grid->setCurrentIndex(m_ui->Grid->model()->index(0, 0));
    m_ui->Grid->setFocus();
    return true;
}

QModelIndexList ScoreGrid::chosenCells() const
{
    // After a cell is typed the selection may be empty: the cell keys act on is the current one.
    QModelIndexList cells = m_ui->Grid->selectionModel()->selectedIndexes();
    if (cells.isEmpty() && m_ui->Grid->currentIndex().isValid())
        cells << m_ui->Grid->currentIndex();
    return cells;
}

void ScoreGrid::showStatus()
{
    m_ui->lblStatus->setText(m_table.status());
}

bool ScoreGrid::save()
{
    Status saved = m_table.save(m_session.Conn());
    if (!saved) {
        MessageService::error(saved.error(), ErrorWording::Restart);
        return false;
    }
    m_ui->lblStatus->setText(QStringLiteral("保存完毕！") + m_table.status());
    return true;
}

void ScoreGrid::find()
{
    const QModelIndex at = m_ui->Grid->currentIndex();
    const int row = m_table.find(m_ui->txtFind->text(), at.isValid() ? at.row() : -1);
    if (row < 0) {
        m_ui->lblStatus->setText(
            QStringLiteral("没有找到“%1”。").arg(m_ui->txtFind->text().trimmed()) + m_table.status());
        return;
    }
    m_ui->Grid->setCurrentIndex(m_ui->Grid->model()->index(row, at.isValid() ? at.column() : 0));
    m_ui->Grid->setFocus();
}

bool ScoreGrid::importFile()
{
    // Refused before a file is chosen, not after the teacher has mapped it.
    if (Status open = TestLocks::guard(m_session.Conn(), m_table.test().number); !open) {
        MessageService::error(open.error());
        return false;
    }
    const QString path = FileDialogs::openFileName(this, FileDialogs::Kind::Import, SheetReader::kOpenFilter);
    if (path.isEmpty())
        return false;
    auto book = SheetReader::read(path);
    if (!book) {
        MessageService::error(book.error(), ErrorWording::Restart);
        return false;
    }
    // The sheets whose headers name this test's columns; the teacher picks when there are several.
    QVector<const SheetTable*> fitting;
    for (const SheetTable& sheet : std::as_const(*book)) {
        const ScoreTable::SheetImport would = m_table.importSheet(sheet, false);
        if (!would.columns.isEmpty() || !would.notAllowed.isEmpty())
            fitting << &sheet;
    }
    // None names this test's columns: those with 学号, 考号 or 姓名, for the teacher to map.
    for (const SheetTable& sheet : std::as_const(*book)) {
        if (fitting.isEmpty() && m_table.layoutOf(sheet).headerRow >= 0)
            fitting << &sheet;
    }
    if (fitting.size() > 1) {
        QStringList titles;
        for (const SheetTable* s : std::as_const(fitting))
            titles << s->title;
        QInputDialog ask(this);
        ask.setObjectName(QStringLiteral("SheetChoice"));
        ask.setWindowTitle(QStringLiteral("导入成绩"));
        ask.setLabelText(QStringLiteral("文件中有几个工作表，请选择要导入的一个："));
        ask.setComboBoxItems(titles);
        const bool chosen = ask.exec() == QDialog::Accepted;
        activateWindow();
        if (!chosen)
            return false;
        const SheetTable* pick = fitting[int(titles.indexOf(ask.textValue()))];
        fitting = { pick };
    }
    for (const SheetTable* found : std::as_const(fitting)) {
        const SheetTable& sheet = *found;
        // What each column fills and whose each row is, seen before anything is taken.
        ScoreImportDialog preview(sheet, m_table, this);
        const bool confirmed = preview.exec() == QDialog::Accepted;
        activateWindow();
        if (!confirmed)
            return false;
        const ScoreImport::Layout layout = preview.layout();
        if (Status kept = ScoreImport::remember(m_session.Conn(), preview.changedColumns()); !kept)
            MessageService::error(kept.error());
        // Blank cells keep what was entered unless the teacher says otherwise:
        // a column of formulas or one left empty must not wipe a class's scores.
        bool blankClears = false;
        if (const int blanks = m_table.importSheet(sheet, layout, false).blanks; blanks > 0) {
            Message ask { QStringLiteral("工作表“%1”中有 %2 格是空白的，而这些学生在表格里已有成绩。\r\n"
                                         "不勾选下面一项，这些成绩保持不变。继续导入吗？")
                              .arg(sheet.title)
                              .arg(blanks),
                QStringLiteral("导入成绩"), MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes,
                QStringLiteral("表中的空白格清空已有成绩(&E)"), &blankClears };
            if (MessageService::show(ask) != MsgAnswer::Yes)
                return false;
        }
        const ScoreTable::SheetImport in = m_table.importSheet(sheet, layout, true, blankClears);
        const QString notAllowed = in.notAllowed.isEmpty()
            ? QString()
            : QStringLiteral("%1 没有导入：%2").arg(in.notAllowed.join(QStringLiteral("、")), in.notAllowedWhy);
        if (in.columns.isEmpty()) {
            MessageService::info(notAllowed);
            return false;
        }
        const auto listed = [](const QStringList& lines) {
            return lines.mid(0, 10).join(QStringLiteral("\r\n"))
                + (lines.size() > 10 ? QStringLiteral("\r\n……") : QString());
        };
        QString text = QStringLiteral("已从工作表“%1”填入 %2 名学生的%3，还没有保存，请核对后保存。")
                           .arg(sheet.title)
                           .arg(in.matched)
                           .arg(in.columns.join(QStringLiteral("、")));
        if (!in.unmatched.isEmpty())
            text += QStringLiteral("\r\n有 %1 行没有填入：\r\n").arg(in.unmatched.size()) + listed(in.unmatched);
        if (!sheet.note.isEmpty())
            text += QStringLiteral("\r\n") + sheet.note;
        if (!notAllowed.isEmpty())
            text += QStringLiteral("\r\n") + notAllowed;
        if (in.otherClass > 0)
            text += in.otherClasses > 0
                ? QStringLiteral("\r\n其他班级 %1 行没有导入，只记下了 %2 个班各科的统计（平均分等，不含姓名和成绩），"
                                 "可在“年级对比”中查看。")
                      .arg(in.otherClass)
                      .arg(in.otherClasses)
                : QStringLiteral("\r\n其他班级 %1 行没有导入。").arg(in.otherClass);
        if (!in.refused.isEmpty())
            text += QStringLiteral("\r\n有 %1 格有误，没有填入：\r\n").arg(in.refused.size()) + listed(in.refused);
        if (!in.facts.isEmpty())
            text += QStringLiteral("\r\n成绩单中的%1也已导入（灰色列，只读，随成绩一起保存）。")
                        .arg(in.facts.join(QStringLiteral("、")));
        if (!in.totalsDiffer.isEmpty())
            text += QStringLiteral("\r\n成绩单上有 %1 名学生的总分与各科之和不符，表格显示各科之和：\r\n")
                        .arg(in.totalsDiffer.size())
                + listed(in.totalsDiffer);
        if (in.questions > 0)
            text += QStringLiteral("\r\n%1道小题的得分也已导入，保存后可在“小题分析”中查看。").arg(in.questions);
        if (!in.marked.isEmpty())
            text += QStringLiteral("\r\n有 %1 格是缺考等标记，已作为标记填入：\r\n").arg(in.marked.size())
                + listed(in.marked);
        if (const QStringList empty = m_table.notEntered(); !empty.isEmpty())
            text += QStringLiteral("\r\n还没有成绩的学生：\r\n") + empty.join(QStringLiteral("\r\n"));
        MessageService::info(text);
        m_ui->Grid->setFocus();
        return true;
    }
    MessageService::info(QStringLiteral("“%1”中没有找到学号或姓名和本次考试科目的表头，没有填入任何成绩。")
                             .arg(QFileInfo(path).fileName()));
    return false;
}

void ScoreGrid::editFullMarks(int column)
{
    const ScoreTable::Column& c = m_table.column(column);
    QInputDialog ask(this);
    ask.setObjectName(QStringLiteral("FullMarks"));
    ask.setWindowTitle(QStringLiteral("设置满分"));
    ask.setLabelText(QStringLiteral("%1的满分：").arg(c.name));
    ask.setInputMode(QInputDialog::IntInput);
    ask.setIntRange(1, TestItems::kMaxFullMarks);
    ask.setIntValue(c.max);
    const bool accepted = ask.exec() == QDialog::Accepted;
    // Typing goes on in the sheet, whatever was answered.
    activateWindow();
    m_ui->Grid->setFocus();
    if (!accepted || ask.intValue() == c.max)
        return;
    if (Status set = m_table.setFullMarks(m_session.Conn(), column, ask.intValue()); !set) {
        MessageService::error(set.error(), ErrorWording::Restart);
        return;
    }
    m_ui->lblStatus->setText(QStringLiteral("%1的满分已改为%2分。").arg(c.name).arg(ask.intValue()) + m_table.status());
}

void ScoreGrid::editComment(const QModelIndex& at)
{
    const int row = at.row(), column = at.column();
    CommentEditor editor(
        m_session, m_table.number(row), m_table.name(row), m_table.text(row, column), m_table.column(column).max, this);
    if (editor.exec() == QDialog::Accepted)
        m_table.edit({ { row, column, editor.text() } });
    m_ui->Grid->setCurrentIndex(m_ui->Grid->model()->index(row, column));
    activateWindow();
    m_ui->Grid->setFocus();
}

void ScoreGrid::paste()
{
    const QModelIndex at = m_ui->Grid->currentIndex();
    if (!at.isValid())
        return;
    const QStringList refused = m_table.paste(at.row(), at.column(), QApplication::clipboard()->text());
    if (!refused.isEmpty())
        MessageService::info(QStringLiteral("有 %1 格没有粘贴：\r\n").arg(refused.size())
            + refused.mid(0, 10).join(QStringLiteral("\r\n"))
            + (refused.size() > 10 ? QStringLiteral("\r\n……") : QString()));
}

bool ScoreGrid::fillFromRegister()
{
    QDialog span(this);
    Ui::RegisterSpan form;
    form.setupUi(&span);
    connect(form.BN_OK, &QPushButton::clicked, &span, &QDialog::accept);
    connect(form.BN_Cancel, &QPushButton::clicked, &span, &QDialog::reject);
    // The term of the test's day, else its month up to that day.
    const QDate day = QDate::fromString(m_table.test().date, Qt::ISODate).isValid()
        ? QDate::fromString(m_table.test().date, Qt::ISODate)
        : QDate::currentDate();
    auto term = SchoolCalendar::termOn(m_session.Conn(), day);
    form.txtFrom->setDate(term && *term ? (*term)->first : QDate(day.year(), day.month(), 1));
    form.txtTo->setDate(term && *term ? qMin((*term)->last, day) : day);
    if (span.exec() != QDialog::Accepted)
        return false;
    if (form.txtTo->date() < form.txtFrom->date()) {
        MessageService::info(QStringLiteral("结束日期不能早于开始日期。"));
        return false;
    }
    auto totals = Attendance::totals(m_session.Conn(), form.txtFrom->date(), form.txtTo->date());
    if (!totals) {
        MessageService::error(totals.error());
        return false;
    }
    QVector<ScoreTable::Cell> cells;
    for (int c = 0; c < m_table.itemColumns(); ++c) {
        const qsizetype item = Schema::attendanceItems().indexOf(m_table.column(c).name);
        if (m_table.column(c).kind != ScoreTable::Kind::Days || item < 0)
            continue;
        for (int r = 0; r < m_table.students(); ++r) {
            const auto found = totals->constFind(m_table.number(r).trimmed());
            if (found == totals->cend())
                continue;
            const Attendance::TestCounts n = Attendance::testCounts(*found);
            const int counts[] = { n.present, n.sick, n.truant, n.personal, n.lateOrEarly };
            cells.push_back({ r, c, QString::number(counts[item]) });
        }
    }
    m_table.edit(cells);
    m_ui->lblStatus->setText(QStringLiteral("已从考勤表填入，请核对后保存。") + m_table.status());
    return true;
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
