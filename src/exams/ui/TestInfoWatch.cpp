#include "exams/ui/TestInfoWatch.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChildWindow.h"
#include "ui_TestInfoWatch.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

TestInfoWatch::TestInfoWatch(Module1& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::TestInfoWatch>())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui->Grid->setExportTitle(QStringLiteral("考试列表"));
    m_ui->Grid->setNumberColumns({ 0 });
    m_ui->Grid->exportBy(m_ui->BN_Export);
    resize(ChildWindow::fromTwips(this, QSize(13000, 6300)));

    connect(m_ui->BN_Update, &QPushButton::clicked, this, &TestInfoWatch::load);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(m_ui->BN_Del, &QPushButton::clicked, this, &TestInfoWatch::removeSelected);
    connect(m_ui->BN_Add, &QPushButton::clicked, this, &TestInfoWatch::addRequested);
}

TestInfoWatch::~TestInfoWatch() = default;

void TestInfoWatch::load()
{
    if (!m_session.IsAdmin()) {
        m_ui->BN_Add->setEnabled(false);
        m_ui->BN_Del->setEnabled(false);
    }
    auto tests = Exams::list(m_session.Conn());
    if (!tests) {
        MessageService::error(tests.error());
        return;
    }
    m_ui->txtNumber->setText(QString::number(tests->size()));
    m_ui->Grid->setHeaders({ QStringLiteral("考试号"), QStringLiteral("考试名称"), QStringLiteral("考试日期"),
        QStringLiteral("考试类型"), QStringLiteral("考试项目"), QStringLiteral("有无填写出勤信息"),
        QStringLiteral("有无填写教师评语"), QStringLiteral("备注") });
    const std::pair<int, int> designed[] = { { 0, 780 }, { 2, 1320 }, { 4, 8500 }, { 5, 1920 }, { 6, 1950 } };
    for (const auto& [column, twips] : designed)
        m_ui->Grid->setColumnTwips(column, twips);
    if (tests->isEmpty()) {
        MessageService::info(QStringLiteral("列表为空！请添加考试信息"));
        return;
    }
    const QString yes = QStringLiteral("有"), no = QStringLiteral("无");
    QList<QStringList> rows;
    for (const TestRecord& t : *tests) {
        rows.append({ QString::number(t.number), t.name, t.date, t.type, t.items.subjectText(),
            t.items.attendance ? yes : no, t.items.comment ? yes : no, t.memo });
    }
    m_ui->Grid->setRows(std::move(rows));
    // The columns without a designed width take what they hold, so the whole list fits a small screen.
    m_ui->Grid->fitColumns(ChildWindow::fromTwips(m_ui->Grid, 1500), { 1, 3, 7 });
}

void TestInfoWatch::removeSelected()
{
    const int row = m_ui->Grid->currentRow();
    // Nothing is asked about a test nobody picked.
    if (row < 1) {
        MessageService::info(QStringLiteral("请先在列表中选择一条要删除的考试！"));
        return;
    }
    const QString number = m_ui->Grid->text(row, 0);
    const QString question = QStringLiteral("您确定要删除 考试号为") + number + QStringLiteral("的所有考试成绩吗？")
        + QStringLiteral("\r\n")
        + QStringLiteral("   删除后%1天内可以在“考试信息管理 → 已删除的考试”中恢复，过期就不能恢复了。请慎重选择！")
              .arg(Exams::kKeptDays);
    if (MessageService::askDelete(question) != MsgAnswer::Yes)
        return;
    bool isNumber = false;
    const int test = number.toInt(&isNumber);
    if (!isNumber) {
        MessageService::info(QStringLiteral("请刷新后再试！"));
        return;
    }
    auto removed = Exams::remove(m_session.Conn(), test);
    if (!removed) {
        MessageService::error(removed.error());
        return;
    }
    if (*removed == Exams::Removal::Missing) {
        MessageService::info(QStringLiteral("请刷新后再试！"));
        return;
    }
    MessageService::info(QStringLiteral("删除成功，请刷新！"));
}

} // namespace velmora
