#include "students/ui/StudentInfoWatch.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentGrid.h"
#include "students/ui/StudentInfo.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

namespace {
// A read-only box that reads as part of the sentence around it.
QLineEdit* countBox(QWidget* parent, const char* name)
{
    QLineEdit* box = Controls::edit(parent, name);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    box->setFixedWidth(56);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}
} // namespace

StudentInfoWatch::StudentInfoWatch(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StudentInfoWatch"));
    setWindowTitle(QStringLiteral("查看学生信息"));
    setAttribute(Qt::WA_DeleteOnClose);
    ChildWindow::setDesignSize(this, { 10020, 5010 });

    Grid = new ResultGrid(this);
    Grid->setExportTitle(QStringLiteral("学生名单"));
    BN_Add = Controls::button(this, "BN_Add", QStringLiteral("添加学生(&A)"));
    BN_Find = Controls::button(this, "BN_Find", QStringLiteral("查找学生(&F)"));
    Command1 = Controls::button(this, "Command1", QStringLiteral("刷新(&R)"));
    Command2 = Controls::button(this, "Command2", QStringLiteral("关闭(&C)"));
    Frame1 = new QGroupBox(QStringLiteral("统计汇总"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    txtNumber = countBox(Frame1, "txtNumber");
    auto* sentence = new QHBoxLayout(Frame1);
    sentence->setContentsMargins(8, 2, 8, 2);
    auto* before = Controls::label(Frame1, "Label1", QStringLiteral("共有"), txtNumber);
    txtNumber->setAccessibleName(QStringLiteral("学生人数"));
    sentence->addWidget(before);
    sentence->addWidget(txtNumber);
    sentence->addWidget(new QLabel(QStringLiteral("条记录"), Frame1));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BN_Add);
    bottom->addWidget(BN_Find);
    bottom->addWidget(Frame1);
    bottom->addStretch();
    bottom->addWidget(Grid->exportButton(this));
    bottom->addWidget(Command1);
    bottom->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addWidget(Grid, 1);
    layout->addLayout(bottom);

    connect(Command1, &QPushButton::clicked, this, &StudentInfoWatch::fill);
    connect(Command2, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(BN_Add, &QPushButton::clicked, this, [this] { StudentInfo::openAdd(this); });
    connect(BN_Find, &QPushButton::clicked, this, &StudentInfoWatch::findRequested);
    connect(Grid, &ResultGrid::rowActivated, this, [this] { StudentGrid::openCurrent(Grid, this); });
}

void StudentInfoWatch::fill()
{
    if (!mod().IsAdmin)
        BN_Add->setEnabled(false);
    auto students = Students::list(mod().Conn);
    if (!students) {
        MessageService::error(students.error());
        return;
    }
    StudentGrid::fill(Grid, *students);
    if (students->isEmpty()) {
        MessageService::info(QStringLiteral("列表为空！请添加学生信息"));
        txtNumber->setText(QStringLiteral("0"));
        return;
    }
    txtNumber->setText(QString::number(students->size()));
}

} // namespace velmora
