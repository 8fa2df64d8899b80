#include "students/ui/StudentInfoFind.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"
#include "students/StudentRecord.h"
#include "students/ui/StudentGrid.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmora {

StudentInfoFind::StudentInfoFind(QWidget* parent)
    : QWidget(parent)
    , Text(9, nullptr)
    , Label(9, nullptr)
{
    setObjectName(QStringLiteral("StudentInfoFind"));
    setWindowTitle(QStringLiteral("查找学生信息"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* Frame1 = new QGroupBox(QStringLiteral("查找选项"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* criteria = new QGridLayout(Frame1);
    QStringList captions { QStringLiteral("学号") };
    captions << Students::Criteria::containsColumns();
    // Left column: 学号, 姓名, 家庭住址, 联系电话, 备注; right: 民族, 毕业于, 毕业至.
    const int rowOf[9] = { 0, 0, 1, 2, 3, 4, 1, 3, 4 };
    for (int i = 1; i <= 8; ++i) {
        Text[i] = Controls::edit(Frame1, "");
        Text[i]->setObjectName(QStringLiteral("Text%1").arg(i));
        Label[i] = Controls::label(Frame1, "", captions[i - 1], Text[i]);
        Label[i]->setObjectName(QStringLiteral("Label%1").arg(i));
        const int col = i >= 6 ? 2 : 0;
        criteria->addWidget(Label[i], rowOf[i], col);
        criteria->addWidget(Text[i], rowOf[i], col + 1);
    }
    sex_m = new QRadioButton(QStringLiteral("男"), Frame1);
    sex_m->setObjectName(QStringLiteral("sex_m"));
    sex_w = new QRadioButton(QStringLiteral("女"), Frame1);
    sex_w->setObjectName(QStringLiteral("sex_w"));
    sex_u = new QRadioButton(QStringLiteral("不详"), Frame1);
    sex_u->setObjectName(QStringLiteral("sex_u"));
    sex_u->setChecked(true);
    auto* sexRow = new QHBoxLayout;
    sexRow->addWidget(sex_m);
    sexRow->addWidget(sex_w);
    sexRow->addWidget(sex_u);
    criteria->addWidget(Controls::label(Frame1, "Label3", QStringLiteral("性别"), sex_m), 0, 2);
    criteria->addLayout(sexRow, 0, 3);
    native = new QComboBox(Frame1);
    native->setObjectName(QStringLiteral("native"));
    native->setEditable(true);
    native->addItems(StudentRecord::provinces());
    native->setEditText(QStringLiteral("不详"));
    native->setMaxVisibleItems(16);
    criteria->addWidget(Controls::label(Frame1, "Label8", QStringLiteral("籍贯"), native), 2, 2);
    criteria->addWidget(native, 2, 3);

    auto* Frame2 = new QGroupBox(QStringLiteral("查询结果"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    txt_Result = Controls::edit(Frame2, "txt_Result");
    txt_Result->setReadOnly(true);
    txt_Result->setFocusPolicy(Qt::NoFocus);
    txt_Result->setAlignment(Qt::AlignCenter);
    txt_Result->setFixedWidth(56);
    txt_Result->setAccessibleName(QStringLiteral("找到的人数"));
    auto* sentence = new QHBoxLayout(Frame2);
    sentence->addWidget(Controls::label(Frame2, "Label11", QStringLiteral("共有")));
    sentence->addWidget(txt_Result);
    sentence->addWidget(new QLabel(QStringLiteral("条记录"), Frame2));

    Command1 = Controls::button(this, "Command1", QStringLiteral("查找(&F)"));
    Command2 = Controls::button(this, "Command2", QStringLiteral("返回(&B)"));
    auto* side = new QVBoxLayout;
    side->addWidget(Frame2);
    side->addStretch();
    side->addWidget(Command1);
    side->addWidget(Command2);

    auto* top = new QHBoxLayout;
    top->addWidget(Frame1, 1);
    top->addLayout(side);

    Grid = new ResultGrid(this);
    Grid->setExportTitle(QStringLiteral("查找结果"));
    side->insertWidget(side->count() - 2, Grid->exportButton(this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Grid, 1);
    ChildWindow::setDesignSize(this, { 9000, 7710 });

    connect(Command1, &QPushButton::clicked, this, &StudentInfoFind::search);
    connect(Command2, &QPushButton::clicked, this, [this] { ChildWindow::close(this); });
    connect(Grid, &ResultGrid::rowActivated, this, [this] { StudentGrid::openCurrent(Grid, this); });
    for (int i = 1; i <= 8; ++i)
        connect(Text[i], &QLineEdit::returnPressed, this, &StudentInfoFind::search);
}

void StudentInfoFind::search()
{
    Students::Criteria c;
    c.number = Text[1]->text();
    for (int i = 2; i <= 8; ++i)
        c.contains[i - 2] = Text[i]->text();
    c.sex = sex_m->isChecked() ? QStringLiteral("男") : sex_w->isChecked() ? QStringLiteral("女") : QString();
    c.native = native->currentText();
    auto found = Students::search(mod().Conn, c);
    if (!found) {
        MessageService::error(found.error());
        return;
    }
    if (found->isEmpty()) {
        MessageService::info(QStringLiteral("没有找到！"));
        Grid->clearTexts();
        txt_Result->setText(QStringLiteral("0"));
        return;
    }
    txt_Result->setText(QString::number(found->size()));
    StudentGrid::fill(Grid, *found);
}

} // namespace velmora
