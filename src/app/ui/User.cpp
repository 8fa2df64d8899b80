#include "app/ui/User.h"

#include "app/Module1.h"
#include "app/Users.h"
#include "platform/MessageService.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Pictures.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmora {

User::User(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("User"));
    setWindowTitle(QStringLiteral("用户权限设置"));

    Label3 = Controls::title(this, "Label3", QStringLiteral("用 户 权 限 设 置"));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(Pictures::appIcon().pixmap(48, 48));

    UserBox = new QComboBox(this);
    UserBox->setObjectName(QStringLiteral("User"));
    UserBox->setEditable(true);
    UserBox->setMinimumWidth(180);
    auto* nameLabel = Controls::label(this, "Label1", QStringLiteral("用户名："), UserBox);
    auto* gradeLabel = Controls::label(this, "label2", QStringLiteral("权限："));
    Option1 = new QRadioButton(QStringLiteral("管理员（administrator）"), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("普通用户（User）"), this);
    Option2->setObjectName(QStringLiteral("Option2"));
    auto* group = new QButtonGroup(this);
    group->addButton(Option1);
    group->addButton(Option2);
    Command1 = Controls::button(this, "Command1", QStringLiteral("更改(&U)"));
    Command2 = Controls::button(this, "Command2", QStringLiteral("取消(&C)"));

    auto* head = new QHBoxLayout;
    head->addWidget(Image1);
    head->addWidget(Label3, 1, Qt::AlignCenter);
    auto* grid = new QGridLayout;
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(UserBox, 0, 1);
    grid->addWidget(gradeLabel, 1, 0, Qt::AlignTop);
    grid->addWidget(Option1, 1, 1);
    grid->addWidget(Option2, 2, 1);
    auto* buttons = Controls::buttonRow({ Command1, Command2 });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(UserBox, &QComboBox::activated, this, &User::choose);
    connect(Command1, &QPushButton::clicked, this, &User::change);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

void User::load()
{
    auto names = Users::names(mod().Conn);
    if (!names) {
        MessageService::error(names.error());
        return;
    }
    UserBox->clear();
    UserBox->addItems(*names);
    UserBox->setCurrentIndex(-1);
}

void User::choose()
{
    auto grade = Users::grade(mod().Conn, UserBox->currentText());
    if (!grade) {
        MessageService::error(grade.error());
        return;
    }
    if (*grade == QLatin1String(Users::kAdmin))
        Option1->setChecked(true);
    else if (*grade == QLatin1String(Users::kUser))
        Option2->setChecked(true);
}

void User::change()
{
    std::optional<QString> grade;
    if (Option1->isChecked())
        grade = QString::fromLatin1(Users::kAdmin);
    else if (Option2->isChecked())
        grade = QString::fromLatin1(Users::kUser);
    const QString name = UserBox->currentText();
    auto stored = Users::setGrade(mod().Conn, name, grade);
    if (!stored) {
        MessageService::error(stored.error());
        return;
    }
    // Said only once the row is written.
    MessageService::info(QStringLiteral("用户 ") + name + QStringLiteral(" 已经更改为") + *stored);
}

} // namespace velmora
