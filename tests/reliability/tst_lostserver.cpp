// The PostgreSQL server goes away under an open main window and score entry.
#include "app/DbConfig.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/ui/Login.h"
#include "app/ui/MainForm.h"
#include "app/ui/Windows.h"
#include "data/Schema.h"
#include "exams/TestRecord.h"
#include "exams/ui/TestFill.h"
#include "platform/AppPaths.h"
#include "support/Files.h"
#include "support/HostTools.h"
#include "support/OpenWindows.h"
#include "support/Ui.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;
using velmora::test::child;

class TestLostServer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_runAs;
    int m_port = 0;

    // The server's programs are the host's, also for the Windows tests under Wine.
    bool pg(const QString& tool, const QStringList& args)
    {
        QStringList command { m_bin + QLatin1Char('/') + tool };
        command << args;
        if (!m_runAs.isEmpty())
            command = QStringList { QStringLiteral("-u"), m_runAs, QStringLiteral("--") } + command;
        const QString runuser = QFileInfo::exists(QStringLiteral("/usr/sbin/runuser"))
            ? QStringLiteral("/usr/sbin/runuser")
            : QStringLiteral("runuser");
        const test::HostRun run = test::runHost(m_runAs.isEmpty() ? command.takeFirst() : runuser, command, 60000);
        if (!run.ok())
            qWarning("%s: %s", qPrintable(tool), run.err.constData());
        return run.ok();
    }
    QString path(const QString& name) const { return test::hostPath(m_dir.filePath(name)); }
    bool startServer()
    {
        return pg(QStringLiteral("pg_ctl"),
            { QStringLiteral("-D"), path(QStringLiteral("data")), QStringLiteral("-w"), QStringLiteral("-l"),
                path(QStringLiteral("log")), QStringLiteral("-o"),
                QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                    .arg(m_port)
                    .arg(test::hostPath(m_dir.path())),
                QStringLiteral("start") });
    }
    bool stopServer()
    {
        return pg(QStringLiteral("pg_ctl"),
            { QStringLiteral("-D"), path(QStringLiteral("data")), QStringLiteral("-m"), QStringLiteral("immediate"),
                QStringLiteral("stop") });
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_bin = qEnvironmentVariable("VELMORA_PG_BIN");
        m_runAs = qEnvironmentVariable("VELMORA_PG_RUNAS");
        if (m_bin.isEmpty()) {
            if (qEnvironmentVariableIsSet("VELMORA_REQUIRE_PG"))
                QFAIL("VELMORA_PG_BIN is not set");
            QSKIP("no PostgreSQL programs (VELMORA_PG_BIN is not set)");
        }
        const QString pw = m_dir.filePath(QStringLiteral("pw"));
        QVERIFY(test::writeFile(pw, "lost\n"));
        // The server runs as a user of its own, which must reach both; under
        // Wine through the host's chmod, Windows having no mode bits.
        QVERIFY(test::runHost(
            test::hostTool(QStringLiteral("chmod")), { QStringLiteral("o+rwx"), test::hostPath(m_dir.path()) })
                    .ok());
        QVERIFY(
            test::runHost(test::hostTool(QStringLiteral("chmod")), { QStringLiteral("a+r"), test::hostPath(pw) }).ok());
        QVERIFY(pg(QStringLiteral("initdb"),
            { QStringLiteral("-D"), path(QStringLiteral("data")), QStringLiteral("-U"), QStringLiteral("lost"),
                QStringLiteral("--pwfile=") + test::hostPath(pw), QStringLiteral("--auth=scram-sha-256"),
                QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C") }));
        // A port of its own; the next one when it is taken.
        bool started = false;
        for (int attempt = 0; attempt < 10 && !started; ++attempt) {
            m_port = 57000 + int(QCoreApplication::applicationPid() % 1000) * 3 + attempt;
            started = startServer();
        }
        QVERIFY(started);
        Windows::setQuitHandler([] {});
        MessageService::startRecording();
    }
    void cleanupTestCase()
    {
        mod().reset();
        if (!m_bin.isEmpty())
            stopServer();
    }

    void nothingTypedIsLostAndLoginWorksAgain()
    {
        const ConnectionSettings s { QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("students"),
            QStringLiteral("lost"), QStringLiteral("lost"), m_dir.path() };
        QVERIFY(Schema::createServerDatabase(s, true));
        {
            Database setup;
            QVERIFY(setup.open(s));
            QVERIFY(Schema::create(setup));
            QVERIFY(Schema::seed(setup));
            QVERIFY(setup.exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别) values ('1', '甲', '男')")));
            QVERIFY(Exams::define(setup,
                { QStringLiteral("月考"), QString(), QStringLiteral("平时考试"), QString(), { { 0 }, false, true } }));
        }
        AppPaths::setAppDir(m_dir.path());
        QVERIFY(DbConfig::write(AppPaths::configFile(), { s.server, s.database, s.user, s.password }));
        QVERIFY(mod().ReadDbConfig());
        mod().setLogin(s.user);
        QVERIFY(mod().ConnectDb(s.server, s.database, s.user, s.password));
        MainForm* main = Windows::showMainForm(mod());
        QTRY_VERIFY(MessageService::messages().isEmpty());

        mod().setSelNo(QStringLiteral("1"));
        TestFill fill(mod());
        fill.load();
        child<QLineEdit>(&fill, "Text1")->setText(QStringLiteral("88"));
        child<QPlainTextEdit>(&fill, "txtTeacher")->setPlainText(QStringLiteral("还没保存的评语"));

        // The teacher is told the server is gone, not to restart the program,
        // and is offered to log in again; No keeps everything as it is.
        const QStringList lost { QStringLiteral(
            "与数据库服务器的连接已断开，请检查网络后重新登陆。\r\n现在重新登陆吗？") };
        QVERIFY(stopServer());
        MessageService::clearMessages();
        test::click(&fill, "BN_Save");
        QCOMPARE(MessageService::texts(), lost);
        QCOMPARE(child<QLineEdit>(&fill, "Text1")->text(), QStringLiteral("88"));
        QCOMPARE(child<QPlainTextEdit>(&fill, "txtTeacher")->toPlainText(), QStringLiteral("还没保存的评语"));
        MessageService::clearMessages();
        main->entry(QStringLiteral("InfoWatch"))->trigger();
        QCOMPARE(MessageService::texts(), lost);
        QVERIFY(Windows::mainForm());

        // The server is back: Yes to the offer logs in again and the typed values go in.
        QVERIFY(startServer());
        MessageService::clearMessages();
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&fill, "BN_Save");
        QCOMPARE(MessageService::texts(), lost);
        QTRY_VERIFY(!Windows::mainForm());
        Login* login = velmora::test::visibleLogin();
        QVERIFY(login);
        QTRY_VERIFY(child<QPushButton>(login, "Command1")->isEnabled());
        child<QLineEdit>(login, "txtUser")->setText(s.user);
        child<QLineEdit>(login, "txtPwd")->setText(s.password);
        MessageService::clearMessages();
        test::click(login, "Command1");
        QVERIFY(Windows::mainForm());
        QVERIFY(mod().Conn().isOpen());
        MessageService::clearMessages();
        test::click(&fill, "BN_Save");
        QCOMPARE(MessageService::texts(), QStringList({ "保存完毕！" }));
        auto stored = mod().Conn().select(QStringLiteral("select 语文, 教师评语 from tblScore1"));
        QCOMPARE(stored->text(0), QStringLiteral("88"));
        QCOMPARE(stored->text(1), QStringLiteral("还没保存的评语"));
        delete Windows::mainForm();
    }
};

QTEST_MAIN(TestLostServer)
#include "tst_lostserver.moc"
