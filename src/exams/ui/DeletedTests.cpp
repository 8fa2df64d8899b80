#include "exams/ui/DeletedTests.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/ResultGrid.h"
#include "ui_DeletedTests.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>

namespace velmora {

DeletedTests::DeletedTests(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::DeletedTests>())
{
    m_ui->setupUi(this);
    m_ui->lblHint->setText(m_ui->lblHint->text().arg(Exams::kKeptDays));
    m_ui->grdTests->setHeaders({ QStringLiteral("考试号"), QStringLiteral("考试名称"), QStringLiteral("考试日期"),
        QStringLiteral("考试类型"), QStringLiteral("删除时间"), QStringLiteral("删除人"), QStringLiteral("保留到") });
    connect(m_ui->grdTests, &ResultGrid::rowActivated, this, &DeletedTests::restoreChosen);
    connect(m_ui->BN_Restore, &QPushButton::clicked, this, &DeletedTests::restoreChosen);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::accept);
}

DeletedTests::~DeletedTests() = default;

bool DeletedTests::fill()
{
    auto read = Exams::deletedTests(m_session.Conn());
    m_ui->grdTests->clearRows();
    if (!read) {
        MessageService::error(read.error(), ErrorWording::Restart);
        return false;
    }
    m_tests = *std::move(read);
    QList<QStringList> rows;
    for (const Exams::DeletedTest& d : std::as_const(m_tests)) {
        const QDateTime at = QDateTime::fromString(d.deletedAt, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        rows << QStringList { QString::number(d.test.number), d.test.name, d.test.date, d.test.type, d.deletedAt,
            d.deletedBy, at.addDays(Exams::kKeptDays).toString(QStringLiteral("yyyy-MM-dd")) };
    }
    m_ui->grdTests->setRows(rows);
    m_ui->grdTests->fitColumns(200);
    if (!m_tests.isEmpty())
        m_ui->grdTests->setCurrentRow(1);
    m_ui->BN_Restore->setEnabled(!m_tests.isEmpty());
    return true;
}

void DeletedTests::restoreChosen()
{
    const int row = m_ui->grdTests->currentRow();
    if (row < 1 || row > m_tests.size())
        return;
    const Exams::DeletedTest& d = m_tests[row - 1];
    const QString what = QStringLiteral("考试 %1（%2）").arg(d.test.number).arg(d.test.name);
    if (!MessageService::askYesNo(QStringLiteral("恢复%1吗？").arg(what)
            + (d.scoresKept ? QString() : QStringLiteral("\r\n这次考试的成绩没有保留，恢复后需要重新录入。"))))
        return;
    if (Status back = Exams::restoreDeleted(m_session.Conn(), d.test.number); !back) {
        MessageService::error(back.error(), ErrorWording::Restart);
        return;
    }
    m_restored = true;
    MessageService::info(QStringLiteral("已恢复") + what + QStringLiteral("。"));
    fill();
}

} // namespace velmora
