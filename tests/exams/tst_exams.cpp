#include "app/DemoData.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/ScoreExport.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/TestRecord.h"
#include "exams/ui/TestFill.h"
#include "exams/ui/TestFillSel.h"
#include "exams/ui/TestInfoAdd.h"
#include "exams/ui/TestInfoWatch.h"
#include "exams/ui/TestWatch.h"
#include "history/History.h"
#include "platform/ui/ResultGrid.h"
#include "support/DbTestCase.h"
#include "support/Ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <numeric>

using namespace velmora;
using velmora::test::child;
using velmora::test::TestDb;

class TestTests : public velmora::test::DbTestCase
{
    Q_OBJECT

    int rows(const QString& table) { return test::rowCount(db(), table); }
    bool tableExists(int number) { return *db().tableExists(Schema::scoreTableName(number)); }
    QStringList scoreColumns(int number)
    {
        auto rows = db().select(QStringLiteral("select * from tblScore%1").arg(number));
        QStringList names = rows ? rows->fieldNames() : QStringList();
        for (QString& n : names)
            n = n.toLower();
        return names;
    }

private Q_SLOTS:
    void definitionWindow()
    {
        addStudents({ "003", "001", "002" });
        {
            TestInfoAdd add(mod());
            add.show();
            QCOMPARE(child<QLineEdit>(&add, "txtNumber")->text(), QStringLiteral("1"));
            // No type comes before the items; attendance and comment alone are no test.
            child<QCheckBox>(&add, "Check15")->setChecked(true);
            test::click(&add, "BN_OK");
            child<QComboBox>(&add, "txtType")->setEditText(QStringLiteral("单元测验"));
            test::click(&add, "BN_OK");
            QCOMPARE(MessageService::texts(), QStringList({ "请选择考试类型！", "请选择考核项目！" }));
            QCOMPARE(rows(QStringLiteral("tblTestInfo")), 0);

            child<QCheckBox>(&add, "Check15")->setChecked(false);
            child<QCheckBox>(&add, "Check1")->setChecked(true);
            child<QCheckBox>(&add, "Check2")->setChecked(true);
            child<QLineEdit>(&add, "txtName")->setText(QStringLiteral("O'Neil测"));
            MessageService::clearMessages();
            MessageService::setNextAnswer(MsgAnswer::Yes);
            test::click(&add, "BN_OK");
            QCOMPARE(MessageService::texts(), QStringList({ "添加成功，请刷新！", "您现在就想录入成绩吗？" }));
            QCOMPARE(add.enterScoresFor(), 1);
            QCOMPARE(mod().SelNo(), QStringLiteral("1"));
        }
        QCOMPARE(scoreColumns(1), QStringList({ "学号", "语文", "数学" }));
        QCOMPARE(rows(QStringLiteral("tblScore1")), 3);
        QCOMPARE(scoreOf(1, "002", "数学"), QString()); // nothing entered yet
        // Unchecked flags are not written at all.
        QCOMPARE(rowOf(QStringLiteral("select 英语, 出勤, 考试名称 from tblTestInfo where 考试号=1")),
            QStringList({ "", "", "O'Neil测" }));

        QVERIFY(db().exec(QStringLiteral("insert into tblTestInfo (考试号, 考试名称) values (12, 'x')")));
        TestInfoAdd next(mod());
        QCOMPARE(child<QLineEdit>(&next, "txtNumber")->text(), QStringLiteral("13"));
    }

    void allItemsAndAllOrNothing()
    {
        addStudents({ "1", "2" });
        QVector<int> all(14);
        std::iota(all.begin(), all.end(), 0);
        QCOMPARE(defineTest(all, true, true), 1);
        QStringList expected { "学号" };
        expected << Schema::subjects() << Schema::attendanceItems() << QStringLiteral("教师评语");
        QCOMPARE(scoreColumns(1), expected);

        // A failure after the table is made takes the definition and the table back.
        Exams::failAfterCreateForTesting(true);
        QCOMPARE(defineTest({ 0 }, false, false), -1);
        Exams::failAfterCreateForTesting(false);
        QCOMPARE(rows(QStringLiteral("tblTestInfo")), 1);
        QVERIFY(!tableExists(2));
        // A stray table of the next name is stepped over, not a block for good.
        QVERIFY(db().exec(QStringLiteral("create table TblScore2 (x int)")));
        QCOMPARE(defineTest({ 0 }, false, false), 3);
        QCOMPARE(rows(QStringLiteral("tblTestInfo")), 2);
    }

    // Another writer holding the tests: a clear message, not a hang, and the
    // window keeps what was typed.
    void busyDatabaseIsSaidSoon()
    {
        addStudents({ "1" });
        auto other = m_db->connect();
        QVERIFY(other);
        QVERIFY(other->exec(TestDb::isPostgres() ? QStringLiteral("begin") : QStringLiteral("begin exclusive")));
        if (TestDb::isPostgres())
            QVERIFY(other->exec(QStringLiteral("lock table tblTestInfo in access exclusive mode")));
        TestInfoAdd add(mod());
        add.show();
        QTest::keyClicks(child<QLineEdit>(&add, "txtName"), "midterm");
        child<QComboBox>(&add, "txtType")->setEditText(QStringLiteral("平时考试"));
        child<QCheckBox>(&add, "Check1")->setChecked(true);
        MessageService::clearMessages();
        test::click(&add, "BN_OK");
        QCOMPARE(MessageService::texts(), QStringList({ "数据库正被其他用户或程序使用，考试没有添加，请稍后再试。" }));
        QVERIFY(add.isVisible());
        QCOMPARE(child<QLineEdit>(&add, "txtName")->text(), QStringLiteral("midterm"));
        QVERIFY(other->exec(QStringLiteral("rollback")));
    }

    // Two teachers defining tests at the same moment, each on a connection of
    // their own: different numbers, each with its score table filled.
    void racingDefinitionsGetDifferentNumbers()
    {
        addStudents({ "1", "2", "3" });
        const ConnectionSettings s = m_db->settings();
        QProcess teachers[2];
        for (QProcess& p : teachers) {
            p.start(QStringLiteral(CRASHWORKER),
                { QStringLiteral("--race"), QStringLiteral("6"), s.server, s.database, s.user, s.password, s.dataDir });
            QVERIFY(p.waitForStarted());
        }
        // Both connected before either starts, so that their definitions meet.
        for (QProcess& p : teachers) {
            while (!p.canReadLine())
                QVERIFY2(p.waitForReadyRead(120000), p.readAllStandardError().constData());
            QCOMPARE(p.readLine().trimmed(), QByteArray("ready"));
        }
        for (QProcess& p : teachers)
            p.write("go\n");
        for (QProcess& p : teachers)
            QVERIFY(p.waitForBytesWritten());
        QList<int> all;
        for (QProcess& p : teachers) {
            QVERIFY(p.waitForFinished(120000));
            QCOMPARE(p.exitCode(), 0);
            for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
                if (!line.trimmed().isEmpty())
                    all.append(line.trimmed().toInt());
        }
        QCOMPARE(all.size(), 12);
        std::sort(all.begin(), all.end());
        for (int i = 0; i < all.size(); ++i)
            QCOMPARE(all[i], i + 1);
        for (int n = 1; n <= 12; ++n)
            QCOMPARE(rows(QStringLiteral("tblScore%1").arg(n)), 3);
    }

    void scoreEntryWalksAndChecks()
    {
        addStudents({ "0002", "0001", "0003" });
        const int number = defineTest({ 0, 1 }, true, true);
        mod().setSelNo(QString::number(number));
        TestFill fill(mod());
        fill.load();
        fill.show();
        auto* chinese = child<QLineEdit>(&fill, "Text1");
        auto* maths = child<QLineEdit>(&fill, "Text2");
        auto* late = child<QLineEdit>(&fill, "txtDuty4");
        auto* comment = child<QPlainTextEdit>(&fill, "txtTeacher");
        const auto shown = [&] { return child<QLineEdit>(&fill, "Text0")->text().trimmed(); };
        const auto click = [&](const char* button) {
            MessageService::clearMessages();
            test::click(&fill, button);
        };
        QCOMPARE(shown(), QStringLiteral("0001"));
        QVERIFY(!child<QLineEdit>(&fill, "Text3")->isEnabled());
        QCOMPARE(chinese->text(), QString());

        // Refused values: nothing written, the boxes keep what was typed.
        const struct
        {
            QWidget* box;
            QString typed;
            const char* says;
        } refused[]
            = { { chinese, QStringLiteral("9x"), "“语文”的成绩必须是0到100之间的数（最多一位小数），请重新填写！" },
                  { late, QStringLiteral("-1"), "“迟到早退”的天数" },
                  { comment, QString(901, QChar(0x597D)), "教师评语最多只能写900个字" } };
        maths->setText(QStringLiteral("88"));
        for (const auto& r : refused) {
            chinese->setText(r.box == chinese ? r.typed : QStringLiteral("95"));
            late->setText(r.box == late ? r.typed : QStringLiteral("2"));
            comment->setPlainText(r.box == comment ? r.typed : QStringLiteral("你是一个懂事的孩子。"));
            click("BN_Save");
            QVERIFY2(MessageService::lastText().startsWith(QString::fromUtf8(r.says)), r.says);
            QCOMPARE(scoreOf(number, "0001", "数学"), QString());
        }
        QCOMPARE(comment->toPlainText().size(), 901);
        comment->setPlainText(QStringLiteral("你是一个懂事的孩子。"));
        click("BN_Save");
        QCOMPARE(MessageService::texts(), QStringList({ "保存完毕！" }));
        QCOMPARE(rowOf(QStringLiteral("select 语文, 数学, 迟到早退, 教师评语 from tblScore1 where 学号='0001'")),
            QStringList({ "95", "88", "2", "你是一个懂事的孩子。" }));

        // Without auto-save the move asks; No drops what was typed.
        maths->setText(QStringLiteral("70"));
        MessageService::setNextAnswer(MsgAnswer::No);
        click("BN_Next");
        QCOMPARE(MessageService::texts(), QStringList({ "是否需要保存？" }));
        QCOMPARE(shown(), QStringLiteral("0002"));
        QCOMPARE(scoreOf(number, "0001", "数学"), QStringLiteral("88"));

        // Auto-save writes without asking; the ends of the list hold.
        child<QCheckBox>(&fill, "Check")->setChecked(true);
        chinese->setText(QStringLiteral("61"));
        click("BN_Last");
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(scoreOf(number, "0002", "语文"), QStringLiteral("61"));
        click("BN_Next");
        QCOMPARE(shown(), QStringLiteral("0003"));
        click("BN_First");
        click("BN_Previous");
        QCOMPARE(shown(), QStringLiteral("0001"));

        // What another teacher stored meanwhile shows when the student comes up.
        QVERIFY(db().exec(QStringLiteral("update tblScore1 set 数学=77 where 学号='0002'")));
        click("BN_Next");
        QCOMPARE(maths->text(), QStringLiteral("77"));
        click("BN_Previous");

        // A refused value stops the move too, so nothing typed is lost.
        chinese->setText(QStringLiteral("abc"));
        click("BN_Next");
        QCOMPARE(shown(), QStringLiteral("0001"));
        QCOMPARE(chinese->text(), QStringLiteral("abc"));

        // The student's record deleted since: a clear message.
        QVERIFY(db().exec(QStringLiteral("delete from tblLogin where 学号='0001'")));
        click("Command2");
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::lastText().contains(QStringLiteral("已不存在")));
    }

    // The teacher types where the focus is: after every move and save the first
    // score is focused and selected, so a correction replaces the old value.
    void scoreEntryTypesWhereTheTeacherLooks()
    {
        addStudents({ "0001", "0002" });
        const int number = defineTest({ 0, 1 }, true, true);
        mod().setSelNo(QString::number(number));
        TestFill fill(mod());
        QVERIFY(test::showLoaded(fill));
        const auto typed = [](const char* keys) { QTest::keyClicks(QApplication::focusWidget(), keys); };
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(&fill, "Text1"));
        QCOMPARE(child<QLineEdit>(&fill, "txtStudentName")->text(), QStringLiteral("学生0001"));

        child<QCheckBox>(&fill, "Check")->setChecked(true);
        typed("8");
        test::click(&fill, "BN_Next");
        QCOMPARE(child<QLineEdit>(&fill, "txtStudentName")->text(), QStringLiteral("学生0002"));
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(&fill, "Text1"));
        typed("9");
        test::click(&fill, "BN_Previous");
        QCOMPARE(child<QLineEdit>(&fill, "Text1")->text(), QStringLiteral("8"));
        typed("18");
        test::click(&fill, "BN_Save");
        QCOMPARE(scoresOf(number, "语文"), QStringList({ "18", "9" }));
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(&fill, "Text1"));
        QCOMPARE(child<QLineEdit>(&fill, "Text1")->selectedText(), QStringLiteral("18"));

        // Tab follows the screen: scores, attendance, comment, then the buttons.
        QStringList order;
        for (int i = 0; i < 14; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order,
            QStringList({ "Text1", "Text2", "txtDuty0", "txtDuty1", "txtDuty2", "txtDuty3", "txtDuty4", "txtTeacher",
                "BN_Comment", "BN_First", "BN_Previous", "BN_Next", "BN_Last", "BN_Save" }));

        // Esc on the save question answers neither: no save, no move, nothing dropped.
        child<QCheckBox>(&fill, "Check")->setChecked(false);
        child<QLineEdit>(&fill, "Text1")->setFocus();
        child<QLineEdit>(&fill, "Text1")->selectAll();
        typed("5");
        MessageService::clearMessages();
        MessageService::setNextAnswer(MsgAnswer::Cancel);
        test::click(&fill, "BN_Next");
        QCOMPARE(MessageService::texts(), QStringList({ "是否需要保存？" }));
        QCOMPARE(child<QLineEdit>(&fill, "txtStudentName")->text(), QStringLiteral("学生0001"));
        QCOMPARE(child<QLineEdit>(&fill, "Text1")->text(), QStringLiteral("5"));
        QCOMPARE(scoreOf(number, "0001", "语文"), QStringLiteral("18"));

        // Esc on the window asks too: Esc again keeps it, No drops and closes, Yes saves and closes.
        const auto escAnswered = [](MsgAnswer answer) {
            MessageService::setNextAnswer(answer);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        };
        escAnswered(MsgAnswer::Cancel);
        QVERIFY(fill.isVisible());
        escAnswered(MsgAnswer::No);
        QVERIFY(!fill.isVisible());
        QCOMPARE(scoreOf(number, "0001", "语文"), QStringLiteral("18"));

        TestFill again(mod());
        QVERIFY(test::showLoaded(again));
        typed("66");
        escAnswered(MsgAnswer::Yes);
        QVERIFY(!again.isVisible());
        QCOMPARE(scoreOf(number, "0001", "语文"), QStringLiteral("66"));
        // 返回 leaves without a question, as it always has.
        again.show();
        child<QLineEdit>(&again, "Text1")->setText(QStringLiteral("1"));
        MessageService::clearMessages();
        test::click(&again, "BN_Back");
        QVERIFY(!again.isVisible());
        QVERIFY(MessageService::messages().isEmpty());
    }

    // Two teachers on one student: each save writes only what its window
    // changed, and a field someone else changed since is not overwritten.
    void savesWriteOnlyWhatChanged()
    {
        addStudents({ "1" });
        const int number = defineTest({ 0, 1 }, false, false);
        mod().setSelNo(QString::number(number));
        TestFill a(mod());
        QVERIFY(test::showLoaded(a));
        auto other = m_db->connect();
        QVERIFY(other->exec(QStringLiteral("update tblScore%1 set 数学=70 where 学号='1'").arg(number)));
        child<QLineEdit>(&a, "Text1")->setText(QStringLiteral("80"));
        MessageService::clearMessages();
        test::click(&a, "BN_Save");
        QCOMPARE(MessageService::texts(), QStringList({ "保存完毕！" }));
        QCOMPARE(rowOf(QStringLiteral("select 语文, 数学 from tblScore1")), QStringList({ "80", "70" }));
        QCOMPARE(child<QLineEdit>(&a, "Text2")->text(), QStringLiteral("70"));

        QVERIFY(other->exec(QStringLiteral("update tblScore%1 set 语文=85 where 学号='1'").arg(number)));
        child<QLineEdit>(&a, "Text1")->setText(QStringLiteral("90"));
        MessageService::clearMessages();
        test::click(&a, "BN_Save");
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::lastText().contains(QStringLiteral("语文：您打开时是“80”，现在是“85”")));
        QCOMPARE(scoreOf(number, "1", "语文"), QStringLiteral("85"));
        QCOMPARE(child<QLineEdit>(&a, "Text1")->text(), QStringLiteral("90"));
    }

    // A mark stands beside its empty box and survives a save; a number typed
    // there replaces it, and the history says so.
    void scoreEntryShowsAMark()
    {
        addStudents({ "1" });
        const int number = defineTest({ 0, 1 }, false, false);
        QVERIFY(db().exec(QStringLiteral("update tblScore%1 set 数学=NULL where 学号='1'").arg(number)));
        QVERIFY(ScoreMarks::write(
            db(), number, { { QStringLiteral("1"), QStringLiteral("数学"), {}, ScoreMarks::kAbsent } }));
        mod().setSelNo(QString::number(number));
        TestFill fill(mod());
        QVERIFY(test::showLoaded(fill));
        QCOMPARE(child<QLabel>(&fill, "lblMark2")->text(), QStringLiteral("缺考"));
        QTest::keyClicks(QApplication::focusWidget(), "80");
        MessageService::clearMessages();
        test::click(&fill, "BN_Save");
        QCOMPARE(MessageService::texts(), QStringList({ "保存完毕！" }));
        QCOMPARE(child<QLabel>(&fill, "lblMark2")->text(), QStringLiteral("缺考"));
        QCOMPARE(*ScoreMarks::of(db(), number, QStringLiteral("1"), QStringLiteral("数学")), ScoreMarks::kAbsent);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), "75");
        test::click(&fill, "BN_Save");
        QCOMPARE(scoreOf(number, "1", "数学"), QStringLiteral("75"));
        QCOMPARE(*ScoreMarks::of(db(), number, QStringLiteral("1"), QStringLiteral("数学")), QString());
        QCOMPARE(child<QLabel>(&fill, "lblMark2")->text(), QString());
        auto history = ScoreHistory::list(db(), number, QStringLiteral("1"), QStringLiteral("数学"));
        QVERIFY(history && history->size() == 1);
        QCOMPARE(QStringList({ history->first().before, history->first().after }), QStringList({ "缺考", "75" }));
    }

    // A deleted test's number is never given again, a score table left
    // behind keeps its number, and a window still open on a deleted test
    // saves nothing.
    void testNumbersAreNeverReused()
    {
        addStudents({ "1" });
        QCOMPARE(defineTest({ 0 }, false, false), 1);
        QCOMPARE(defineTest({ 0 }, false, false), 2);
        mod().setSelNo(QStringLiteral("2"));
        TestFill open(mod());
        open.load();
        QVERIFY(Exams::remove(db(), 2));
        QCOMPARE(defineTest({ 0, 1 }, false, false), 3);
        QVERIFY(Exams::remove(db(), 3));
        QVERIFY(db().exec(QStringLiteral("create table TblScore4 (学号 varchar(10))")));
        QCOMPARE(defineTest({ 0 }, false, false), 5);

        child<QLineEdit>(&open, "Text1")->setText(QStringLiteral("99"));
        MessageService::clearMessages();
        test::click(&open, "BN_Save");
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::lastText().contains(QStringLiteral("已被删除")));
        QCOMPARE(child<QLineEdit>(&open, "Text1")->text(), QStringLiteral("99"));
    }

    // The demo class numbers its tests as the program does, so a deleted
    // demo test can come back.
    void demoClassKeepsTheTestCounter()
    {
        QVERIFY(DemoData::fill(db()));
        QVERIFY(Exams::remove(db(), 3));
        QCOMPARE(defineTest({ 0 }, false, false), 4);
        QVERIFY(Exams::restoreDeleted(db(), 3));
        QCOMPARE(Exams::list(db())->size(), 4);
    }

    // A subject out of 150: set in the definition window, kept beside the
    // test, enforced by score entry, never lowered below a stored score.
    void fullMarksOfASubject()
    {
        addStudents({ "1", "2" });
        TestInfoAdd add(mod());
        add.show();
        child<QComboBox>(&add, "txtType")->setCurrentIndex(0);
        QVERIFY(QTest::qWaitForWindowActive(&add));
        // Tab walks down the form: from the date to the first subject, its full marks, the next subject;
        // Space ticks a subject. What it reaches is what is typed in.
        child<QLineEdit>(&add, "txtDate")->setFocus();
        for (int key : { Qt::Key_Tab, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space, Qt::Key_Tab })
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        auto* maths = child<QLineEdit>(&add, "txtFull2");
        QCOMPARE(QApplication::focusWidget(), maths);
        for (const char* typed : { "0", "150" }) {
            maths->selectAll();
            QTest::keyClicks(maths, typed);
            test::click(&add, "BN_OK");
            if (*typed == '0') {
                QCOMPARE(MessageService::lastText(), QStringLiteral("数学的满分应是1到999的整数！"));
                QCOMPARE(rows(QStringLiteral("tblTestInfo")), 0);
            }
        }
        auto test = Exams::fetch(db(), 1);
        QVERIFY(test && *test);
        QCOMPARE((*test)->items.fullMarksOf(1), 150);
        QCOMPARE((*test)->items.fullMarksOf(0), 100);
        QCOMPARE(rows(QStringLiteral("velmora_fullmarks")), 1);

        ScoreEntry entry;
        entry.student = QStringLiteral("1");
        entry.subjects[0] = QStringLiteral("100");
        entry.subjects[1] = QStringLiteral("151");
        QCOMPARE(Scores::check((*test)->items, entry),
            QStringLiteral("“数学”的成绩必须是0到150之间的数（最多一位小数），请重新填写！"));
        entry.subjects[1] = QStringLiteral("150");
        QVERIFY(Scores::save(db(), 1, (*test)->items, entry));
        // Lowered meanwhile by another teacher: what the window read no longer holds.
        QVERIFY(db().exec(QStringLiteral("update tblScore1 set 数学=80 where 学号='1'")));
        QVERIFY(Exams::setFullMarks(db(), 1, 1, 120));
        entry.subjects[1] = QStringLiteral("130");
        auto late = Scores::save(db(), 1, (*test)->items, entry);
        QVERIFY(!late && late.error().description.contains(QStringLiteral("0到120")));
        QCOMPARE(scoreOf(1, "1", "数学"), QStringLiteral("80"));

        QVERIFY(db().exec(QStringLiteral("update tblScore1 set 数学=118 where 学号='2'")));
        auto lowered = Exams::setFullMarks(db(), 1, 1, 110);
        QVERIFY(!lowered);
        QCOMPARE(
            lowered.error().description, QStringLiteral("已有数学成绩高于110分（最高118分），不能把满分改为110分。"));
        QVERIFY(!Exams::setFullMarks(db(), 1, 2, 150)); // 英语 is not in the test
        QVERIFY(db().exec(QStringLiteral("update tblScore1 set 数学=90")));
        QVERIFY(Exams::setFullMarks(db(), 1, 1, 100));
        QCOMPARE(rows(QStringLiteral("velmora_fullmarks")), 0);
        QVERIFY(Exams::setFullMarks(db(), 1, 0, 120));
        QVERIFY(Exams::remove(db(), 1));
        QCOMPARE(rows(QStringLiteral("velmora_fullmarks")), 0);

        // A database from before full marks were kept: every subject is out of 100.
        QVERIFY(db().exec(QStringLiteral("drop table velmora_fullmarks")));
        const int plain = defineTest({ 0, 1 }, false, false);
        QCOMPARE((*Exams::fetch(db(), plain))->items.fullMarksOf(1), 100);
        QVERIFY(!Exams::setFullMarks(db(), plain, 1, 150));
        TestItems high { { 1 }, false, false };
        high.fullMarks[1] = 150;
        auto refused = Exams::define(
            db(), { QStringLiteral("x"), QStringLiteral("2024-10-01"), QStringLiteral("平时考试"), QString(), high });
        QVERIFY(!refused && refused.error().description.contains(QStringLiteral("升级数据库")));
        QCOMPARE(rows(QStringLiteral("tblTestInfo")), 1);
    }

    // For the school office: totals across tests first, then a sheet per test;
    // an empty score is an empty cell and left out of the total.
    void allScoresForTheOffice()
    {
        addStudents({ "2", "1" });
        const int a = defineTest({ 0, 1 }, false, true);
        const int b = defineTest({ 2 }, true, false);
        QVERIFY(Exams::setFullMarks(db(), a, 1, 150));
        setScores(a, QStringLiteral("1"), QStringLiteral("语文=90, 数学=NULL, 教师评语='好'"), {});
        setScores(a, QStringLiteral("2"), QStringLiteral("语文=80, 数学=140"), {});
        QVERIFY(db().exec(QStringLiteral("delete from tblScore%1 where 学号='2'").arg(b)));
        auto book = ScoreExport::allTests(db());
        QVERIFY(book);
        QCOMPARE(book->size(), 3);
        const SheetTable& totals = book->at(0);
        QCOMPARE(totals.headers, QStringList({ "学号", "姓名", "考试1 期中（有未录入）", "考试2 期中" }));
        QCOMPARE(totals.rows[0], QVector<QVariant>({ "1", "学生1", 90, QVariant() }));
        QCOMPARE(totals.rows[1][2].toInt(), 220);
        QVERIFY(totals.rows[1][3].isNull()); // no row in test 2
        const SheetTable& first = book->at(1);
        QCOMPARE(first.title, QStringLiteral("考试1 期中 2026-11-01"));
        QCOMPARE(first.headers, QStringList({ "学号", "姓名", "语文", "数学(150)", "教师评语" }));
        QCOMPARE(first.rows[0], QVector<QVariant>({ "1", "学生1", 90, QVariant(), "好" }));
        // A mark goes out as its word, where the score would be.
        QVERIFY(
            ScoreMarks::write(db(), a, { { QStringLiteral("1"), QStringLiteral("数学"), {}, ScoreMarks::kExempt } }));
        QCOMPARE(ScoreExport::allTests(db())->at(1).rows[0][3], QVariant(QStringLiteral("免考")));
        QCOMPARE(book->at(2).headers.mid(2), QStringList({ "英语" }) + Schema::attendanceItems());
    }

    void emptyScoreTableAndMissingTest()
    {
        QCOMPARE(defineTest({ 0 }), 1);
        mod().setSelNo(QStringLiteral("1"));
        TestFill fill(mod());
        fill.load();
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::lastText().contains(QStringLiteral("还没有学生")));
        MessageService::clearMessages();
        test::click(&fill, "BN_Next");
        test::click(&fill, "BN_Save");
        QVERIFY(MessageService::messages().isEmpty());

        mod().setSelNo(QStringLiteral("99"));
        TestWatch watch(mod());
        watch.load();
        QCOMPARE(MessageService::lastText(), QStringLiteral("对不起，此内容不存在！"));
    }

    void viewingTakesHeadersFromFlags()
    {
        addStudents({ "2", "1" });
        const int number = defineTest({ 1, 3 }, true, true);
        setScores(number, QStringLiteral("2"), QStringLiteral("数学=?, 病假=?"), { 77, 2 });
        mod().setSelNo(QString::number(number));
        TestWatch watch(mod());
        watch.load();
        auto* grid = child<ResultGrid>(&watch, "Grid");
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(
            grid->rowTexts(0), QStringList({ "学号", "数学", "物理", "出勤共", "病假", "旷课", "事假", "迟到早退" }));
        QCOMPARE(child<QLineEdit>(&watch, "txtCount")->text(), QStringLiteral("2"));
        QCOMPARE(grid->rowTexts(2), QStringList({ "2", "77", "", "0", "2", "0", "0", "0" }));
        // A mark in place of the empty score; bands in place of scores when asked.
        setScores(number, QStringLiteral("2"), QStringLiteral("物理=NULL"), {});
        QVERIFY(ScoreMarks::write(
            db(), number, { { QStringLiteral("2"), QStringLiteral("物理"), {}, ScoreMarks::kDeferred } }));
        watch.show();
        test::tick(&watch, "chkGrades");
        QCOMPARE(grid->rowTexts(2).mid(0, 3), QStringList({ "2", "合格", "缓考" }));
    }

    void testListAndDeletion()
    {
        TestInfoWatch list(mod());
        list.load();
        auto* grid = child<ResultGrid>(&list, "Grid");
        QCOMPARE(MessageService::texts(), QStringList({ "列表为空！请添加考试信息" }));
        QCOMPARE(child<QLineEdit>(&list, "txtNumber")->text(), QStringLiteral("0"));
        addStudents({ "1" });
        defineTest({ 0, 1, 13 }, true, false);
        defineTest({ 2 }, false, true);
        defineTest({ 3 }, false, false);
        test::click(&list, "BN_Update");
        QCOMPARE(child<QLineEdit>(&list, "txtNumber")->text(), QStringLiteral("3"));
        QCOMPARE(grid->rowTexts(1).mid(4, 3), QStringList({ "语文 数学 健康教育", "有", "无" }));
        QCOMPARE(grid->text(2, 6), QStringLiteral("有"));

        // The grid has the focus, so Qt made a row current that nobody picked:
        // nothing is asked and nothing is deleted.
        list.show();
        QVERIFY(QTest::qWaitForWindowActive(&list));
        grid->setFocus();
        MessageService::clearMessages();
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&list, "BN_Del");
        QCOMPARE(MessageService::texts(), QStringList({ "请先在列表中选择一条要删除的考试！" }));
        QCOMPARE(rows(QStringLiteral("tblTestInfo")), 3);

        // Picked with the keyboard: the question names it, No is the default, Esc answers neither.
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentRow(), 2);
        MessageService::clearMessages();
        MessageService::setNextAnswer(MsgAnswer::Cancel);
        test::click(&list, "BN_Del");
        QVERIFY(MessageService::lastText().contains(QStringLiteral("考试号为2的所有考试成绩吗？")));
        QCOMPARE(MessageService::messages().last().defaultAnswer, MsgAnswer::No);
        QVERIFY(tableExists(2));
        MessageService::setNextAnswer(MsgAnswer::No);
        test::click(&list, "BN_Del");
        QVERIFY(tableExists(2));
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&list, "BN_Del");
        QCOMPARE(MessageService::lastText(), QStringLiteral("删除成功，请刷新！"));
        QVERIFY(!tableExists(2));
        QCOMPARE(rows(QStringLiteral("tblTestInfo")), 2);
        // Still listed until refreshed; a second delete finds nothing.
        QCOMPARE(grid->text(2, 0), QStringLiteral("2"));
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&list, "BN_Del");
        QCOMPARE(MessageService::lastText(), QStringLiteral("请刷新后再试！"));

        // A score table already gone does not keep the definition.
        QVERIFY(db().exec(QStringLiteral("drop table tblScore3")));
        auto removed = Exams::remove(db(), 3);
        QVERIFY(removed && *removed == Exams::Removal::Deleted);
        QCOMPARE(rows(QStringLiteral("tblTestInfo")), 1);

        mod().setAdmin(false);
        list.load();
        QVERIFY(!child<QPushButton>(&list, "BN_Add")->isEnabled() && !child<QPushButton>(&list, "BN_Del")->isEnabled());
    }
};

QTEST_MAIN(TestTests)
#include "tst_exams.moc"
