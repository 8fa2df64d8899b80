#include "app/ui/Config.h"

#include "app/DbConfig.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/AppPaths.h"
#include "platform/ui/Controls.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

Config::Config(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Config"));
    setWindowTitle(QStringLiteral("系统配置"));
    setModal(true);

    txtServer = Controls::edit(this, "txtServer", QString::fromLatin1(DbConfig::kDefaultServer));
    txtServer->setToolTip(
        QStringLiteral("(local) 表示本机的嵌入式数据库；否则填写 PostgreSQL 服务器的主机名，可加“:端口”。"));
    txtDataBase = Controls::edit(this, "txtDataBase", QString::fromLatin1(DbConfig::kDefaultDatabase));
    txtUser = Controls::edit(this, "txtUser", QString::fromLatin1(DbConfig::kDefaultUser));
    txtPwd = Controls::edit(this, "txtPwd", QString::fromLatin1(DbConfig::kDefaultPassword));
    txtServer->setMinimumWidth(220);
    Label3 = Controls::label(this, "Label3", QStringLiteral("服务器："), txtServer);
    Label4 = Controls::label(this, "Label4", QStringLiteral("数据库名："), txtDataBase);
    Label1 = Controls::label(this, "Label1", QStringLiteral("用户名："), txtUser);
    label2 = Controls::label(this, "label2", QStringLiteral("密码："), txtPwd);

    Command1 = Controls::button(this, "Command1", QStringLiteral("验证连接(&C)"));
    Command2 = Controls::button(this, "Command2", QStringLiteral("保存设置(&S)"));
    Command3 = Controls::button(this, "Command3", QStringLiteral("取消操作(&B)"));
    Command2->setEnabled(false);

    auto* form = new QFormLayout;
    form->addRow(Label3, txtServer);
    form->addRow(Label4, txtDataBase);
    form->addRow(Label1, txtUser);
    form->addRow(label2, txtPwd);
    auto* buttons = Controls::buttonRow({ Command1, Command2, Command3 });
    // Said where the password is typed: the file's scrambling protects nothing from a reader.
    auto* warning = Controls::label(
        this, "lblWarning", QStringLiteral("dbcfg.dat 中的数据库密码只是简单加扰，请只把本程序装在可信的电脑上。"));
    warning->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(warning);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &Config::testConnection);
    connect(Command2, &QPushButton::clicked, this, &Config::save);
    connect(Command3, &QPushButton::clicked, this, &Config::cancel);
}

void Config::testConnection()
{
    mod().Conn.close();
    if (txtServer->text().trimmed().isEmpty() || txtDataBase->text().trimmed().isEmpty()
        || txtUser->text().trimmed().isEmpty() || txtPwd->text().trimmed().isEmpty()) {
        MessageService::info(QStringLiteral("请填写所有的数据库配置信息!"));
        return;
    }
    if (mod().ConnectDb(txtServer->text(), txtDataBase->text(), txtUser->text(), txtPwd->text())) {
        MessageService::info(QStringLiteral("连接成功"));
        Command2->setEnabled(true);
    } else {
        MessageService::info(QStringLiteral("连接不成功"));
    }
}

void Config::save()
{
    const DbConfig::Values values { txtServer->text(), txtDataBase->text(), txtUser->text(), txtPwd->text() };
    // Refused before anything changes: such a file could not be read back.
    const QString unstorable = DbConfig::unstorable(values);
    if (!unstorable.isEmpty()) {
        MessageService::info(unstorable);
        return;
    }
    const DbConfig::Values before { mod().DbServer, mod().DbName, mod().DbUser, mod().DbPwd };
    mod().DbServer = values.server;
    mod().DbName = values.database;
    mod().DbUser = values.user;
    mod().DbPwd = values.password;
    const Status written = mod().WriteDbConfig();
    if (!written) {
        mod().DbServer = before.server;
        mod().DbName = before.database;
        mod().DbUser = before.user;
        mod().DbPwd = before.password;
        MessageService::info(QStringLiteral("保存设置失败！") + written.error().description
            + QStringLiteral("\r\n原来的配置文件没有改变。"));
        return;
    }
    if (AppPaths::redirected())
        MessageService::info(QStringLiteral("程序文件夹 %1 不存放数据，数据库配置已保存到 %2。")
                                 .arg(QDir::toNativeSeparators(AppPaths::programDir()),
                                     QDir::toNativeSeparators(AppPaths::writableConfigFile())));
    Q_EMIT saved(mod().DbUser, mod().DbPwd);
    mod().Conn.close();
    accept();
}

void Config::cancel()
{
    mod().Conn.close();
    QDialog::reject();
}

} // namespace velmora
