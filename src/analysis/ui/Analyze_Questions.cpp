#include "analysis/ui/Analyze_Questions.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "data/UserRights.h"
#include "exams/TestLocks.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChildWindow.h"
#include "students/StudentRecord.h"
#include "ui_Analyze_Questions.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <cmath>

namespace velmora {

namespace {
QString number(double v, int decimals = 1)
{
    return QString::number(v, 'f', decimals).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}
QString share(const std::optional<double>& v)
{
    return v ? QString::number(*v * 100, 'f', 1) + QLatin1Char('%') : QString();
}
} // namespace

Analyze_Questions::Analyze_Questions(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Analyze_Questions>())
{
    m_ui->setupUi(this);
    m_ui->Grid->setExportTitle(QStringLiteral("小题分析"));
    m_ui->Grid->setNumberColumns({ 1, 2, 3, 6 });
    m_ui->Grid->exportBy(m_ui->BN_Export);

    connect(m_ui->txtNumber, &QComboBox::currentIndexChanged, this, &Analyze_Questions::showTest);
    connect(m_ui->cmbSubject, &QComboBox::currentIndexChanged, this, &Analyze_Questions::showSubject);
    connect(m_ui->BN_FullMarks, &QPushButton::clicked, this, &Analyze_Questions::setFullMarks);
    connect(m_ui->txtFullMarks, &QLineEdit::returnPressed, this, &Analyze_Questions::setFullMarks);
    connect(m_ui->BN_Range, &QPushButton::clicked, this, &Analyze_Questions::setRange);
    connect(m_ui->txtEach, &QLineEdit::returnPressed, this, &Analyze_Questions::setRange);
    connect(m_ui->cmbQuestion, &QComboBox::currentIndexChanged, this, &Analyze_Questions::listStudents);
    connect(m_ui->txtAtMost, &QLineEdit::textChanged, this, &Analyze_Questions::listStudents);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

Analyze_Questions::~Analyze_Questions() = default;

bool Analyze_Questions::load()
{
    auto tests = Questions::tests(m_session.Conn());
    auto names = Students::names(m_session.Conn());
    if (!tests || !names) {
        MessageService::error(tests ? names.error() : tests.error());
        return false;
    }
    if (tests->isEmpty()) {
        MessageService::info(QStringLiteral("还没有小题得分。请在“表格录入成绩”中导入阅卷系统的成绩单（每题一列）。"));
        return false;
    }
    m_names = *names;
    const QSignalBlocker quiet(m_ui->txtNumber);
    m_ui->txtNumber->clear();
    for (int test : std::as_const(*tests)) {
        auto record = Exams::fetch(m_session.Conn(), test);
        const QString name = record && *record ? (*record)->name : QString();
        m_ui->txtNumber->addItem(QStringLiteral("%1 %2").arg(test).arg(name), test);
    }
    m_ui->txtNumber->setCurrentIndex(0);
    showTest();
    return true;
}

void Analyze_Questions::showTest()
{
    m_test = m_ui->txtNumber->currentData().toInt();
    auto questions = Questions::list(m_session.Conn(), m_test);
    auto marks = Questions::marks(m_session.Conn(), m_test);
    auto record = Exams::fetch(m_session.Conn(), m_test);
    if (!questions || !marks || !record) {
        MessageService::error(!questions ? questions.error() : !marks ? marks.error() : record.error());
        return;
    }
    m_all = *questions;
    m_marks = *marks;
    m_subjectFullMarks = *record ? (*record)->items.fullMarks : QVector<int>(14, TestItems::kDefaultFullMarks);
    // A question's full marks are the class's: not a limited user's, nor a locked test's.
    const bool open = !UserRights::current().limited() && TestLocks::guard(m_session.Conn(), m_test);
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_ui->txtFullMarks, m_ui->BN_FullMarks, m_ui->txtFrom, m_ui->txtTo, m_ui->txtEach, m_ui->BN_Range })
        w->setEnabled(open);
    const QString chosen = m_ui->cmbSubject->currentData().toString();
    const QSignalBlocker quiet(m_ui->cmbSubject);
    m_ui->cmbSubject->clear();
    for (const Questions::Question& q : std::as_const(m_all)) {
        const QString subject = Questions::subjectOf(q.number);
        if (m_ui->cmbSubject->findData(subject) < 0)
            m_ui->cmbSubject->addItem(subject.isEmpty() ? QStringLiteral("（未注明科目）") : subject, subject);
    }
    m_ui->cmbSubject->setCurrentIndex(qMax(0, m_ui->cmbSubject->findData(chosen)));
    showSubject();
}

void Analyze_Questions::showSubject()
{
    const QString subject = m_ui->cmbSubject->currentData().toString();
    m_questions.clear();
    for (const Questions::Question& q : std::as_const(m_all)) {
        if (Questions::subjectOf(q.number) == subject)
            m_questions << q;
    }
    m_ui->Grid->setHeaders({ QStringLiteral("题号"), QStringLiteral("满分"), QStringLiteral("人数"),
        QStringLiteral("平均分"), QStringLiteral("得分率"), QStringLiteral("难度"), QStringLiteral("区分度") });
    QList<QStringList> rows;
    for (const Questions::Figures& f : Questions::analyse(m_questions, m_marks)) {
        rows << QStringList { Questions::label(f.number),
            f.fullMarks > 0 ? number(f.fullMarks) : QStringLiteral("（未知）"), QString::number(f.students),
            f.average ? number(*f.average, 2) : QString(), share(f.rate),
            f.rate ? QString::number(*f.rate, 'f', 2) : QString(),
            f.discrimination ? QString::number(*f.discrimination, 'f', 2) : QString() };
    }
    m_ui->Grid->setRows(rows);
    m_ui->Grid->fitColumns(200);

    // The questions' full marks against the subject's, with the difference named.
    QString check = QStringLiteral("还有小题没有满分：选中一题填写，或按题号范围一起设置。");
    const int index = int(Schema::subjects().indexOf(subject));
    for (const auto& [of, sum] : Questions::fullMarksBySubject(m_questions)) {
        const QString total = number(sum);
        if (index < 0)
            check = QStringLiteral("各小题满分合计 %1 分。").arg(total);
        else if (const double gap = m_subjectFullMarks.value(index) - sum; std::abs(gap) < 0.05)
            check = QStringLiteral("各小题满分合计 %1 分，与%2的满分相同。").arg(total, subject);
        else
            check = QStringLiteral("各小题满分合计 %1 分，比%2的满分 %3 分%4 %5 分，请核对。")
                        .arg(total, subject)
                        .arg(m_subjectFullMarks.value(index))
                        .arg(gap > 0 ? QStringLiteral("少") : QStringLiteral("多"), number(std::abs(gap)));
    }
    m_ui->lblCheck->setText(check);

    const QString chosen = m_ui->cmbQuestion->currentData().toString();
    const QSignalBlocker quiet(m_ui->cmbQuestion);
    m_ui->cmbQuestion->clear();
    for (const Questions::Question& q : std::as_const(m_questions))
        m_ui->cmbQuestion->addItem(Questions::label(q.number), q.number);
    m_ui->cmbQuestion->setCurrentIndex(qMax(0, m_ui->cmbQuestion->findData(chosen)));
    listStudents();
}

std::optional<double> Analyze_Questions::typedFullMarks(QLineEdit* edit)
{
    bool ok = false;
    const double marks = edit->text().trimmed().toDouble(&ok);
    if (ok && marks > 0 && marks <= 150)
        return marks;
    MessageService::info(QStringLiteral("满分应是0到150之间的数，请重新填写！"));
    edit->setFocus();
    return std::nullopt;
}

void Analyze_Questions::setFullMarks()
{
    const int row = m_ui->Grid->currentRow();
    if (row < 1 || row > m_questions.size()) {
        MessageService::info(QStringLiteral("请先在表中选择一道小题。"));
        return;
    }
    if (const auto marks = typedFullMarks(m_ui->txtFullMarks))
        keepFullMarks({ m_questions[row - 1].number }, *marks);
}

void Analyze_Questions::setRange()
{
    bool fromOk = false, toOk = false;
    const int from = m_ui->txtFrom->text().trimmed().toInt(&fromOk);
    const int to = m_ui->txtTo->text().trimmed().toInt(&toOk);
    if (!fromOk || !toOk || from < 1 || to < from) {
        MessageService::info(QStringLiteral("请填写题号范围，如从第1题到第12题。"));
        (fromOk && from >= 1 ? m_ui->txtTo : m_ui->txtFrom)->setFocus();
        return;
    }
    const auto marks = typedFullMarks(m_ui->txtEach);
    if (!marks)
        return;
    // Whole questions only: a sub-question's full marks are its own.
    QStringList numbers;
    for (const Questions::Question& q : std::as_const(m_questions)) {
        const int n = Questions::questionNumber(q.number);
        if (n >= from && n <= to && !q.number.endsWith(QLatin1Char(')')))
            numbers << q.number;
    }
    if (numbers.isEmpty()) {
        MessageService::info(QStringLiteral("第%1题到第%2题之间没有小题。").arg(from).arg(to));
        return;
    }
    keepFullMarks(numbers, *marks);
}

void Analyze_Questions::keepFullMarks(const QStringList& numbers, double marks)
{
    if (Status set = Questions::setFullMarks(m_session.Conn(), m_test, numbers, marks); !set) {
        MessageService::error(set.error());
        return;
    }
    showTest();
    for (int i = 0; i < m_questions.size(); ++i) {
        if (m_questions[i].number == numbers.first())
            m_ui->Grid->setCurrentRow(i + 1);
    }
}

void Analyze_Questions::listStudents()
{
    m_ui->lstStudents->clear();
    bool ok = false;
    const double limit = m_ui->txtAtMost->text().trimmed().toDouble(&ok);
    const QString question = m_ui->cmbQuestion->currentData().toString();
    if (!ok || question.isEmpty())
        return;
    for (const QString& student : Questions::atMost(m_marks, question, limit))
        m_ui->lstStudents->addItem(
            QStringLiteral("%1  %2  %3分").arg(student, m_names.value(student), number(m_marks[student][question], 2)));
}

} // namespace velmora
