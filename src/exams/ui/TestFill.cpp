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
#include "platform/ui/Controls.h"
#include "platform/ui/WindowRequests.h"
#include "students/StudentRecord.h"
#include "students/ui/StudentInfo.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace velmora {

namespace {
const QString kNone = QStringLiteral("无");

} // namespace

TestFill::TestFill(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , Label(15, nullptr)
    , Text(15, nullptr)
    , lblMark(15, nullptr)
    , labelDuty(5, nullptr)
    , txtDuty(5, nullptr)
{
    setObjectName(QStringLiteral("TestFill"));
    setWindowTitle(QStringLiteral("考试成绩录入"));

    Topic = Controls::title(this, "Topic", QStringLiteral("考试成绩录入"));

    auto* Frame3 = new QGroupBox(QStringLiteral("考试信息"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    m_fields = TestFields::make(Frame3);
    Frame3->setLayout(m_fields.layout);
    txtNumber = m_fields.number;
    txtName = m_fields.name;
    txtType = m_fields.type;
    txtDate = m_fields.date;
    txtTable = Controls::lockedEdit(this, "txtTable");
    txtTable->hide();

    auto* Frame4 = new QGroupBox(QStringLiteral("学生成绩表"), this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    auto* scores = new QGridLayout(Frame4);
    QStringList captions { QStringLiteral("学号") };
    captions << Schema::subjects();
    for (int i = 0; i <= 14; ++i) {
        Text[i] = Controls::edit(Frame4, "");
        Text[i]->setObjectName(QStringLiteral("Text%1").arg(i));
        Label[i] = Controls::label(Frame4, "", captions[i], Text[i]);
        Label[i]->setObjectName(QStringLiteral("Label%1").arg(i));
        if (i == 0) {
            Text[0]->setReadOnly(true);
            Text[0]->setFocusPolicy(Qt::ClickFocus);
            txtStudentName = Controls::lockedEdit(Frame4, "txtStudentName");
            txtStudentName->setFocusPolicy(Qt::ClickFocus);
            txtStudentName->setAccessibleName(QStringLiteral("姓名"));
            scores->addWidget(Label[0], 0, 0);
            scores->addWidget(Text[0], 0, 1);
            scores->addWidget(txtStudentName, 0, 2, 1, 2);
            continue;
        }
        Text[i]->setText(kNone);
        Text[i]->setMaxLength(5); // 112.5
        Text[i]->setFixedWidth(64);
        Text[i]->installEventFilter(this);
        lblMark[i] = new QLabel(Frame4);
        lblMark[i]->setObjectName(QStringLiteral("lblMark%1").arg(i));
        lblMark[i]->setStyleSheet(QStringLiteral("color: gray"));
        lblMark[i]->setMinimumWidth(lblMark[i]->fontMetrics().horizontalAdvance(QStringLiteral("缺考")));
        auto* box = new QHBoxLayout;
        box->addWidget(Text[i]);
        box->addWidget(lblMark[i]);
        const int row = (i + 1) / 2, col = ((i - 1) % 2) * 2;
        scores->addWidget(Label[i], row, col);
        scores->addLayout(box, row, col + 1);
    }

    Check = new QCheckBox(QStringLiteral("自动保存（点击下面四个按钮，将自动保存）"), this);
    Check->setObjectName(QStringLiteral("Check"));
    Check->setToolTip(QStringLiteral("谨慎使用，点击下面四个按钮，自动保存，可数据将无法还原"));
    Command2 = Controls::button(this, "Command2", QStringLiteral("查看该学生资料(&D)"));

    auto* Frame1 = new QGroupBox(QStringLiteral("出勤率"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* duties = new QGridLayout(Frame1);
    for (int d = 0; d < 5; ++d) {
        txtDuty[d] = Controls::edit(Frame1, "");
        txtDuty[d]->setObjectName(QStringLiteral("txtDuty%1").arg(d));
        txtDuty[d]->setText(kNone);
        txtDuty[d]->setMaxLength(3);
        txtDuty[d]->setFixedWidth(56);
        // The caption reads "病假 ___ 天": the box stands in the gap.
        const QString item = Schema::attendanceItems()[d];
        labelDuty[d] = Controls::label(Frame1, "", item, txtDuty[d]);
        labelDuty[d]->setObjectName(QStringLiteral("labelDuty%1").arg(d));
        duties->addWidget(labelDuty[d], d, 0);
        duties->addWidget(txtDuty[d], d, 1);
        duties->addWidget(new QLabel(QStringLiteral("天"), Frame1), d, 2);
    }

    auto* Frame2 = new QGroupBox(QStringLiteral("教师评语"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    txtTeacher = new QPlainTextEdit(kNone, Frame2);
    txtTeacher->setObjectName(QStringLiteral("txtTeacher"));
    txtTeacher->setAccessibleName(QStringLiteral("教师评语"));
    txtTeacher->setTabChangesFocus(true);
    txtTeacher->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtTeacher->setToolTip(QStringLiteral("建议使用系统附带的《智能评语生成器》"));
    BN_Comment = Controls::button(Frame2, "BN_Comment", QStringLiteral("评语生成器(&C)"));
    auto* comment = new QVBoxLayout(Frame2);
    comment->addWidget(txtTeacher);
    comment->addWidget(BN_Comment, 0, Qt::AlignRight);

    BN_First = Controls::button(this, "BN_First", QStringLiteral("首页(&F)"));
    BN_Previous = Controls::button(this, "BN_Previous", QStringLiteral("上一个(&P)"));
    BN_Next = Controls::button(this, "BN_Next", QStringLiteral("下一个(&N)"));
    BN_Last = Controls::button(this, "BN_Last", QStringLiteral("末页(&L)"));
    BN_Save = Controls::button(this, "BN_Save", QStringLiteral("保存(&S)"));
    BN_Back = Controls::button(this, "BN_Back", QStringLiteral("返回(&B)"));
    BN_Grid = Controls::button(this, "BN_Grid", QStringLiteral("表格录入(&G)"));
    BN_History = Controls::button(this, "BN_History", QStringLiteral("修改记录(&J)"));

    lblReadOnly = new QLabel(this);
    lblReadOnly->setObjectName(QStringLiteral("lblReadOnly"));
    lblReadOnly->setStyleSheet(QStringLiteral("color: #b71c1c"));
    lblReadOnly->setWordWrap(true);
    lblReadOnly->hide();

    auto* left = new QVBoxLayout;
    left->addWidget(Frame4);
    left->addWidget(Check);
    left->addWidget(Command2, 0, Qt::AlignLeft);
    auto* right = new QVBoxLayout;
    right->addWidget(Frame1);
    right->addWidget(Frame2, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left);
    middle->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : { BN_First, BN_Previous, BN_Next, BN_Last, BN_Save, BN_History, BN_Grid, BN_Back })
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Topic);
    layout->addWidget(Frame3);
    layout->addLayout(middle);
    layout->addWidget(lblReadOnly);
    layout->addLayout(buttons);
    resize(760, 600);

    connect(BN_First, &QPushButton::clicked, this, &TestFill::first);
    connect(BN_Previous, &QPushButton::clicked, this, &TestFill::previous);
    connect(BN_Next, &QPushButton::clicked, this, &TestFill::next);
    connect(BN_Last, &QPushButton::clicked, this, &TestFill::last);
    connect(BN_Save, &QPushButton::clicked, this, [this] {
        if (save())
            MessageService::info(QStringLiteral("保存完毕！"));
    });
    // 返回 leaves without asking, as it always has; Esc and the close box ask.
    connect(BN_Back, &QPushButton::clicked, this, [this] { QDialog::done(QDialog::Rejected); });
    connect(Command2, &QPushButton::clicked, this, &TestFill::showStudent);
    connect(BN_Grid, &QPushButton::clicked, this, &TestFill::toGrid);
    connect(BN_History, &QPushButton::clicked, this, &TestFill::showHistory);
    connect(BN_Comment, &QPushButton::clicked, this, &TestFill::openComment);
    for (QLineEdit* box : { txtNumber, txtName, txtType, txtDate })
        box->setFocusPolicy(Qt::ClickFocus);
    setTabOrder();
}

void TestFill::setTabOrder()
{
    // As the screen reads: the scores, the attendance, the comment, then the buttons.
    QList<QWidget*> order;
    for (int i = 1; i <= 14; ++i)
        order << Text[i];
    for (QLineEdit* d : txtDuty)
        order << d;
    order << txtTeacher << BN_Comment << BN_First << BN_Previous << BN_Next << BN_Last << BN_Save << BN_History
          << BN_Grid << BN_Back << Check << Command2;
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

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
    return txtTeacher->isEnabled() && now.comment != m_shown.comment;
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
    txtNumber->setText(mod().SelNo);
    const std::optional<TestRecord> test = selectedTest();
    if (!test)
        return;
    m_test = *test;
    m_number = m_test.number;
    m_fields.show(m_test);
    txtTable->setText(QStringLiteral("表 TblScore") + txtNumber->text());
    auto rows = Scores::rows(mod().Conn, m_number);
    if (!rows) {
        MessageService::error(rows.error(), ErrorWording::Restart);
        return;
    }
    m_rows = *rows;
    const Status open = TestLocks::guard(mod().Conn, m_number);
    m_lockedWhy = open ? QString() : open.error().description;
    m_rights = UserRights::current();
    if (!m_lockedWhy.isEmpty() || m_rights.limited()) {
        lblReadOnly->setText(m_lockedWhy.isEmpty() ? QStringLiteral("灰色的格只能查看：") + m_rights.refusal()
                                                   : m_lockedWhy + QStringLiteral("本窗口只能查看。"));
        lblReadOnly->show();
    }
    if (auto names = Students::names(mod().Conn))
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
    txtStudentName->setText(m_names.value(Text[0]->text().trimmed()));
    auto marks = ScoreMarks::ofStudent(mod().Conn, m_number, Text[0]->text());
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
    txtTeacher->setEnabled(m_test.items.comment);
    if (m_test.items.comment)
        txtTeacher->setPlainText(m_rows.text(u"教师评语"));
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
    show(txtTeacher, mayChange(QStringLiteral("教师评语")));
    any = any || (txtTeacher->isEnabled() && !txtTeacher->isReadOnly());
    BN_Comment->setEnabled(txtTeacher->isEnabled() && !txtTeacher->isReadOnly());
    BN_Save->setEnabled(any);
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
    e.comment = txtTeacher->toPlainText();
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
    Status saved = Scores::save(mod().Conn, m_number, m_test.items, e, m_shown);
    if (!saved) {
        const Error& why = saved.error();
        MessageService::error(why, ErrorWording::Restart);
        return false;
    }
    return true;
}

bool TestFill::reloadCurrent()
{
    auto fresh = Scores::row(mod().Conn, m_number, m_rows.value(u"学号").toString());
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
    if (Check->isChecked())
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
    StudentInfo::openReadOnly(this, Text[0]->text());
}

void TestFill::showHistory()
{
    const QString student = m_rows.eof() || m_rows.bof() ? QString() : m_rows.value(u"学号").toString();
    ScoreHistoryView history(m_number, student, QString(), this);
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
    mod().SelNo = Text[0]->text().trimmed();
    Comment comment(this);
    connect(&comment, &Comment::submitted, txtTeacher, &QPlainTextEdit::setPlainText);
    comment.load();
    comment.exec();
}

void TestFill::open(QWidget* parent, const QString& caption, const QString& topic, bool autoSave)
{
    TestFill fill(parent);
    fill.setWindowTitle(caption);
    fill.Topic->setText(topic);
    fill.Check->setEnabled(autoSave);
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
