#include "app/DbConfig.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/ui/CopyDatabase.h"
#include "app/ui/Login.h"
#include "app/ui/MainForm.h"
#include "app/ui/Restore.h"
#include "app/ui/Windows.h"
#include "data/Backup.h"
#include "data/UserRights.h"
#include "exams/TestRecord.h"
#include "platform/AppPaths.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/ResultGrid.h"
#include "support/Modal.h"
#include "support/OpenWindows.h"
#include "support/TestDb.h"
#include "support/Ui.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::TestDb;
using velmora::test::whenModal;

class TestMainForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;

    // Logged in on a fresh database, as administrator or not.
    void start(bool admin, bool withStudent, bool withClass)
    {
        m_db = std::make_unique<TestDb>();
        QVERIFY2(m_db->create(), qPrintable(m_db->lastError()));
        Database& db = m_db->db();
        if (withStudent)
            QVERIFY(db.exec(QStringLiteral("insert into tblLogin (学号, 姓名) values (?, ?)"),
                { QStringLiteral("1"), QStringLiteral("张三") }));
        if (!withClass)
            QVERIFY(db.exec(QStringLiteral("delete from tblClass")));
        QVERIFY(m_db->loginModule(admin));
        AppPaths::setProgramDir(m_db->dir());
        mod().setLogin(admin ? mod().DbUser() : QStringLiteral("teacher"));
        Desktop::startRecording(true);
    }

private Q_SLOTS:
    void cleanup()
    {
        mod().reset();
        m_db.reset();
    }

    void enablingRules_data()
    {
        QTest::addColumn<bool>("admin");
        QTest::addColumn<bool>("students");
        QTest::addColumn<bool>("classRow");
        QTest::addColumn<QStringList>("disabled");
        QTest::addColumn<QStringList>("messages");
        // The reports need a test: these databases hold none.
        const QStringList always { "ReportScore", "ReportSlips", "ReportTeach", "WinClose" };
        const QStringList userOnly { "Admin", "Commitment", "DataBase", "InfoAdd", "InfoDel", "InfoEdit", "InfoImport",
            "TestAdd", "TestDel", "TestEdit", "TestFill", "TestGrid", "TestImport", "DataRestore", "TestDeleted",
            "TestLock", "DataCopy" };
        QTest::newRow("administrator") << true << true << true << always << QStringList();
        QTest::newRow("ordinary user") << false << true << true << (always + userOnly) << QStringList();
        // A subject teacher enters scores; nothing else of an administrator's.
        QStringList teacher = always + userOnly;
        for (const char* entry : { "TestEdit", "TestFill", "TestGrid", "TestImport" })
            teacher.removeOne(QString::fromLatin1(entry));
        QTest::newRow("subject teacher") << false << true << true << teacher << QStringList();
        QTest::newRow("empty database") << true << false << false
                                        << (always + QStringList { "ClassConfig", "ScoreAnalyse", "Test" })
                                        << QStringList { "请添加学生信息！", "程序有错！数据库中少表tblClass." };
    }

    void enablingRules()
    {
        QFETCH(bool, admin);
        QFETCH(bool, students);
        QFETCH(bool, classRow);
        QFETCH(QStringList, disabled);
        QFETCH(QStringList, messages);
        start(admin, students, classRow);
        if (QByteArray(QTest::currentDataTag()) == "subject teacher")
            UserRights::setCurrent({ { QStringLiteral("语文") }, false });
        MainForm form(mod());
        form.load();
        QCOMPARE(MessageService::texts(), messages);
        QStringList off;
        for (QAction* a : form.findChildren<QAction*>()) {
            if (!a->objectName().isEmpty() && !a->isSeparator() && !a->isEnabled())
                off << a->objectName();
        }
        off.sort();
        disabled.sort();
        QCOMPARE(off, disabled);
    }

    // 学生成绩报表 opens once a test exists, 学生评语报表 once a test records
    // comments, seen when the menu is opened.
    void reportEntriesFollowTests()
    {
        start(true, true, true);
        MainForm form(mod());
        form.load();
        QAction* scores = form.entry(QStringLiteral("ReportScore"));
        QAction* comments = form.entry(QStringLiteral("ReportTeach"));
        QVERIFY(!scores->isEnabled() && !comments->isEnabled());
        const NewTest plain { QStringLiteral("月考"), QStringLiteral("2024-10-01"), QStringLiteral("平时考试"),
            QString(), { { 0 }, false, false } };
        QVERIFY(Exams::define(mod().Conn(), plain));
        Q_EMIT form.menu(QStringLiteral("Report"))->aboutToShow();
        QVERIFY(scores->isEnabled() && !comments->isEnabled());
        NewTest commented = plain;
        commented.items.comment = true;
        QVERIFY(Exams::define(mod().Conn(), commented));
        Q_EMIT form.menu(QStringLiteral("Report"))->aboutToShow();
        QVERIFY(scores->isEnabled() && comments->isEnabled());
    }

    void reLoginClosesTheConnection()
    {
        start(true, true, true);
        const ConnectionSettings& c = m_db->settings();
        QVERIFY(DbConfig::write(AppPaths::configFile(), { c.server, c.database, c.user, c.password }));
        QPointer<MainForm> form = Windows::showMainForm(mod());
        QTRY_VERIFY(MessageService::messages().isEmpty());
        form->entry(QStringLiteral("ReLogin"))->trigger();
        QVERIFY(!mod().Conn().isOpen());
        QTRY_VERIFY(!form);
        QVERIFY(!Windows::mainForm());
        Login* login = velmora::test::visibleLogin();
        QVERIFY(login);
        QTRY_VERIFY(child<QPushButton>(login, "Command1")->isEnabled());
        login->close();
    }

    // 备份数据库 now, then 恢复数据库 from the list with real clicks: the
    // current file is kept as one more backup, the chosen copy replaces it,
    // and the teacher logs in again. Closing takes a backup once a day.
    void backupAndRestore()
    {
        start(true, true, true);
        const ConnectionSettings& c = m_db->settings();
        QVERIFY(DbConfig::write(AppPaths::configFile(), { c.server, c.database, c.user, c.password }));
        const QString file = Backups::databaseFile(c);
        const QString folder = Backups::folderFor(file);
        auto count = [] { return test::rowCount(mod().Conn(), QStringLiteral("tblLogin")); };
        QPointer<MainForm> form = Windows::showMainForm(mod());
        QTRY_VERIFY(MessageService::messages().isEmpty());
        const int before = count();
        MessageService::setNextAnswer(MsgAnswer::No); // no second copy elsewhere
        form->entry(QStringLiteral("DataBackup"))->trigger();
        QVERIFY(MessageService::lastText().startsWith(QStringLiteral("已备份到 ")));
        QCOMPARE(Backups::list(file, folder).size(), 1);
        QVERIFY(
            mod().Conn().exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别) values ('999', '新生', '男')")));
        QCOMPARE(count(), before + 1);

        whenModal<Restore>([](Restore* dialog) {
            QCOMPARE(child<ResultGrid>(dialog, "grdBackups")->rows(), 2);
            test::click(dialog, "BN_Restore");
        });
        MessageService::setNextAnswer(MsgAnswer::Yes);
        form->entry(QStringLiteral("DataRestore"))->trigger();
        QCOMPARE(MessageService::lastText(), QStringLiteral("数据库已经恢复，请重新登陆。"));
        QTRY_VERIFY(!form);
        Login* login = velmora::test::visibleLogin();
        QVERIFY(login);
        login->close();
        QVERIFY(mod().Conn().open(c));
        QCOMPARE(count(), before);
        const auto kept = Backups::list(file, folder);
        QCOMPARE(kept.size(), 2);
        QVERIFY(kept.first().path.endsWith(QStringLiteral("_恢复前.db")));
        QCOMPARE(kept.first().students, before + 1);

        // Closing: no second backup the same day; a first one on a day without.
        for (const auto& b : kept)
            QVERIFY(QFile::remove(b.path));
        bool quit = false;
        Windows::setQuitHandler([&quit] { quit = true; });
        for (int round = 0; round < 2; ++round) {
            MessageService::clearMessages();
            QPointer<MainForm> again = Windows::showMainForm(mod());
            QTRY_VERIFY(MessageService::messages().isEmpty());
            again->close();
            QTRY_VERIFY(!again);
            QCOMPARE(Backups::list(file, folder).size(), 1);
        }
        Windows::setQuitHandler({});
        QVERIFY(quit);
    }

    // Ctrl+X ends the program from the menus, but on the score sheet it cuts
    // the chosen cells, as a spreadsheet does; Ctrl+Z puts them back.
    void ctrlXCutsOnTheScoreSheet()
    {
        start(true, true, true);
        QVERIFY(m_db->db().exec(QStringLiteral("insert into tblLogin (学号, 姓名) values ('2', '李四')")));
        QVERIFY(Exams::define(m_db->db(),
            { QStringLiteral("月考"), QString(), QStringLiteral("平时考试"), QString(), { { 0, 1 }, false, false } }));
        QVERIFY(m_db->db().exec(QStringLiteral("update TblScore1 set 语文=90, 数学=80")));
        bool quit = false;
        Windows::setQuitHandler([&quit] { quit = true; });
        QPointer<MainForm> form = Windows::showMainForm(mod());
        QVERIFY(QTest::qWaitForWindowActive(form));
        form->showGridFor(1);
        auto* view = form->findChild<QTableView*>(QStringLiteral("Grid"));
        QVERIFY(view);
        QTRY_VERIFY(view->hasFocus());
        view->selectionModel()->select(QItemSelection(view->model()->index(0, 0), view->model()->index(1, 1)),
            QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier);
        QVERIFY(form && form->isVisible());
        QVERIFY(!quit);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("90\t80\n90\t80\n"));
        QCOMPARE(view->model()->index(1, 1).data().toString(), QString());
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view->model()->index(0, 0).data().toString(), QStringLiteral("90"));
        QCOMPARE(view->model()->index(1, 1).data().toString(), QStringLiteral("80"));
        // Elsewhere Ctrl+X is still 退出系统.
        QCOMPARE(form->entry(QStringLiteral("Exit"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
        Windows::setQuitHandler({});
        delete form;
    }

    // 复制数据库 into a new file, typed in the dialog; the copy holds the class.
    void copyDatabaseIntoAFile()
    {
        start(true, true, true);
        const ConnectionSettings& c = m_db->settings();
        QVERIFY(DbConfig::write(AppPaths::configFile(), { c.server, c.database, c.user, c.password }));
        QPointer<MainForm> form = Windows::showMainForm(mod());
        QTRY_VERIFY(MessageService::messages().isEmpty());
        QTemporaryDir into;
        whenModal<CopyDatabase>([&into](CopyDatabase* dialog) {
            QCOMPARE(child<QComboBox>(dialog, "cboServer")->currentText(), QString());
            QTest::keyClicks(child<QComboBox>(dialog, "cboServer"), "(local)");
            child<QLineEdit>(dialog, "txtDatabase")->selectAll();
            QTest::keyClicks(child<QLineEdit>(dialog, "txtDatabase"), "copy1");
            QTest::keyClicks(child<QLineEdit>(dialog, "txtPassword"), "pw");
            child<QLineEdit>(dialog, "txtFolder")->selectAll();
            QTest::keyClicks(child<QLineEdit>(dialog, "txtFolder"), into.path());
            test::click(dialog, "BN_Copy");
        });
        form->entry(QStringLiteral("DataCopy"))->trigger();
        QVERIFY2(MessageService::lastText().startsWith(QStringLiteral("已把班级数据库复制到")),
            qPrintable(MessageService::lastText()));
        Database copy;
        QVERIFY(copy.open(
            { QStringLiteral("(local)"), QStringLiteral("copy1"), c.user, QStringLiteral("pw"), into.path() }));
        QVERIFY(test::rowCount(copy, QStringLiteral("tblLogin")) > 0);
        QCOMPARE(
            test::rowCount(copy, QStringLiteral("tblLogin")), test::rowCount(mod().Conn(), QStringLiteral("tblLogin")));
        form->close();
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
