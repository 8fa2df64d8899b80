// A subject teacher changes only the subjects taught, a read-only user
// nothing; the core refuses what the windows grey out.
#include "app/Module1.h"
#include "app/UserRights.h"
#include "app/Users.h"
#include "app/ui/MainForm.h"
#include "app/ui/User.h"
#include "classes/StatsRules.h"
#include "data/Schema.h"
#include "data/ServerRoles.h"
#include "exams/ScoreHistory.h"
#include "exams/ScoreSheet.h"
#include "exams/ScoreTable.h"
#include "exams/TestLocks.h"
#include "exams/TestRecord.h"
#include "exams/ui/ScoreGrid.h"
#include "exams/ui/ScoreImportDialog.h"
#include "exams/ui/TestFill.h"
#include "platform/MessageService.h"
#include "platform/ui/FileDialogs.h"
#include "support/DbTestCase.h"
#include "support/Modal.h"
#include "support/Ui.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::whenModal;

namespace {
const QString kChinese = QStringLiteral("您只能修改所教科目（语文）的成绩。");
const QString kReadOnly = QStringLiteral("您是只读用户，只能查看、打印和导出，不能修改数据。");
} // namespace

class TestRights : public velmora::test::DbTestCase
{
    Q_OBJECT

    int m_test = 0;

    void prepare() override
    {
        ScoreHistory::setUser(QStringLiteral("adm"));
        for (const char* number : { "01", "02" })
            QVERIFY(db().exec(QStringLiteral("insert into tblLogin (学号, 姓名) values (?, ?)"),
                { QString::fromLatin1(number), QStringLiteral("学生") + QString::fromLatin1(number) }));
        auto defined = Exams::define(db(),
            { QStringLiteral("期中"), QStringLiteral("2026-11-01"), QStringLiteral("期中考试"), QString(),
                { { 0, 1 }, true, true } });
        QVERIFY(defined);
        m_test = defined->number;
    }

    QString stored(const QString& column, const QString& student = QStringLiteral("01"))
    {
        auto row = db().select(
            QStringLiteral("select %1 from %2 where 学号=?").arg(column, Schema::scoreTableName(m_test)), { student });
        return row && !row->eof() ? row->text(0) : QStringLiteral("<none>");
    }
    // Logs in as teacher, whose rights are these.
    void loginAsTeacher(const UserRights::Rights& rights)
    {
        QVERIFY(UserRights::store(db(), QStringLiteral("teacher"), rights));
        mod().LoginUser = QStringLiteral("teacher");
        QVERIFY(mod().CheckUser(QStringLiteral("teacher"), QStringLiteral("123456")));
        QVERIFY(!mod().IsAdmin);
        mod().SelNo = QString::number(m_test);
    }

private Q_SLOTS:
    // Every way a score is written asks the core, whatever the window let
    // through: a locked test, a subject teacher, a read-only user.
    void coreRefusesEveryWayIn_data()
    {
        QTest::addColumn<int>("who"); // 0 locks the test; 1 teaches 语文; 2 only reads
        QTest::addColumn<QString>("why");
        QTest::newRow("locked") << 0 << QStringLiteral("考试“期中”的成绩已锁定，如需修改请先解锁。");
        QTest::newRow("语文 teacher") << 1 << kChinese;
        QTest::newRow("read-only") << 2 << kReadOnly;
    }
    void coreRefusesEveryWayIn()
    {
        QFETCH(int, who);
        QFETCH(QString, why);
        auto test = Exams::fetch(db(), m_test);
        QVERIFY(test && *test);
        // Read while open to all, as a window opened before the lock or the rights.
        ScoreTable table;
        QVERIFY(table.load(db(), **test));
        table.edit({ { 0, 1, QStringLiteral("66") } });
        QVERIFY(table.save(db()));
        const auto made = ScoreHistory::list(db(), m_test);
        QVERIFY(made && made->size() == 1);
        if (who == 0) {
            QVERIFY(TestLocks::lock(db(), m_test));
            QVERIFY(TestLocks::lock(db(), m_test)); // twice is once
        } else {
            UserRights::setCurrent({ who == 1 ? QStringList { QStringLiteral("语文") } : QStringList(), who == 2 });
        }

        ScoreEntry entry;
        entry.student = QStringLiteral("02");
        entry.subjects = QStringList(14);
        entry.subjects[0] = entry.subjects[1] = QStringLiteral("0");
        entry.duties = QStringList(5, QStringLiteral("0"));
        ScoreEntry typed = entry;
        typed.subjects[1] = QStringLiteral("70");
        const QVector<std::pair<QString, std::function<Status()>>> writes {
            { QStringLiteral("entry"), [&] { return Scores::save(db(), m_test, (*test)->items, typed, entry); } },
            { QStringLiteral("grid"),
                [&] {
                    table.edit({ { 1, 1, QStringLiteral("70") } });
                    return table.save(db());
                } },
            { QStringLiteral("full marks"), [&] { return Exams::setFullMarks(db(), m_test, 1, 120); } },
            { QStringLiteral("deletion"),
                [&]() -> Status {
                    auto gone = Exams::remove(db(), m_test);
                    return gone ? Status(Done {}) : Status(gone.error());
                } },
            { QStringLiteral("put back"), [&] { return ScoreHistory::putBack(db(), made->first()); } },
        };
        for (const auto& [way, write] : writes) {
            const Status done = write();
            QVERIFY2(!done, qPrintable(way));
            QCOMPARE(done.error().description, why);
        }
        QCOMPARE(stored(QStringLiteral("数学")), QStringLiteral("66"));
        QCOMPARE(stored(QStringLiteral("数学"), QStringLiteral("02")), QStringLiteral("0"));
        QVERIFY(Exams::fetch(db(), m_test)->has_value());

        // The subject taught goes in; nothing does for the others.
        typed = entry;
        typed.subjects[0] = QStringLiteral("91");
        QCOMPARE(bool(Scores::save(db(), m_test, (*test)->items, typed, entry)), who == 1);
        QCOMPARE(stored(QStringLiteral("语文"), QStringLiteral("02")), who == 1 ? "91" : QStringLiteral("0"));
        if (who != 0)
            return;
        // Unlocked, the grid's save goes in; lock and unlock are in the history.
        QVERIFY(TestLocks::unlock(db(), m_test));
        QVERIFY(table.save(db()));
        QCOMPARE(stored(QStringLiteral("数学"), QStringLiteral("02")), QStringLiteral("70"));
        auto history = ScoreHistory::list(db(), m_test);
        QVERIFY(history && history->size() == 4);
        QCOMPARE(QStringList({ history->at(1).after, history->at(2).after, history->at(2).user }),
            QStringList({ "未锁定", "已锁定", "adm" }));
    }

    // 权限设置: the subjects and 只读 of an ordinary user, kept and shown again.
    void rightsWindow()
    {
        User window;
        window.load();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* users = child<QComboBox>(&window, "User");
        const auto choose = [&](const QString& name) {
            users->setCurrentIndex(users->findText(name));
            Q_EMIT users->activated(users->currentIndex());
        };
        const auto tick = [&](const char* name) {
            QTest::mouseClick(child<QCheckBox>(&window, QString::fromLatin1(name)), Qt::LeftButton, {}, QPoint(4, 4));
        };
        choose(QStringLiteral("admin"));
        QVERIFY(!child<QGroupBox>(&window, "fraSubjects")->isEnabled());
        choose(QStringLiteral("teacher"));
        QVERIFY(child<QGroupBox>(&window, "fraSubjects")->isEnabled());
        tick("chkSubject0");
        tick("chkSubject1");
        QTest::mouseClick(child<QPushButton>(&window, "Command1"), Qt::LeftButton);
        QCOMPARE(MessageService::lastText(), QStringLiteral("用户 teacher 已经更改为User（任教科目：语文、数学）"));
        QCOMPARE(rowOf(QStringLiteral("select 科目, 只读 from velmora_user_rights where UserName='teacher'")),
            QStringList({ "语文,数学", "0" }));

        choose(QStringLiteral("admin"));
        QVERIFY(!child<QCheckBox>(&window, "chkSubject0")->isChecked());
        choose(QStringLiteral("teacher"));
        QVERIFY(child<QCheckBox>(&window, "chkSubject1")->isChecked());
        tick("chkReadOnly");
        QVERIFY(!child<QGroupBox>(&window, "fraSubjects")->isEnabled());
        QTest::mouseClick(child<QPushButton>(&window, "Command1"), Qt::LeftButton);
        QCOMPARE(MessageService::lastText(), QStringLiteral("用户 teacher 已经更改为User（只读）"));
        QCOMPARE(rowOf(QStringLiteral("select 科目, 只读 from velmora_user_rights where UserName='teacher'")),
            QStringList({ "", "1" }));
        // Made an administrator, the limits go.
        QTest::mouseClick(child<QRadioButton>(&window, "Option1"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(&window, "Command1"), Qt::LeftButton);
        QVERIFY(rowOf(QStringLiteral("select 只读 from velmora_user_rights")).isEmpty());
    }

    // A subject teacher's windows: the entries to enter scores open, other
    // subjects grey and untouched by typing, an import's other columns refused.
    void subjectTeacherWindows()
    {
        loginAsTeacher({ { QStringLiteral("语文") }, false });
        {
            MainForm form;
            form.load();
            QVERIFY(form.entry(QStringLiteral("TestGrid"))->isEnabled());
            QVERIFY(form.entry(QStringLiteral("TestFill"))->isEnabled());
            QVERIFY(!form.entry(QStringLiteral("TestAdd"))->isEnabled());
        }
        ScoreGrid sheet;
        QVERIFY(sheet.load());
        sheet.show();
        QVERIFY(QTest::qWaitForWindowActive(&sheet));
        auto* cells = child<QTableView>(&sheet, "Grid");
        // Each key where it lands, an opened cell editor included.
        const auto typeAt = [&](int column, const char* keys) {
            cells->setCurrentIndex(cells->model()->index(0, column));
            for (const char* k = keys; *k; ++k)
                QTest::keyClick(QApplication::focusWidget(), *k);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCoreApplication::processEvents();
        };
        typeAt(1, "77");
        typeAt(0, "88");
        QVERIFY(child<QLabel>(&sheet, "lblStatus")->text().endsWith(QStringLiteral("灰色列只能查看：") + kChinese));
        QTest::mouseClick(child<QPushButton>(&sheet, "BN_Save"), Qt::LeftButton);
        QCOMPARE(stored(QStringLiteral("语文")), QStringLiteral("88"));
        QCOMPARE(stored(QStringLiteral("数学")), QStringLiteral("0"));

        // An export's other columns are refused each by name; the subject taught comes in.
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("期中.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("学号,语文,数学,总分\r\n02,90,80,170\r\n").toUtf8());
        file.close();
        whenModal<ScoreImportDialog>([](ScoreImportDialog* preview) {
            QTest::mouseClick(child<QPushButton>(preview, "BN_Import"), Qt::LeftButton);
        });
        FileDialogs::setNextFileName(csv);
        QVERIFY(sheet.importFile());
        QVERIFY2(MessageService::lastText().endsWith(QStringLiteral("数学、总分 没有导入：") + kChinese),
            qPrintable(MessageService::lastText()));
        QCOMPARE(cells->model()->index(1, 0).data().toString(), QStringLiteral("90"));
        QCOMPARE(cells->model()->index(1, 1).data().toString(), QStringLiteral("0"));

        TestFill fill;
        fill.load();
        fill.show();
        QVERIFY(QTest::qWaitForWindowActive(&fill));
        QVERIFY(child<QLineEdit>(&fill, "Text2")->isReadOnly());
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(&fill, "Text1"));
        QTest::keyClicks(child<QLineEdit>(&fill, "Text2"), "5");
        QTest::keyClicks(child<QLineEdit>(&fill, "Text1"), "95");
        QTest::mouseClick(child<QPushButton>(&fill, "BN_Save"), Qt::LeftButton);
        QCOMPARE(stored(QStringLiteral("语文")), QStringLiteral("95"));
        QCOMPARE(stored(QStringLiteral("数学")), QStringLiteral("0"));
    }

    // Score entry only shows, with why, for a read-only user and on a locked test.
    void entryOnlyShows_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("why");
        QTest::newRow("read-only") << false << QStringLiteral("灰色的格只能查看：") + kReadOnly;
        QTest::newRow("locked") << true << QStringLiteral("考试“期中”的成绩已锁定，如需修改请先解锁。本窗口只能查看。");
    }
    void entryOnlyShows()
    {
        QFETCH(bool, locked);
        QFETCH(QString, why);
        if (locked) {
            QVERIFY(TestLocks::lock(db(), m_test));
            mod().SelNo = QString::number(m_test);
        } else {
            loginAsTeacher({ {}, true });
            // The connection itself refuses, beyond the scores; the own password still changes.
            const Status rules = StatsRules {}.save(mod().Conn);
            QVERIFY(!rules);
            QCOMPARE(rules.error().description, kReadOnly);
            QVERIFY(Users::setPassword(mod().Conn, QStringLiteral("teacher"), QStringLiteral("654321")));
        }
        TestFill fill;
        fill.load();
        fill.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fill));
        QCOMPARE(child<QLabel>(&fill, "lblReadOnly")->text(), why);
        QVERIFY(child<QLabel>(&fill, "lblReadOnly")->isVisible());
        QVERIFY(!child<QPushButton>(&fill, "BN_Save")->isEnabled());
        QVERIFY(!child<QPushButton>(&fill, "BN_Comment")->isEnabled());
        QTest::keyClicks(child<QLineEdit>(&fill, "Text1"), "5");
        QCOMPARE(child<QLineEdit>(&fill, "Text1")->text(), QStringLiteral("0"));
    }

    // On a server a teacher's own role is held to its subjects by the server,
    // even outside this program; a locked test loses UPDATE for it.
    void serverHoldsARoleToItsSubjects()
    {
        if (!ServerRoles::supported(db()))
            QSKIP("the embedded file has no roles");
        const QString role = QStringLiteral("vt_%1").arg(QCoreApplication::applicationPid());
        QVERIFY(db().exec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'pw'").arg(role)));
        const auto dropRole = qScopeGuard([&] {
            (void)db().exec(QStringLiteral("DROP OWNED BY %1").arg(role));
            (void)db().exec(QStringLiteral("DROP ROLE %1").arg(role));
        });
        const ConnectionSettings owner = m_db->settings();
        QProcess initdb;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELMORA_DB_PASSWORD"), owner.password);
        initdb.setProcessEnvironment(env);
        initdb.start(QStringLiteral(INITDB),
            { QStringLiteral("-s"), owner.server, QStringLiteral("-d"), owner.database, QStringLiteral("-u"),
                owner.user, QStringLiteral("--grant-teacher"), role, QStringLiteral("--subjects"),
                QStringLiteral("语文") });
        QVERIFY(initdb.waitForFinished(60000));
        QVERIFY2(initdb.exitCode() == 0, initdb.readAllStandardError().constData());
        // A test defined later is the role's too.
        auto later = Exams::define(db(),
            { QStringLiteral("期末"), QStringLiteral("2027-01-10"), QStringLiteral("期末考试"), QString(),
                { { 0, 1 }, false, false } });
        QVERIFY(later);

        Database teacher;
        QVERIFY(teacher.open({ owner.server, owner.database, role, QStringLiteral("pw"), QString() }));
        const auto update = [&](int test, const char* column) {
            return bool(teacher.exec(QStringLiteral("update %1 set %2=1 where 学号='01'")
                                         .arg(Schema::scoreTableName(test), QString::fromUtf8(column))));
        };
        for (int test : { m_test, later->number }) {
            QVERIFY(!update(test, "数学"));
            QVERIFY(update(test, "语文"));
        }
        QVERIFY(!teacher.select(QStringLiteral("select * from velmora_passwords")));
        // The program's own saves, with their lock, marks and history, go through as the role.
        UserRights::setCurrent({ { QStringLiteral("语文") }, false });
        ScoreTable table;
        QVERIFY(table.load(teacher, **Exams::fetch(db(), m_test)));
        table.edit({ { 1, 0, QStringLiteral("缺考") } });
        Status saved = table.save(teacher);
        QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().description));
        ScoreEntry shown;
        shown.student = QStringLiteral("02");
        shown.subjects = QStringList(14);
        shown.subjects[1] = QStringLiteral("0");
        shown.marks = QStringList(14);
        shown.marks[0] = QStringLiteral("缺考");
        shown.duties = QStringList(5, QStringLiteral("0"));
        ScoreEntry typed = shown;
        typed.subjects[0] = QStringLiteral("87");
        saved = Scores::save(teacher, m_test, (*Exams::fetch(db(), m_test))->items, typed, shown);
        QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().description));
        QCOMPARE(stored(QStringLiteral("语文"), QStringLiteral("02")), QStringLiteral("87"));

        QVERIFY(TestLocks::lock(db(), m_test));
        QVERIFY(!update(m_test, "语文"));
        QVERIFY(TestLocks::unlock(db(), m_test));
        QVERIFY(update(m_test, "语文"));

        // 权限设置 takes a role's name as typed and makes it read-only on the server too.
        {
            User window;
            window.load();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            auto* name = child<QComboBox>(&window, "User");
            QCOMPARE(name->findText(role), name->count() - 1);
            name->lineEdit()->clear();
            QTest::keyClicks(name, role);
            QTest::keyClick(name, Qt::Key_Return);
            QVERIFY(child<QRadioButton>(&window, "Option2")->isChecked());
            QTest::mouseClick(child<QCheckBox>(&window, "chkReadOnly"), Qt::LeftButton, {}, QPoint(4, 4));
            QTest::mouseClick(child<QPushButton>(&window, "Command1"), Qt::LeftButton);
            QCOMPARE(MessageService::lastText(), QStringLiteral("服务器角色 %1 已经更改为User（只读）").arg(role));
        }
        QVERIFY(!update(m_test, "语文"));
        QVERIFY(teacher.select(QStringLiteral("select 语文 from %1").arg(Schema::scoreTableName(m_test))));
        // Logged in with the role, the program is that teacher's, and reads what it shows.
        mod().LoginUser = role;
        QVERIFY(mod().ConnectDb(owner.server, owner.database, role, QStringLiteral("pw")));
        auto rights = mod().adoptRights(role);
        QVERIFY(rights && rights->readOnly);
        MessageService::clearMessages();
        MainForm form;
        form.load();
        mod().SelNo = QString::number(m_test);
        TestFill fill;
        fill.load();
        QCOMPARE(MessageService::texts(), QStringList());
    }
};

QTEST_MAIN(TestRights)
#include "tst_rights.moc"
