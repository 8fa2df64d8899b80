#include "analysis/ui/Analyze_Class.h"
#include "analysis/ui/Analyze_Subject.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/ui/MainForm.h"
#include "classes/ClassSettings.h"
#include "classes/ui/Class.h"
#include "comments/ui/Comment.h"
#include "data/Schema.h"
#include "data/TextLimits.h"
#include "exams/ScoreSheet.h"
#include "exams/TestRecord.h"
#include "exams/ui/TestWatch.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentInfo.h"
#include "support/TestDb.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::TestDb;

// A database laid out exactly as first designed, with none of our additions:
// every window works on it and nothing is added to it.
class TestBare : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDb> m_db;

    QStringList timetableRow(int row)
    {
        auto rows = m_db->db().select(QStringLiteral("select * from tblTbl"));
        QStringList cells;
        for (rows->moveFirst(); !rows->eof() && row > 0; rows->moveNext())
            --row;
        for (int c = 0; c < 5; ++c)
            cells << rows->text(c);
        return cells;
    }

private Q_SLOTS:
    void init()
    {
        VELMORA_REQUIRE_BACKEND();
        m_db = std::make_unique<TestDb>();
        QVERIFY2(m_db->createBare(), qPrintable(m_db->lastError()));
        QVERIFY(m_db->db().exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别) values ('1', '林一', '男')")));
        QVERIFY(m_db->loginModule(true));
    }

    void cleanup()
    {
        mod().reset();
        m_db.reset();
    }

    // The timetable reads its rows in storage order and saves them in place.
    void timetableInStorageOrder()
    {
        Class cls(mod());
        cls.load();
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(child<QLineEdit>(&cls, "Text1")->text(), QStringLiteral("一1"));
        QCOMPARE(child<QLineEdit>(&cls, "Text5")->text(), QStringLiteral("五1"));
        QCOMPARE(child<QLineEdit>(&cls, "Text40")->text(), QStringLiteral("五8"));
        cls.show();
        test::click(&cls, "Command1");
        for (int period = 1; period <= 8; ++period) {
            child<QLineEdit>(&cls, QStringLiteral("Text%1").arg(ClassSettings::cellIndex(period, 3)))
                ->setText(QStringLiteral("改%1").arg(period));
        }
        test::click(&cls, "Command1");
        QCOMPARE(MessageService::lastText(), QStringLiteral("修改成功！"));
        // Saved twice: the order holds however the database stores an update.
        test::click(&cls, "Command1");
        test::click(&cls, "Command1");
        for (int period = 1; period <= 8; ++period) {
            const QString p = QString::number(period);
            QCOMPARE(timetableRow(period - 1), QStringList({ "一" + p, "二" + p, "改" + p, "四" + p, "五" + p }));
        }
        QCOMPARE(test::rowCount(m_db->db(), QStringLiteral("tblTbl")), 8);
    }

    // 联系电话 takes what the column of the database in use takes: 10 here,
    // 20 in the databases we create; the box stops at the limit.
    void phoneBoxFollowsTheColumn()
    {
        QCOMPARE(TextLimits::limit(u"tblLogin", u"联系电话"), 10);
        StudentInfo here(mod());
        here.prepareAdd();
        QTest::keyClicks(child<QWidget>(&here, "Text6"), "138001380001234");
        QCOMPARE(test::shownText(child<QWidget>(&here, "Text6")), QStringLiteral("1380013800"));

        TestDb ours;
        QVERIFY2(ours.create(), qPrintable(ours.lastError()));
        TextLimits::adopt(ours.db());
        QCOMPARE(TextLimits::limit(u"tblLogin", u"联系电话"), 20);
        StudentInfo there(mod());
        there.prepareAdd();
        QTest::keyClicks(child<QWidget>(&there, "Text6"), "13800138000-12345678");
        QTest::keyClicks(child<QWidget>(&there, "Text6"), "9");
        QCOMPARE(test::shownText(child<QWidget>(&there, "Text6")), QStringLiteral("13800138000-12345678"));
        QVERIFY(ours.db().exec(QStringLiteral("insert into tblLogin (学号, 姓名, 联系电话) values (?, ?, ?)"),
            { QStringLiteral("9"), QStringLiteral("钱九"), test::shownText(child<QWidget>(&there, "Text6")) }));
    }

    // Every window opens without a complaint (the comment generator without
    // the teachers' own phrases), and the database gains nothing but the score
    // table of a test defined on it.
    void everyWindowOpens()
    {
        auto defined = Exams::define(m_db->db(),
            { QStringLiteral("月考"), QStringLiteral("2024-10-01"), QStringLiteral("期末考试"), QString(),
                { { 0, 1 }, true, true } });
        QVERIFY2(defined, qPrintable(defined ? QString() : defined.error().description));
        ScoreEntry e;
        e.student = QStringLiteral("1");
        e.subjects[0] = QStringLiteral("90");
        e.subjects[1] = QStringLiteral("80");
        e.duties = QStringList { "20", "0", "0", "0", "0" };
        QVERIFY(Scores::save(m_db->db(), defined->number, { { 0, 1 }, true, true }, e));

        MainForm form(mod());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.load();
        mod().setSelNo(QString::number(defined->number));
        mod().setSubjectName(QStringLiteral("语文"));
        for (const char* entry : { "ClassConfig", "InfoWatch", "InfoFind", "TestInfo", "TestEditWatch", "ScorePersonal",
                 "ScoreClass", "ScoreSubject" })
            form.entry(QString::fromLatin1(entry))->trigger();
        QCOMPARE(form.mdiArea()->subWindowList().size(), 8);
        TestWatch scores(mod());
        scores.load();
        QCOMPARE(child<ResultGrid>(&scores, "Grid")->text(1, 1), QStringLiteral("90"));
        Analyze_Class cls(mod());
        cls.load();
        QCOMPARE(child<ResultGrid>(&cls, "Grid")->text(1, 1), QStringLiteral("170"));
        Analyze_Subject subject(mod());
        subject.load();
        QCOMPARE(child<QLineEdit>(&subject, "txtMax")->text(), QStringLiteral("90"));
        QCOMPARE(MessageService::texts(), QStringList());
        // The comment generator's 其他 is empty and read-only, and says why.
        mod().setSelNo(QStringLiteral("1"));
        Comment c(mod());
        c.load();
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(child<QLineEdit>(&c, "txtName")->text(), QStringLiteral("林一"));
        QCOMPARE(child<QListWidget>(&c, "List_8")->count(), 0);
        QVERIFY(!child<QLineEdit>(&c, "txtOwn")->isEnabled() && !child<QPushButton>(&c, "BN_OwnAdd")->isEnabled()
            && !child<QPushButton>(&c, "BN_OwnDel")->isEnabled());
        QVERIFY(child<QLineEdit>(&c, "txtOwn")->placeholderText().contains(QStringLiteral("升级")));
        QVERIFY(!*m_db->db().tableExists(QStringLiteral("velmora_schema")));
        QVERIFY(!*m_db->db().tableExists(QStringLiteral("velmora_phrases")));
    }
};

QTEST_MAIN(TestBare)
#include "tst_bare.moc"
