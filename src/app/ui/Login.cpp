#include "app/ui/Login.h"

#include "app/DbConfig.h"
#include "app/DemoData.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/ui/Config.h"
#include "app/ui/Windows.h"
#include "data/Schema.h"
#include "history/History.h"
#include "platform/AppPaths.h"
#include "ui_Login.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace velmora {

Login::Login(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Login>())
{
    m_ui->setupUi(this);
    connect(m_ui->Command1, &QPushButton::clicked, this, &Login::login);
    connect(m_ui->Command2, &QPushButton::clicked, this, [] { Windows::quitProgram(); });
    // Enter in the password box logs in even while the button is disabled.
    connect(m_ui->txtPwd, &QLineEdit::returnPressed, this, &Login::login);
}

Login::~Login() = default;

void Login::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // An installed package's smoke test: the program came up as far as the
    // login window, then leaves by the window's own way out.
    if (qEnvironmentVariableIsSet("VELMORA_QUIT_AT_LOGIN") && !m_loaded) {
        m_loaded = true;
        std::fputs("VelmoraSQL: login window shown\n", stdout);
        std::fflush(stdout);
        QTimer::singleShot(0, this, &Login::reject);
        return;
    }
    if (!m_loaded)
        QTimer::singleShot(0, this, &Login::load);
}

void Login::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    if (!QFileInfo::exists(AppPaths::configFile())) {
        MessageService::info(QStringLiteral("Dbcfg.dat不存在！这是您第一次使用本系统，请进行数据库设置"));
        if (!offerDemo())
            showConfig();
        return;
    }
    m_ui->Command1->setEnabled(true);
    m_ui->Command2->setEnabled(true);
}

void Login::reject()
{
    QDialog::reject();
    if (!Windows::mainForm())
        Windows::quitProgram();
}

void Login::offerUpgrade()
{
    // Only an administrator who agrees changes the database's layout.
    auto needed = Schema::needsUpgrade(m_session.Conn());
    if (!m_session.IsAdmin() || !needed || !*needed)
        return;
    if (!MessageService::askYesNo(
            QStringLiteral("数据库需要升级：本版本的部分功能（如“其他”中教师自己的评语）要用到新的数据表。\r\n"
                           "现在升级吗？已有的数据不会改变。")))
        return;
    QStringList changes;
    Status upgraded = Schema::upgrade(m_session.Conn(), &changes);
    if (!upgraded) {
        MessageService::error(
            upgraded.error(), ErrorWording::Unknown, QStringLiteral("数据库升级失败，数据库保持原样。\r\n"));
        return;
    }
    MessageService::info(QStringLiteral("数据库升级完毕：\r\n") + changes.join(QStringLiteral("\r\n")));
}

bool Login::offerDemo()
{
    const DbConfig::Values demo { QString::fromLatin1(DbConfig::kDefaultServer),
        QString::fromLatin1(DbConfig::kDefaultDatabase), QString::fromLatin1(DbConfig::kDefaultUser),
        QString::fromLatin1(DbConfig::kDefaultPassword) };
    // An embedded file already there is the teacher's own: never offered for replacing.
    const QString existing = QDir(AppPaths::databaseDir(demo.database)).filePath(demo.database + QStringLiteral(".db"));
    if (QFileInfo::exists(existing))
        return false;
    if (!MessageService::askYesNo(
            QStringLiteral("是否创建示例数据库？\r\n示例数据库是一个有%1名学生、3次考试的班级，可以先用它熟悉本系统；"
                           "以后可以在“数据库配置”中改用自己的数据库。")
                .arg(DemoData::kStudents)))
        return false;
    const QString dir = AppPaths::writableDir();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Status made = DemoData::create({ demo.server, demo.database, demo.user, demo.password, dir }, false, true);
    if (made)
        made = DbConfig::write(AppPaths::writableConfigFile(), demo);
    QApplication::restoreOverrideCursor();
    if (!made) {
        MessageService::info(QStringLiteral("示例数据库没有建成：") + made.error().description);
        return false;
    }
    MessageService::info(QStringLiteral(
        "示例数据库已建在 %1。\r\n数据库登录 %2（密码 %3）是管理员；用户 admin 和 teacher 的初始密码都是 123456。")
                             .arg(QDir::toNativeSeparators(dir), demo.user, demo.password));
    configSaved(demo.user, demo.password);
    return true;
}

void Login::showConfig()
{
    Config config(m_session, this);
    connect(&config, &Config::saved, this, &Login::configSaved);
    config.exec();
}

void Login::configSaved(const QString& user, const QString& password)
{
    m_ui->Command1->setEnabled(true);
    m_ui->Command2->setEnabled(true);
    m_ui->txtUser->setText(user);
    m_ui->txtPwd->setText(password);
    // Ready for Enter: the settings (or the demo) are there to log in with.
    m_ui->Command1->setFocus();
}

void Login::login()
{
    if (!m_session.ReadDbConfig()) {
        MessageService::info(QStringLiteral("读取数据库配置文件出错！"));
        return;
    }
    m_session.setLogin(m_ui->txtUser->text(), m_ui->txtPwd->text());
    ScoreHistory::setUser(m_session.LoginUser());
    const auto refused = [](const Error& why) {
        MessageService::info(QStringLiteral("连接失败！对不起，您不能使用本系统！") + why.numberOrZero()
            + QLatin1Char(' ') + why.description);
    };
    if (m_session.ConnectDb(m_session.DbServer(), m_session.DbName(), m_ui->txtUser->text(), m_ui->txtPwd->text())) {
        // A server role given a teacher's rights is that teacher, not an administrator.
        auto rights = m_session.adoptRights(m_session.LoginUser());
        if (!rights) {
            refused(rights.error());
            return;
        }
        m_session.setAdmin(!rights->limited());
        MessageService::info(m_session.LoginUser()
            + (m_session.IsAdmin() ? QStringLiteral("使用 数据库管理员 登陆连接成功！")
                                   : QStringLiteral("使用 用户身份 权限登陆")));
        offerUpgrade();
        Windows::showMainForm(m_session);
        accept();
        return;
    }
    const Status checked = m_session.CheckUser(m_ui->txtUser->text(), m_ui->txtPwd->text());
    if (checked) {
        offerUpgrade();
        Windows::showMainForm(m_session);
        accept();
        return;
    }
    refused(checked.error());
}

} // namespace velmora
