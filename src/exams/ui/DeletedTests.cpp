#include "exams/ui/DeletedTests.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

DeletedTests::DeletedTests(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DeletedTests"));
    setWindowTitle(QStringLiteral("已删除的考试"));
    auto* hint = Controls::label(
        this, "lblHint", QStringLiteral("删除的考试连同成绩保留%1天，期间可以恢复。").arg(Exams::kKeptDays));
    grdTests = new ResultGrid(this);
    grdTests->setObjectName(QStringLiteral("grdTests"));
    grdTests->setHeaders({ QStringLiteral("考试号"), QStringLiteral("考试名称"), QStringLiteral("考试日期"),
        QStringLiteral("考试类型"), QStringLiteral("删除时间"), QStringLiteral("删除人"), QStringLiteral("保留到") });
    BN_Restore = Controls::button(this, "BN_Restore", QStringLiteral("恢复(&R)"));
    BN_Close = Controls::button(this, "BN_Close", QStringLiteral("关闭(&C)"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(grdTests, 1);
    layout->addLayout(Controls::buttonRow({ BN_Restore, BN_Close }));
    resize(720, 380);

    connect(grdTests, &ResultGrid::rowActivated, this, &DeletedTests::restoreChosen);
    connect(BN_Restore, &QPushButton::clicked, this, &DeletedTests::restoreChosen);
    connect(BN_Close, &QPushButton::clicked, this, &QDialog::accept);
}

bool DeletedTests::fill()
{
    auto read = Exams::deletedTests(mod().Conn);
    grdTests->clearRows();
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
    grdTests->setRows(rows);
    grdTests->fitColumns(200);
    if (!m_tests.isEmpty())
        grdTests->setCurrentRow(1);
    BN_Restore->setEnabled(!m_tests.isEmpty());
    return true;
}

void DeletedTests::restoreChosen()
{
    const int row = grdTests->currentRow();
    if (row < 1 || row > m_tests.size())
        return;
    const Exams::DeletedTest& d = m_tests[row - 1];
    const QString what = QStringLiteral("考试 %1（%2）").arg(d.test.number).arg(d.test.name);
    if (!MessageService::askYesNo(QStringLiteral("恢复%1吗？").arg(what)
            + (d.scoresKept ? QString() : QStringLiteral("\r\n这次考试的成绩没有保留，恢复后需要重新录入。"))))
        return;
    if (Status back = Exams::restoreDeleted(mod().Conn, d.test.number); !back) {
        MessageService::error(back.error(), ErrorWording::Restart);
        return;
    }
    m_restored = true;
    MessageService::info(QStringLiteral("已恢复") + what + QStringLiteral("。"));
    fill();
}

} // namespace velmora
