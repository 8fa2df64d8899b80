#include "app/DbConfig.h"
#include "app/DemoData.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/ui/Config.h"
#include "app/ui/Login.h"
#include "app/ui/MainForm.h"
#include "app/ui/Windows.h"
#include "data/Schema.h"
#include "platform/AppPaths.h"
#include "support/Files.h"
#include "support/Modal.h"
#include "support/SmallDisk.h"
#include "support/TestDb.h"
#include "support/Ui.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::TestDb;
using velmora::test::whenModal;

class TestLogin : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;
    bool m_quit = false;

    void writeConfig(const ConnectionSettings& s)
    {
        const Status written = DbConfig::write(AppPaths::configFile(), { s.server, s.database, s.user, s.password });
        QVERIFY2(written, qPrintable(written.error().description));
    }
    static void type(QLineEdit* box, const QString& text)
    {
        box->clear();
        QTest::keyClicks(box, text);
    }
    // The four settings typed into the configuration window, then 测试连接.
    static void typeSettings(Config* config, const ConnectionSettings& s, const QString& password)
    {
        const std::pair<const char*, QString> boxes[] = { { "txtServer", s.server }, { "txtDataBase", s.database },
            { "txtUser", s.user }, { "txtPwd", password } };
        for (const auto& [name, text] : boxes)
            type(child<QLineEdit>(config, name), text);
        test::click(config, "Command1");
    }
    // Logs in through the window as a user would, Enter in the password box;
    // returns whether the main window opened.
    bool loginAs(const QString& user, const QString& password)
    {
        Login login(mod());
        login.load();
        type(child<QLineEdit>(&login, "txtUser"), user);
        type(child<QLineEdit>(&login, "txtPwd"), password);
        QTest::keyClick(child<QLineEdit>(&login, "txtPwd"), Qt::Key_Return);
        return Windows::mainForm() != nullptr;
    }

    static void logout()
    {
        if (MainForm* form = Windows::mainForm()) {
            form->close();
            delete form;
        }
        mod().Conn().close();
    }

private Q_SLOTS:
    void initTestCase()
    {
        Windows::setQuitHandler([this] { m_quit = true; });
    }

    void init()
    {
        VELMORA_REQUIRE_BACKEND();
        m_db = std::make_unique<TestDb>();
        QVERIFY2(m_db->create(), qPrintable(m_db->lastError()));
        AppPaths::setAppDir(m_db->dir());
        mod().reset();
        MessageService::startRecording();
    }

    void cleanup()
    {
        logout();
        mod().reset();
        m_db.reset();
    }

    void usersTableDecidesThePrivilege()
    {
        writeConfig(m_db->settings());
        Database& db = m_db->db();
        const QString add = QStringLiteral("insert into tblUsers (UserName, PWD, Grade) values (?, ?, ?)");
        QVERIFY(db.exec(add, { QStringLiteral("head"), QStringLiteral("pw1"), QStringLiteral(" Admin ") }));
        QVERIFY(db.exec(add, { QStringLiteral("low"), QStringLiteral("pw2"), QStringLiteral("admin") }));

        // Exactly one login each: Enter does not press a default button as well.
        QVERIFY(loginAs(QStringLiteral("head"), QStringLiteral("pw1")));
        QVERIFY(mod().IsAdmin());
        QCOMPARE(MessageService::texts(), QStringList({ "head使用 系统管理员 权限登陆" }));
        logout();
        QVERIFY(loginAs(QStringLiteral("low"), QStringLiteral("pw2")));
        QVERIFY(!mod().IsAdmin());
        QCOMPARE(MessageService::lastText(), QStringLiteral("low使用 用户身份 权限登陆"));
        logout();

        // Each login replaced the password as typed by its hash; the same password still logs in.
        QVERIFY(loginAs(QStringLiteral("head"), QStringLiteral("pw1")));
        logout();
        QVERIFY(!loginAs(QStringLiteral("head"), QStringLiteral("pw2")));
        QCOMPARE(MessageService::lastText(), QStringLiteral("连接失败！对不起，您不能使用本系统！0 "));
    }

    void failedLoginsLeaveTheConnectionClosed_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << QStringLiteral("admin") << QStringLiteral("654321");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("case differs") << QStringLiteral("ADMIN") << QStringLiteral("123456");
    }

    void failedLoginsLeaveTheConnectionClosed()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        writeConfig(m_db->settings());
        QVERIFY(!loginAs(user, password));
        QCOMPARE(MessageService::texts(), QStringList({ "连接失败！对不起，您不能使用本系统！0 " }));
        QVERIFY(!mod().Conn().isOpen());
    }

    void storedSettingsThatDoNotOpenAreReported()
    {
        ConnectionSettings s = m_db->settings();
        s.password += QStringLiteral("-wrong");
        writeConfig(s);
        QVERIFY(!loginAs(QStringLiteral("admin"), QStringLiteral("123456")));
        const QString text = MessageService::texts().value(0);
        QVERIFY2(text.startsWith(QStringLiteral("连接失败！对不起，您不能使用本系统！")), qPrintable(text));
        QVERIFY(!text.endsWith(QStringLiteral("！0 ")));
        QVERIFY(!mod().Conn().isOpen());
    }

    // A first start with neither settings nor a database offers the demo
    // class, and one click on 登录 then opens it.
    void firstStartOffersTheDemo()
    {
        QTemporaryDir fresh;
        AppPaths::setAppDir(fresh.path());
        Login login(mod());
        MessageService::setNextAnswer(MsgAnswer::Yes);
        login.load();
        const QStringList said = MessageService::texts();
        QCOMPARE(said.size(), 3);
        QVERIFY(said[1].startsWith(QStringLiteral("是否创建示例数据库？")));
        QVERIFY2(said[2].startsWith(QStringLiteral("示例数据库已建在 ")), qPrintable(said[2]));
        QCOMPARE(DbConfig::read(AppPaths::configFile()).values.database, QStringLiteral("students"));
        QVERIFY(child<QPushButton>(&login, "Command1")->isEnabled());
        test::click(&login, "Command1");
        QVERIFY(Windows::mainForm());
        QCOMPARE(test::rowCount(mod().Conn(), QStringLiteral("tblLogin")), DemoData::kStudents);
        logout();

        // Once a database is there it is never offered again, whatever the settings say.
        QVERIFY(QFile::remove(AppPaths::configFile()));
        Login again(mod());
        MessageService::clearMessages();
        bool sawConfig = false;
        whenModal<Config>([&](Config* config) {
            sawConfig = true;
            config->close();
        });
        again.load();
        QVERIFY(sawConfig);
        QCOMPARE(MessageService::texts().size(), 1);
        AppPaths::setAppDir(m_db->dir());
    }

    void firstStartLeadsThroughTheConfiguration()
    {
        const ConnectionSettings s = m_db->settings();
        Login login(mod());
        bool sawConfig = false;
        whenModal<Config>([&](Config* config) {
            sawConfig = true;
            QVERIFY(!child<QPushButton>(config, "Command2")->isEnabled());
            type(child<QLineEdit>(config, "txtServer"), QStringLiteral("   "));
            test::click(config, "Command1");
            typeSettings(config, s, s.password + QStringLiteral("bad"));
            QVERIFY(!child<QPushButton>(config, "Command2")->isEnabled());
            type(child<QLineEdit>(config, "txtPwd"), s.password);
            test::click(config, "Command1");
            QVERIFY(child<QPushButton>(config, "Command2")->isEnabled());
            QVERIFY(mod().Conn().isOpen());
            // A later failed test does not take the save back.
            type(child<QLineEdit>(config, "txtPwd"), QStringLiteral("bad"));
            test::click(config, "Command1");
            QVERIFY(child<QPushButton>(config, "Command2")->isEnabled());
            type(child<QLineEdit>(config, "txtPwd"), s.password);
            test::click(config, "Command2");
        });
        login.load();
        QVERIFY(sawConfig);
        QStringList said = MessageService::texts();
        // Without an embedded file the demo is offered first; no queued answer declines it.
        if (TestDb::isPostgres())
            QVERIFY(said.takeAt(1).startsWith(QStringLiteral("是否创建示例数据库？")));
        QCOMPARE(said,
            QStringList({ "Dbcfg.dat不存在！这是您第一次使用本系统，请进行数据库设置", "请填写所有的数据库配置信息!",
                "连接不成功", "连接成功", "连接不成功" }));
        QVERIFY(child<QPushButton>(&login, "Command1")->isEnabled());
        QVERIFY(child<QPushButton>(&login, "Command2")->isEnabled());
        QCOMPARE(child<QLineEdit>(&login, "txtUser")->text(), s.user);
        QCOMPARE(child<QLineEdit>(&login, "txtPwd")->text(), s.password);
        QVERIFY(!mod().Conn().isOpen());
        const auto stored = DbConfig::read(AppPaths::configFile());
        QCOMPARE(stored.values.database, s.database);

        test::click(&login, "Command1");
        QVERIFY(Windows::mainForm());
        QVERIFY(mod().IsAdmin());
    }

    // A program folder installed read-only with dbcfg.dat (and the embedded
    // file) in it: both are used where they are; a saved setting goes to the
    // user's folder, the message says where, and from then on it is the one read.
    void readOnlyProgramFolder()
    {
        test::ReadOnlyFolder program;
        if (!program.ready())
            QSKIP(qPrintable(program.why()));
        QTemporaryDir user;
        const ConnectionSettings s = m_db->settings();
        QVERIFY(
            DbConfig::write(program.path(QStringLiteral("dbcfg.dat")), { s.server, s.database, s.user, s.password }));
        if (!TestDb::isPostgres()) {
            m_db->db().close();
            QVERIFY(QFile::copy(QDir(m_db->dir()).filePath(QStringLiteral("students.db")),
                program.path(QStringLiteral("students.db"))));
        }
        QVERIFY(program.seal());
        const QByteArray shipped = test::readFile(program.path(QStringLiteral("dbcfg.dat")));
        AppPaths::setAppDir(QString());
        AppPaths::setProgramDir(program.dir());
        AppPaths::setUserDir(user.path());
        auto restore = qScopeGuard([&] {
            AppPaths::setProgramDir(QString());
            AppPaths::setUserDir(QString());
            AppPaths::setAppDir(m_db->dir());
        });

        QVERIFY(loginAs(QStringLiteral("admin"), QStringLiteral("123456")));
        QCOMPARE(mod().DbName(), s.database);
        QCOMPARE(test::rowCount(mod().Conn(), QStringLiteral("tblUsers")), 2);
        logout();

        Login login(mod());
        Config config(mod(), &login);
        typeSettings(&config, s, s.password);
        QVERIFY(child<QPushButton>(&config, "Command2")->isEnabled());
        MessageService::clearMessages();
        test::click(&config, "Command2");
        const QString saved = QDir(user.path()).filePath(QStringLiteral("dbcfg.dat"));
        QCOMPARE(MessageService::texts(),
            QStringList {
                QStringLiteral("程序文件夹 %1 不存放数据，数据库配置已保存到 %2。").arg(program.dir(), saved) });
        QCOMPARE(DbConfig::read(saved).values.database, s.database);
        QCOMPARE(AppPaths::configFile(), saved);
        QCOMPARE(test::readFile(program.path(QStringLiteral("dbcfg.dat"))), shipped);
        // The embedded file is still found in the program folder.
        QVERIFY(loginAs(QStringLiteral("teacher"), QStringLiteral("123456")));
    }

    void failedSaveKeepsTheLoginClosed()
    {
        const ConnectionSettings s = m_db->settings();
        writeConfig(s);
        const QString before = AppPaths::configFile();
        Login login(mod());
        Config config(mod(), &login);
        connect(&config, &Config::saved, &login, &Login::configSaved);
        typeSettings(&config, s, s.password);
        QVERIFY(child<QPushButton>(&config, "Command2")->isEnabled());
        // The folder is gone by the time the teacher saves.
        AppPaths::setAppDir(m_db->dir() + QStringLiteral("/gone"));
        test::click(&config, "Command2");
        QVERIFY(MessageService::lastText().startsWith(QStringLiteral("保存设置失败！")));
        QVERIFY(!child<QPushButton>(&login, "Command1")->isEnabled());
        QVERIFY(mod().DbName().isEmpty());
        AppPaths::setAppDir(m_db->dir());
        QCOMPARE(DbConfig::read(before).values.password, s.password);

        // Characters that cannot be stored are refused before anything changes.
        child<QLineEdit>(&config, "txtUser")->setText(QStringLiteral("a\tb"));
        test::click(&config, "Command2");
        QVERIFY(MessageService::lastText().startsWith(QStringLiteral("用户名中含有不能保存的字符")));
        QCOMPARE(DbConfig::read(before).values.user, s.user);
    }

    void exitEndsTheProgram()
    {
        writeConfig(m_db->settings());
        Login login(mod());
        login.load();
        m_quit = false;
        test::click(&login, "Command2");
        QVERIFY(m_quit);
    }

    // Testing a connection or logging in never changes the database's layout;
    // an administrator is asked, and only a Yes upgrades.
    void connectingWritesNothing()
    {
        TestDb empty;
        QVERIFY2(empty.createEmpty(), qPrintable(empty.lastError()));
        const ConnectionSettings& e = empty.settings();
        AppPaths::setAppDir(empty.dir());
        QVERIFY(mod().ConnectDb(e.server, e.database, e.user, e.password));
        mod().Conn().close();
        QVERIFY(!*empty.db().tableExists(QStringLiteral("tblLogin")));
        QVERIFY(!*empty.db().tableExists(QStringLiteral("velmora_schema")));

        TestDb bare;
        QVERIFY2(bare.createBare(), qPrintable(bare.lastError()));
        AppPaths::setAppDir(bare.dir());
        writeConfig(bare.settings());
        MessageService::clearMessages();
        QVERIFY(loginAs(QStringLiteral("low"), QStringLiteral("pw")));
        QVERIFY(!mod().IsAdmin());
        QCOMPARE(MessageService::messages().size(), 1); // the privilege, no question
        logout();
        QVERIFY(!*bare.db().tableExists(QStringLiteral("velmora_schema")));

        MessageService::clearMessages();
        MessageService::setNextAnswer(MsgAnswer::No);
        QVERIFY(loginAs(QStringLiteral("head"), QStringLiteral("pw")));
        QVERIFY(MessageService::texts().value(1).startsWith(QStringLiteral("数据库需要升级")));
        logout();
        QVERIFY(!*bare.db().tableExists(QStringLiteral("velmora_schema")));

        MessageService::clearMessages();
        MessageService::setNextAnswer(MsgAnswer::Yes);
        QVERIFY(loginAs(QStringLiteral("head"), QStringLiteral("pw")));
        QVERIFY(MessageService::lastText().startsWith(QStringLiteral("数据库升级完毕")));
        logout();
        QCOMPARE(*Schema::version(bare.db()), Schema::kLatestVersion);
        // Once up to date, nobody is asked again.
        MessageService::clearMessages();
        QVERIFY(loginAs(QStringLiteral("head"), QStringLiteral("pw")));
        QCOMPARE(MessageService::messages().size(), 1);
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
