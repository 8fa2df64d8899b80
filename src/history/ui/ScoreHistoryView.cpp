#include "history/ui/ScoreHistoryView.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/UserRights.h"
#include "students/StudentRecord.h"
#include "ui_ScoreHistoryView.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace velmora {

namespace {

enum Scope { Cell, Student, Test };

// A long comment shows its start in the list.
QString shown(const QString& value)
{
    QString one = value;
    one.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return one.size() > 40 ? one.left(40) + QStringLiteral("…") : one;
}

} // namespace

ScoreHistoryView::ScoreHistoryView(
    Module1& session, int testNumber, const QString& student, const QString& column, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::ScoreHistoryView>())
    , m_test(testNumber)
    , m_student(student)
    , m_column(column)
{
    m_ui->setupUi(this);
    if (!student.isEmpty() && !column.isEmpty())
        m_ui->cboScope->addItem(QStringLiteral("当前格：%1 的%2").arg(student, column), Cell);
    if (!student.isEmpty())
        m_ui->cboScope->addItem(QStringLiteral("当前学生：%1").arg(student), Student);
    const bool records = testNumber == ScoreHistory::kStudentRecords;
    // The register's and the conduct records' changes are read here, and mended where they were made.
    const bool register_ = testNumber == ScoreHistory::kAttendance || testNumber == ScoreHistory::kConduct;
    m_ui->cboScope->addItem(records || register_ ? QStringLiteral("全班学生") : QStringLiteral("整次考试"), Test);
    m_ui->grdHistory->setHeaders({ QStringLiteral("修改时间"), QStringLiteral("学号"), QStringLiteral("姓名"),
        QStringLiteral("项目"), QStringLiteral("原值"), QStringLiteral("新值"), QStringLiteral("修改人") });
    m_ui->grdHistory->setExportTitle(records          ? QStringLiteral("学生信息修改记录")
            : testNumber == ScoreHistory::kAttendance ? QStringLiteral("考勤修改记录")
            : testNumber == ScoreHistory::kConduct    ? QStringLiteral("操行修改记录")
                                                      : QStringLiteral("成绩修改记录"));
    m_ui->grdHistory->exportBy(m_ui->BN_Export);
    m_ui->BN_PutBack->setToolTip(records ? QStringLiteral("把选中记录的原值写回学生信息（这一步也会记录下来）")
                                         : QStringLiteral("把选中记录的原值写回成绩表（这一步也会记录下来）"));
    // A subject teacher puts back the subjects taught; the core refuses the rest.
    m_ui->BN_PutBack->setVisible(
        !register_ && (m_session.IsAdmin() || (!records && UserRights::current().entersScores())));

    connect(m_ui->cboScope, &QComboBox::currentIndexChanged, this, &ScoreHistoryView::fill);
    connect(m_ui->BN_PutBack, &QPushButton::clicked, this, &ScoreHistoryView::putBack);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::accept);
}

ScoreHistoryView::~ScoreHistoryView() = default;

bool ScoreHistoryView::fill()
{
    const int scope = m_ui->cboScope->currentData().toInt();
    auto read = ScoreHistory::list(
        m_session.Conn(), m_test, scope == Test ? QString() : m_student, scope == Cell ? m_column : QString());
    m_ui->grdHistory->clearRows();
    m_entries.clear();
    if (!read) {
        MessageService::error(read.error(), ErrorWording::Restart);
        return false;
    }
    m_entries = *std::move(read);
    auto names = Students::names(m_session.Conn());
    QList<QStringList> rows;
    for (const ScoreHistory::Entry& e : std::as_const(m_entries)) {
        rows << QStringList { e.at, e.student, names ? names->value(e.student) : QString(), e.column, shown(e.before),
            shown(e.after), e.user };
    }
    m_ui->grdHistory->setRows(rows);
    m_ui->grdHistory->fitColumns(220);
    if (!m_entries.isEmpty())
        m_ui->grdHistory->setCurrentRow(1);
    m_ui->BN_PutBack->setEnabled(!m_entries.isEmpty());
    return true;
}

void ScoreHistoryView::putBack()
{
    const int row = m_ui->grdHistory->currentRow();
    if (row < 1 || row > m_entries.size())
        return;
    const ScoreHistory::Entry& e = m_entries[row - 1];
    const QString before = e.before.isEmpty() ? QStringLiteral("（空）") : shown(e.before);
    if (!MessageService::askYesNo(QStringLiteral("把 %1 的“%2”恢复为“%3”吗？").arg(e.student, e.column, before)))
        return;
    if (Status done = ScoreHistory::putBack(m_session.Conn(), e); !done) {
        MessageService::error(done.error(), ErrorWording::Restart);
        return;
    }
    m_changed = true;
    fill();
}

} // namespace velmora
