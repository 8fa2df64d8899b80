#include "tests/TestWatch.h"

#include "app/Module1.h"
#include "data/Schema.h"
#include "platform/Controls.h"
#include "platform/MessageService.h"
#include "platform/ResultGrid.h"
#include "tests/ScoreSheet.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

TestWatch::TestWatch(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TestWatch"));
    setWindowTitle(QStringLiteral("查看考试成绩"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* topic = Controls::label(this, "Topic", QStringLiteral("查看考试成绩"));
    QFont big = topic->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    topic->setFont(big);
    topic->setAlignment(Qt::AlignCenter);

    auto locked = [this](const char* name) {
        QLineEdit* box = Controls::edit(this, name);
        box->setReadOnly(true);
        return box;
    };
    txtNumber = locked("txtNumber");
    txtName = locked("txtName");
    txtType = locked("txtType");
    txtDate = locked("txtDate");
    txtCount = locked("txtCount");
    txtTable = locked("txtTable");
    txtTable->hide();
    auto* info = new QGridLayout;
    info->addWidget(Controls::label(this, "Label1", QStringLiteral("考试号"), txtNumber), 0, 0);
    info->addWidget(txtNumber, 0, 1);
    info->addWidget(Controls::label(this, "label2", QStringLiteral("考试名称"), txtName), 0, 2);
    info->addWidget(txtName, 0, 3);
    info->addWidget(Controls::label(this, "Label3", QStringLiteral("考试人数"), txtCount), 0, 4);
    info->addWidget(txtCount, 0, 5);
    info->addWidget(Controls::label(this, "Label5", QStringLiteral("考试类型"), txtType), 1, 0);
    info->addWidget(txtType, 1, 1);
    info->addWidget(Controls::label(this, "Label6", QStringLiteral("考试日期"), txtDate), 1, 2);
    info->addWidget(txtDate, 1, 3);

    Grid = new ResultGrid(this);
    BN_Close = Controls::button(this, "BN_Close", QStringLiteral("关闭(&C)"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(topic);
    layout->addLayout(info);
    layout->addWidget(Grid, 1);
    layout->addLayout(Controls::buttonRow({ BN_Close }));
    resize(720, 480);

    connect(BN_Close, &QPushButton::clicked, this, &QWidget::close);
}

void TestWatch::load()
{
    txtNumber->setText(mod().SelNo);
    bool ok = false;
    const int number = mod().SelNo.trimmed().toInt(&ok);
    auto test = ok ? Tests::fetch(mod().Conn, number) : Result<std::optional<TestRecord>>(std::optional<TestRecord>());
    if (!test) {
        MessageService::info(test.error().restartMessage());
        return;
    }
    if (!*test) {
        MessageService::info(QStringLiteral("对不起，此内容不存在！"));
        return;
    }
    const TestRecord& t = **test;
    txtName->setText(t.name);
    txtDate->setText(t.date);
    txtType->setText(t.type);
    txtTable->setText(QStringLiteral("表 TblScore") + txtNumber->text());

    // The comment is not shown: the headers stop before it.
    TestItems shown = t.items;
    shown.comment = false;
    const QStringList headers = shown.scoreColumns();
    auto rows = Scores::rows(mod().Conn, number);
    if (!rows) {
        MessageService::info(rows.error().restartMessage());
        return;
    }
    txtCount->setText(QString::number(rows->recordCount()));
    Grid->setHeaders(headers);
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        QStringList values;
        for (int j = 0; j < headers.size(); ++j)
            values << rows->text(j);
        Grid->appendRow(values);
    }
    if (rows->recordCount() == 0)
        MessageService::info(QStringLiteral("这次考试还没有学生的成绩记录！"));
}

} // namespace velmora
