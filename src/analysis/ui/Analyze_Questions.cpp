#include "analysis/ui/Analyze_Questions.h"

#include "app/Module1.h"
#include "data/UserRights.h"
#include "exams/TestLocks.h"
#include "exams/TestRecord.h"
#include "platform/MessageService.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"
#include "students/StudentRecord.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

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

Analyze_Questions::Analyze_Questions(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Analyze_Questions"));
    setWindowTitle(QStringLiteral("小题分析"));
    txtNumber = new QComboBox(this);
    txtNumber->setObjectName(QStringLiteral("txtNumber"));
    Grid = new ResultGrid(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setExportTitle(QStringLiteral("小题分析"));
    Grid->setNumberColumns({ 1, 2, 3, 6 });
    txtFullMarks = Controls::edit(this, "txtFullMarks");
    BN_FullMarks = Controls::button(this, "BN_FullMarks", QStringLiteral("设为本题满分(&M)"));
    cmbQuestion = new QComboBox(this);
    cmbQuestion->setObjectName(QStringLiteral("cmbQuestion"));
    txtAtMost = Controls::edit(this, "txtAtMost", QStringLiteral("0"));
    lstStudents = new QListWidget(this);
    lstStudents->setObjectName(QStringLiteral("lstStudents"));
    BN_Back = Controls::button(this, "BN_Back", QStringLiteral("返回"));

    auto* top = new QHBoxLayout;
    top->addWidget(Controls::label(this, "lblTest", QStringLiteral("考试(&T)："), txtNumber));
    top->addWidget(txtNumber, 1);
    auto* full = new QHBoxLayout;
    full->addWidget(Controls::label(this, "lblFull", QStringLiteral("选中小题的满分(&F)："), txtFullMarks));
    full->addWidget(txtFullMarks);
    full->addWidget(BN_FullMarks);
    full->addStretch();
    full->addWidget(Grid->exportButton(this));
    auto* who = new QHBoxLayout;
    who->addWidget(Controls::label(this, "lblQuestion", QStringLiteral("第(&Q)"), cmbQuestion));
    who->addWidget(cmbQuestion);
    who->addWidget(Controls::label(this, "lblAtMost", QStringLiteral("题得分不超过(&X)"), txtAtMost));
    who->addWidget(txtAtMost);
    who->addWidget(new QLabel(QStringLiteral("分的学生："), this));
    who->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Grid, 2);
    layout->addLayout(full);
    layout->addLayout(who);
    layout->addWidget(lstStudents, 1);
    layout->addLayout(Controls::buttonRow({ BN_Back }));
    resize(760, 600);

    connect(txtNumber, &QComboBox::currentIndexChanged, this, &Analyze_Questions::showTest);
    connect(BN_FullMarks, &QPushButton::clicked, this, &Analyze_Questions::setFullMarks);
    connect(txtFullMarks, &QLineEdit::returnPressed, this, &Analyze_Questions::setFullMarks);
    connect(cmbQuestion, &QComboBox::currentIndexChanged, this, &Analyze_Questions::listStudents);
    connect(txtAtMost, &QLineEdit::textChanged, this, &Analyze_Questions::listStudents);
    connect(BN_Back, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
}

bool Analyze_Questions::load()
{
    auto tests = Questions::tests(mod().Conn);
    auto names = Students::names(mod().Conn);
    if (!tests || !names) {
        MessageService::error(tests ? names.error() : tests.error());
        return false;
    }
    if (tests->isEmpty()) {
        MessageService::info(QStringLiteral("还没有小题得分。请在“表格录入成绩”中导入阅卷系统的成绩单（每题一列）。"));
        return false;
    }
    m_names = *names;
    const QSignalBlocker quiet(txtNumber);
    txtNumber->clear();
    for (int test : std::as_const(*tests)) {
        auto record = Exams::fetch(mod().Conn, test);
        const QString name = record && *record ? (*record)->name : QString();
        txtNumber->addItem(QStringLiteral("%1 %2").arg(test).arg(name), test);
    }
    txtNumber->setCurrentIndex(0);
    showTest();
    return true;
}

void Analyze_Questions::showTest()
{
    m_test = txtNumber->currentData().toInt();
    auto questions = Questions::list(mod().Conn, m_test);
    auto marks = Questions::marks(mod().Conn, m_test);
    if (!questions || !marks) {
        MessageService::error(questions ? marks.error() : questions.error());
        return;
    }
    m_questions = *questions;
    m_marks = *marks;
    // A question's full marks are the class's: not a limited user's, nor a locked test's.
    const bool open = !UserRights::current().limited() && TestLocks::guard(mod().Conn, m_test);
    txtFullMarks->setEnabled(open);
    BN_FullMarks->setEnabled(open);
    Grid->setHeaders({ QStringLiteral("题号"), QStringLiteral("满分"), QStringLiteral("人数"), QStringLiteral("平均分"),
        QStringLiteral("得分率"), QStringLiteral("难度"), QStringLiteral("区分度") });
    QList<QStringList> rows;
    for (const Questions::Figures& f : Questions::analyse(m_questions, m_marks)) {
        rows << QStringList { f.number, f.fullMarks > 0 ? number(f.fullMarks) : QStringLiteral("（未知）"),
            QString::number(f.students), f.average ? number(*f.average, 2) : QString(), share(f.rate),
            f.rate ? QString::number(*f.rate, 'f', 2) : QString(),
            f.discrimination ? QString::number(*f.discrimination, 'f', 2) : QString() };
    }
    Grid->setRows(rows);
    Grid->fitColumns(200);
    const QString chosen = cmbQuestion->currentText();
    const QSignalBlocker quiet(cmbQuestion);
    cmbQuestion->clear();
    for (const Questions::Question& q : std::as_const(m_questions))
        cmbQuestion->addItem(q.number);
    cmbQuestion->setCurrentIndex(qMax(0, cmbQuestion->findText(chosen)));
    listStudents();
}

void Analyze_Questions::setFullMarks()
{
    const int row = Grid->currentRow();
    bool ok = false;
    const double marks = txtFullMarks->text().trimmed().toDouble(&ok);
    if (row < 1 || row > m_questions.size()) {
        MessageService::info(QStringLiteral("请先在表中选择一道小题。"));
        return;
    }
    if (!ok || marks <= 0 || marks > 150) {
        MessageService::info(QStringLiteral("满分应是0到150之间的数，请重新填写！"));
        txtFullMarks->setFocus();
        return;
    }
    if (Status set = Questions::setFullMarks(mod().Conn, m_test, m_questions[row - 1].number, marks); !set) {
        MessageService::error(set.error());
        return;
    }
    showTest();
    Grid->setCurrentRow(row);
}

void Analyze_Questions::listStudents()
{
    lstStudents->clear();
    bool ok = false;
    const double limit = txtAtMost->text().trimmed().toDouble(&ok);
    if (!ok || cmbQuestion->currentText().isEmpty())
        return;
    const QString question = cmbQuestion->currentText();
    for (const QString& student : Questions::atMost(m_marks, question, limit))
        lstStudents->addItem(
            QStringLiteral("%1  %2  %3分").arg(student, m_names.value(student), number(m_marks[student][question], 2)));
}

} // namespace velmora
