#include "app/ui/Pass.h"

#include "app/Module1.h"
#include "app/Users.h"
#include "platform/MessageService.h"
#include "platform/ui/Controls.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

Pass::Pass(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Pass"));
    setWindowTitle(QStringLiteral("用户密码修改"));

    Text1 = Controls::edit(this, "Text1", mod().LoginUser);
    Text1->setEnabled(false);
    oldpwd = Controls::edit(this, "oldpwd");
    newpwd = Controls::edit(this, "newpwd");
    newpwd2 = Controls::edit(this, "newpwd2");
    for (QLineEdit* box : { oldpwd, newpwd, newpwd2 }) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
        box->setMaxLength(10);
        Controls::limitChars(box, 10);
    }
    Command1 = Controls::button(this, "Command1", QStringLiteral("确定(&K)"));
    Command2 = Controls::button(this, "Command2", QStringLiteral("取消(&C)"));

    auto* form = new QFormLayout;
    form->addRow(Controls::label(this, "Label1", QStringLiteral("用户名："), Text1), Text1);
    form->addRow(Controls::label(this, "Label4", QStringLiteral("旧密码："), oldpwd), oldpwd);
    form->addRow(Controls::label(this, "Label2", QStringLiteral("新密码："), newpwd), newpwd);
    form->addRow(Controls::label(this, "Label3", QStringLiteral("密码确认："), newpwd2), newpwd2);
    auto* buttons = Controls::buttonRow({ Command1, Command2 });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &Pass::confirm);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

void Pass::confirm()
{
    bool ok = true;
    if (newpwd->text().isEmpty()) {
        MessageService::info(QStringLiteral("新密码不能为空！"));
        ok = false;
    } else if (newpwd->text() != newpwd2->text()) {
        MessageService::info(QStringLiteral("您输入的确认密码与新密码不符！"));
        ok = false;
    }
    // Checked against the password typed at login, which a change does not replace.
    if (oldpwd->text() != mod().LoginPwd) {
        MessageService::info(QStringLiteral("您输入的旧密码不正确！"));
        ok = false;
    }
    if (!ok) {
        oldpwd->clear();
        newpwd->clear();
        newpwd2->clear();
        return;
    }
    Status changed = Users::setPassword(mod().Conn, mod().LoginUser, newpwd->text());
    if (!changed) {
        MessageService::error(changed.error(), ErrorWording::Restart);
        return;
    }
    MessageService::info(QStringLiteral("密码修改成功！"));
    accept();
}

} // namespace velmora
