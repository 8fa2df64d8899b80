#include "app/ui/Config.h"

#include "app/DbConfig.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/AppPaths.h"
#include "ui_Config.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

Config::Config(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Config>())
{
    m_ui->setupUi(this);
    m_ui->txtServer->setText(QString::fromLatin1(DbConfig::kDefaultServer));
    m_ui->txtDataBase->setText(QString::fromLatin1(DbConfig::kDefaultDatabase));
    m_ui->txtUser->setText(QString::fromLatin1(DbConfig::kDefaultUser));
    m_ui->txtPwd->setText(QString::fromLatin1(DbConfig::kDefaultPassword));

    connect(m_ui->Command1, &QPushButton::clicked, this, &Config::testConnection);
    connect(m_ui->Command2, &QPushButton::clicked, this, &Config::save);
    connect(m_ui->Command3, &QPushButton::clicked, this, &Config::cancel);
}

Config::~Config() = default;

void Config::testConnection()
{
    m_session.Conn().close();
    if (m_ui->txtServer->text().trimmed().isEmpty() || m_ui->txtDataBase->text().trimmed().isEmpty()
        || m_ui->txtUser->text().trimmed().isEmpty() || m_ui->txtPwd->text().trimmed().isEmpty()) {
        MessageService::info(QStringLiteral("请填写所有的数据库配置信息!"));
        return;
    }
    if (m_session.ConnectDb(
            m_ui->txtServer->text(), m_ui->txtDataBase->text(), m_ui->txtUser->text(), m_ui->txtPwd->text())) {
        MessageService::info(QStringLiteral("连接成功"));
        m_ui->Command2->setEnabled(true);
    } else {
        MessageService::info(QStringLiteral("连接不成功"));
    }
}

void Config::save()
{
    const DbConfig::Values values { m_ui->txtServer->text(), m_ui->txtDataBase->text(), m_ui->txtUser->text(),
        m_ui->txtPwd->text() };
    // Refused before anything changes: such a file could not be read back.
    const QString unstorable = DbConfig::unstorable(values);
    if (!unstorable.isEmpty()) {
        MessageService::info(unstorable);
        return;
    }
    const DbConfig::Values before = m_session.dbConfig();
    m_session.setDbConfig(values);
    const Status written = m_session.WriteDbConfig();
    if (!written) {
        m_session.setDbConfig(before);
        MessageService::info(QStringLiteral("保存设置失败！") + written.error().description
            + QStringLiteral("\r\n原来的配置文件没有改变。"));
        return;
    }
    if (AppPaths::redirected())
        MessageService::info(QStringLiteral("程序文件夹 %1 不存放数据，数据库配置已保存到 %2。")
                                 .arg(QDir::toNativeSeparators(AppPaths::programDir()),
                                     QDir::toNativeSeparators(AppPaths::writableConfigFile())));
    Q_EMIT saved(m_session.DbUser(), m_session.DbPwd());
    m_session.Conn().close();
    accept();
}

void Config::cancel()
{
    m_session.Conn().close();
    QDialog::reject();
}

} // namespace velmora
