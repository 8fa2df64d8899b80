#include "exams/ui/TestFill.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "comments/ui/Comment.h"
#include "data/Schema.h"
#include "exams/Points.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/TestLocks.h"
#include "exams/ui/TestFields.h"
#include "history/ui/ScoreHistoryView.h"
#include "platform/ui/WindowRequests.h"
#include "students/StudentRecord.h"
#include "students/ui/StudentInfo.h"
#include "ui_TestFill.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace velmora {

namespace {
const QString kNone = QStringLiteral("无");

} // namespace

TestFill::TestFill(Module1& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_session(session)
    , m_ui(std::make_unique<Ui::TestFill>())
    , Label(15, nullptr)
    , Text(15, nullptr)
    , lblMark(15, nullptr)
    , labelDuty(5, nullptr)
    , txtDuty(5, nullptr)
{
    m_ui->setupUi(this);
    m_fields = { m_ui->txtNumber, m_ui->txtName, m_ui->txtType, m_ui->txtDate };
    // The captions come from the fixed lists of subjects and attendance items.
    const QStringList subjects = Schema::subjects();
    for (int i = 0; i <= 14; ++i) {
        Text[i] = findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i));
        Label[i] = findChild<QLabel*>(QStringLiteral("Label%1").arg(i));
        if (i == 0)
            continue;
        Label[i]->setText(subjects[i - 1]);
        Text[i]->setText(kNone);
        Text[i]->installEventFilter(this);
        lblMark[i] = findChild<QLabel*>(QStringLiteral("lblMark%1").arg(i));
        lblMark[i]->setMinimumWidth(lblMark[i]->fontMetrics().horizontalAdvance(QStringLiteral("缺考")));
    }
    for (int d = 0; d < 5; ++d) {
        txtDuty[d] = findChild<QLineEdit*>(QStringLiteral("txtDuty%1").arg(d));
        txtDuty[d]->setText(kNone);
        labelDuty[d] = findChild<QLabel*>(QStringLiteral("labelDuty%1").arg(d));
        labelDuty[d]->setText(Schema::attendanceItems()[d]);
    }
    m_ui->txtTeacher->setPlainText(kNone);

    connect(m_ui->BN_First, &QPushButton::clicked, this, &TestFill::first);
    connect(m_ui->BN_Previous, &QPushButton::clicked, this, &TestFill::previous);
    connect(m_ui->BN_Next, &QPushButton::clicked, this, &TestFill::next);
    connect(m_ui->BN_Last, &QPushButton::clicked, this, &TestFill::last);
    connect(m_ui->BN_Save, &QPushButton::clicked, this, [this] {
        if (save())
            MessageService::info(QStringLiteral("保存完毕！"));
    });
    // 返回 leaves without asking, as it always has; Esc and the close box ask.
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { QDialog::done(QDialog::Rejected); });
    connect(m_ui->Command2, &QPushButton::clicked, this, &TestFill::showStudent);
    connect(m_ui->BN_Grid, &QPushButton::clicked, this, &TestFill::toGrid);
    connect(m_ui->BN_History, &QPushButton::clicked, this, &TestFill::showHistory);
    connect(m_ui->BN_Comment, &QPushButton::clicked, this, &TestFill::openComment);
}

TestFill::~TestFill() = default;

void TestFill::focusFirstScore()
{
    for (int i = 1; i <= 14; ++i) {
        if (Text[i]->isEnabled() && !Text[i]->isReadOnly()) {
            Text[i]->setFocus(Qt::OtherFocusReason);
            Text[i]->selectAll();
            return;
        }
    }
}

bool TestFill::hasUnsavedChanges() const
{
    if (!hasRows())
        return false;
    const ScoreEntry now = entry();
    for (int i = 0; i < 14; ++i) {
        if (Text[i + 1]->isEnabled() && now.subjects[i] != m_shown.subjects[i])
            return true;
    }
    for (int d = 0; d < 5; ++d) {
        if (txtDuty[d]->isEnabled() && now.duties[d] != m_shown.duties[d])
            return true;
    }
    return m_ui->txtTeacher->isEnabled() && now.comment != m_shown.comment;
}

void TestFill::reject()
{
    if (hasUnsavedChanges() && !ChildWindow::mayDropUnsaved([this] { return save(); }))
        return;
    QDialog::reject();
}

bool TestFill::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            // After the click that gave the focus has placed the cursor.
            QTimer::singleShot(0, box, [box] { box->selectAll(); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TestFill::load()
{
    m_ui->txtNumber->setText(m_session.SelNo());
    const std::optional<TestRecord> test = selectedTest(m_session);
    if (!test)
        return;
    m_test = *test;
    m_number = m_test.number;
    m_fields.show(m_test);
    m_ui->txtTable->setText(QStringLiteral("表 TblScore") + m_ui->txtNumber->text());
    auto rows = Scores::rows(m_session.Conn(), m_number);
    if (!rows) {
        MessageService::error(rows.error(), ErrorWording::Restart);
        return;
    }
    m_rows = *rows;
    const Status open = TestLocks::guard(m_session.Conn(), m_number);
    m_lockedWhy = open ? QString() : open.error().description;
    m_rights = UserRights::current();
    if (!m_lockedWhy.isEmpty() || m_rights.limited()) {
        m_ui->lblReadOnly->setText(m_lockedWhy.isEmpty() ? QStringLiteral("灰色的格只能查看：") + m_rights.refusal()
                                                         : m_lockedWhy + QStringLiteral("本窗口只能查看。"));
        m_ui->lblReadOnly->show();
    }
    if (auto names = Students::names(m_session.Conn()))
        m_names = *names;
    if (!hasRows()) {
        MessageService::info(QStringLiteral("这次考试还没有学生的成绩记录（定义考试时还没有学生），不能录入成绩！"));
        return;
    }
    m_rows.moveFirst();
    RefreshForm();
    // What may be changed is the test's and the user's, the same for every student.
    showWritable();
    focusFirstScore();
}

void TestFill::RefreshForm()
{
    if (!hasRows())
        return;
    Text[0]->setText(m_rows.value(u"学号").toString());
    m_ui->txtStudentName->setText(m_names.value(Text[0]->text().trimmed()));
    auto marks = ScoreMarks::ofStudent(m_session.Conn(), m_number, Text[0]->text());
    if (!marks)
        MessageService::error(marks.error(), ErrorWording::Restart);
    for (int i = 1; i <= 14; ++i) {
        const bool used = m_test.items.hasSubject(i - 1);
        Text[i]->setEnabled(used);
        if (used)
            Text[i]->setText(Points::storedText(m_rows.value(Label[i]->text())));
        // A score typed over a mark is what counts; the mark is shown only under an empty box.
        m_marks[i - 1] = used && marks && Text[i]->text().isEmpty() ? marks->value(Label[i]->text()) : QString();
        lblMark[i]->setText(m_marks[i - 1]);
        lblMark[i]->setToolTip(m_marks[i - 1].isEmpty() ? QString() : QStringLiteral("输入分数即取代这个标记"));
    }
    for (int d = 0; d < 5; ++d) {
        txtDuty[d]->setEnabled(m_test.items.attendance);
        if (m_test.items.attendance)
            txtDuty[d]->setText(m_rows.text(Schema::attendanceItems()[d]));
    }
    m_ui->txtTeacher->setEnabled(m_test.items.comment);
    if (m_test.items.comment)
        m_ui->txtTeacher->setPlainText(m_rows.text(u"教师评语"));
    m_shown = entry();
}

bool TestFill::mayChange(const QString& column) const
{
    return m_lockedWhy.isEmpty() && m_rights.mayChange(column);
}

// A box the user may not change shows its value grey, never typed in.
void TestFill::showWritable()
{
    const auto show = [](QWidget* box, bool writable) {
        if (auto* line = qobject_cast<QLineEdit*>(box))
            line->setReadOnly(!writable);
        else if (auto* text = qobject_cast<QPlainTextEdit*>(box))
            text->setReadOnly(!writable);
        box->setStyleSheet(writable ? QString() : QStringLiteral("background: #eeeeee"));
        // Tab passes over what cannot be typed in.
        box->setFocusPolicy(writable ? Qt::StrongFocus : Qt::ClickFocus);
    };
    bool any = false;
    for (int i = 1; i <= 14; ++i) {
        show(Text[i], mayChange(Label[i]->text()));
        any = any || (Text[i]->isEnabled() && !Text[i]->isReadOnly());
    }
    for (int d = 0; d < 5; ++d) {
        show(txtDuty[d], mayChange(Schema::attendanceItems()[d]));
        any = any || (txtDuty[d]->isEnabled() && !txtDuty[d]->isReadOnly());
    }
    show(m_ui->txtTeacher, mayChange(QStringLiteral("教师评语")));
    any = any || (m_ui->txtTeacher->isEnabled() && !m_ui->txtTeacher->isReadOnly());
    m_ui->BN_Comment->setEnabled(m_ui->txtTeacher->isEnabled() && !m_ui->txtTeacher->isReadOnly());
    m_ui->BN_Save->setEnabled(any);
}

ScoreEntry TestFill::entry() const
{
    ScoreEntry e;
    e.student = Text[0]->text();
    for (int i = 1; i <= 14; ++i)
        e.subjects[i - 1] = Text[i]->text();
    e.marks = m_marks;
    for (int d = 0; d < 5; ++d)
        e.duties[d] = txtDuty[d]->text();
    e.comment = m_ui->txtTeacher->toPlainText();
    return e;
}

bool TestFill::save()
{
    if (!store())
        return false;
    // Saved even when the row cannot be read back; the message says why.
    if (reloadCurrent())
        RefreshForm();
    else
        m_shown = entry();
    focusFirstScore();
    return true;
}

bool TestFill::store()
{
    if (!hasRows())
        return false;
    const ScoreEntry e = entry();
    // A refused value writes nothing and leaves every typed value in its box.
    if (const QString problem = Scores::check(m_test.items, e); !problem.isEmpty()) {
        MessageService::info(problem);
        return false;
    }
    Status saved = Scores::save(m_session.Conn(), m_number, m_test.items, e, m_shown);
    if (!saved) {
        const Error& why = saved.error();
        MessageService::error(why, ErrorWording::Restart);
        return false;
    }
    return true;
}

bool TestFill::reloadCurrent()
{
    auto fresh = Scores::row(m_session.Conn(), m_number, m_rows.value(u"学号").toString());
    if (!fresh) {
        MessageService::error(fresh.error(), ErrorWording::Restart);
        return false;
    }
    // A row gone meanwhile keeps the values read when the window opened.
    if (fresh->recordCount() > 0 && fresh->fieldNames() == m_rows.fieldNames())
        m_rows.setRow(m_rows.position(), fresh->rows().first());
    return true;
}

bool TestFill::saveBeforeMoving()
{
    if (!hasRows())
        return false;
    // The move reads the next row; the saved one need not be read back.
    if (m_ui->Check->isChecked())
        return store();
    // Esc answers neither: no save, no move.
    return ChildWindow::mayDropUnsaved([this] { return store(); });
}

void TestFill::moveTo(int row)
{
    if (!saveBeforeMoving())
        return;
    const int from = m_rows.position();
    m_rows.move(qBound(0, row, m_rows.recordCount() - 1));
    // Another teacher may have entered this student meanwhile.
    if (!reloadCurrent()) {
        m_rows.move(from);
        return;
    }
    RefreshForm();
    focusFirstScore();
}

void TestFill::first()
{
    moveTo(0);
}

void TestFill::previous()
{
    moveTo(m_rows.position() - 1);
}

void TestFill::next()
{
    moveTo(m_rows.position() + 1);
}

void TestFill::last()
{
    moveTo(m_rows.recordCount() - 1);
}

void TestFill::showStudent()
{
    if (!hasRows())
        return;
    StudentInfo::openReadOnly(m_session, this, Text[0]->text());
}

void TestFill::showHistory()
{
    const QString student = m_rows.eof() || m_rows.bof() ? QString() : m_rows.value(u"学号").toString();
    ScoreHistoryView history(m_session, m_number, student, QString(), this);
    if (!history.fill())
        return;
    history.exec();
    // A value put back shows at once, unless typed values wait to be saved:
    // saving them then meets the change as another teacher's.
    if (history.changedScores() && !hasUnsavedChanges() && reloadCurrent())
        RefreshForm();
}

void TestFill::openComment()
{
    m_session.setSelNo(Text[0]->text().trimmed());
    Comment comment(m_session, this);
    connect(&comment, &Comment::submitted, m_ui->txtTeacher, &QPlainTextEdit::setPlainText);
    comment.load();
    comment.exec();
}

void TestFill::open(Module1& session, QWidget* parent, const QString& caption, const QString& topic, bool autoSave)
{
    TestFill fill(session, parent);
    fill.setWindowTitle(caption);
    fill.m_ui->Topic->setText(topic);
    fill.m_ui->Check->setEnabled(autoSave);
    fill.load();
    fill.exec();
}

void TestFill::toGrid()
{
    if (hasUnsavedChanges() && !ChildWindow::mayDropUnsaved([this] { return save(); }))
        return;
    const int number = m_number;
    QDialog::done(QDialog::Rejected);
    // Once this modal window has gone.
    QTimer::singleShot(0, &WindowRequests::instance(), [from = QPointer<QWidget>(parentWidget()), number] {
        Q_EMIT WindowRequests::instance().gridRequested(from, number);
    });
}

} // namespace velmora
