#include "exams/ui/TestInfoWatch.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

TestInfoWatch::TestInfoWatch(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TestInfoWatch"));
    setWindowTitle(QStringLiteral("考试信息管理"));
    setAttribute(Qt::WA_DeleteOnClose);

    Grid = new ResultGrid(this);
    Grid->setExportTitle(QStringLiteral("考试列表"));
    Grid->setNumberColumns({ 0 });
    auto* Frame1 = new QGroupBox(QStringLiteral("统计汇总"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    txtNumber = Controls::edit(Frame1, "txtNumber");
    txtNumber->setReadOnly(true);
    txtNumber->setFocusPolicy(Qt::NoFocus);
    txtNumber->setAlignment(Qt::AlignCenter);
    txtNumber->setFixedWidth(56);
    auto* sentence = new QHBoxLayout(Frame1);
    sentence->addWidget(Controls::label(Frame1, "Label1", QStringLiteral("共有"), txtNumber));
    sentence->addWidget(txtNumber);
    sentence->addWidget(new QLabel(QStringLiteral("条记录"), Frame1));
    txtNumber->setAccessibleName(QStringLiteral("考试次数"));

    BN_Add = Controls::button(this, "BN_Add", QStringLiteral("添加考试(&A)"));
    BN_Del = Controls::button(this, "BN_Del", QStringLiteral("删除考试(&D)"));
    BN_Update = Controls::button(this, "BN_Update", QStringLiteral("刷新(&R)"));
    BN_Close = Controls::button(this, "BN_Close", QStringLiteral("关闭(&C)"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Frame1);
    bottom->addStretch();
    bottom->addWidget(Grid->exportButton(this));
    for (QPushButton* b : { BN_Add, BN_Del, BN_Update, BN_Close })
        bottom->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addWidget(Grid, 1);
    layout->addLayout(bottom);
    resize(ChildWindow::fromTwips(this, QSize(13000, 6300)));

    connect(BN_Update, &QPushButton::clicked, this, &TestInfoWatch::load);
    connect(BN_Close, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(BN_Del, &QPushButton::clicked, this, &TestInfoWatch::removeSelected);
    connect(BN_Add, &QPushButton::clicked, this, &TestInfoWatch::addRequested);
}

void TestInfoWatch::load()
{
    if (!mod().IsAdmin) {
        BN_Add->setEnabled(false);
        BN_Del->setEnabled(false);
    }
    auto tests = Exams::list(mod().Conn);
    if (!tests) {
        MessageService::error(tests.error());
        return;
    }
    txtNumber->setText(QString::number(tests->size()));
    Grid->setHeaders({ QStringLiteral("考试号"), QStringLiteral("考试名称"), QStringLiteral("考试日期"),
        QStringLiteral("考试类型"), QStringLiteral("考试项目"), QStringLiteral("有无填写出勤信息"),
        QStringLiteral("有无填写教师评语"), QStringLiteral("备注") });
    const std::pair<int, int> designed[] = { { 0, 780 }, { 2, 1320 }, { 4, 8500 }, { 5, 1920 }, { 6, 1950 } };
    for (const auto& [column, twips] : designed)
        Grid->setColumnTwips(column, twips);
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
    Grid->setRows(std::move(rows));
    // The columns without a designed width take what they hold, so the whole list fits a small screen.
    Grid->fitColumns(ChildWindow::fromTwips(Grid, 1500), { 1, 3, 7 });
}

void TestInfoWatch::removeSelected()
{
    const int row = Grid->currentRow();
    // Nothing is asked about a test nobody picked.
    if (row < 1) {
        MessageService::info(QStringLiteral("请先在列表中选择一条要删除的考试！"));
        return;
    }
    const QString number = Grid->text(row, 0);
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
    auto removed = Exams::remove(mod().Conn, test);
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
