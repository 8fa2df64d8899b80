#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/ClassSettings.h"
#include "classes/ui/Class.h"
#include "support/DbTestCase.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::TestDb;

class TestClass : public velmora::test::DbTestCase
{
    Q_OBJECT

    QString cell(int period, const char* day)
    {
        return valueOf(QStringLiteral("select %1 from tblTbl where 节次=?").arg(QString::fromUtf8(day)), { period });
    }
    QString classValue(const char* column)
    {
        return valueOf(QStringLiteral("select %1 from tblClass").arg(QString::fromUtf8(column)));
    }
    // Makes the database refuse any change to one timetable period.
    void refusePeriod(int period)
    {
        if (TestDb::isPostgres()) {
            QVERIFY(db().exec(QStringLiteral("create function refuse() returns trigger language plpgsql as "
                                             "$$ begin raise exception 'refused'; end $$")));
            QVERIFY(db().exec(QStringLiteral("create trigger no_change before update on tblTbl for each row "
                                             "when (new.节次 = %1) execute function refuse()")
                                  .arg(period)));
        } else {
            QVERIFY(db().exec(QStringLiteral("create trigger no_change before update on tblTbl when new.节次 = %1 "
                                             "begin select raise(abort, 'refused'); end")
                                  .arg(period)));
        }
    }

private Q_SLOTS:
    void loadTrimsAndSaveWritesAsTyped()
    {
        QVERIFY(db().exec(QStringLiteral("update tblClass set 班级代号=?, 班主任=?"),
            { QStringLiteral("0701  "), QStringLiteral(" 王老师 ") }));
        // Periods come back in their own order, whatever order the rows were written in.
        QVERIFY(db().exec(QStringLiteral("delete from tblTbl where 节次=1")));
        QVERIFY(db().exec(QStringLiteral("insert into tblTbl (节次, 星期一, 星期三) values (1, ?, ?)"),
            { QStringLiteral("语文 "), QStringLiteral("数学") }));
        QVERIFY(db().exec(QStringLiteral("update tblTbl set 星期五=? where 节次=8"), { QStringLiteral("班会") }));

        Class window(mod());
        window.load();
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(child<QLineEdit>(&window, "txtNumber")->text(), QStringLiteral("0701"));
        QCOMPARE(child<QLineEdit>(&window, "txtTeacher")->text(), QStringLiteral("王老师"));
        QCOMPARE(child<QLineEdit>(&window, "Text1")->text(), QStringLiteral("语文"));
        QCOMPARE(child<QLineEdit>(&window, "Text3")->text(), QStringLiteral("数学"));
        QCOMPARE(child<QLineEdit>(&window, "Text40")->text(), QStringLiteral("班会"));

        test::click(&window, "Command1");
        QCOMPARE(MessageService::texts(), QStringList({ "修改完，请按保存！" }));
        QVERIFY(!child<QLineEdit>(&window, "Text7")->isReadOnly());
        child<QLineEdit>(&window, "txtName")->setText(QStringLiteral(" 初一(2)班"));
        child<QLineEdit>(&window, "Text1")->clear();
        velmora::test::typeText(child<QLineEdit>(&window, "Text7"), QStringLiteral("英语课外阅读"));
        QCOMPARE(child<QLineEdit>(&window, "Text7")->text(), QStringLiteral("英语课外"));
        test::click(&window, "Command1");
        QCOMPARE(MessageService::lastText(), QStringLiteral("修改成功！"));
        QCOMPARE(classValue("班级名称"), QStringLiteral(" 初一(2)班"));
        QCOMPARE(cell(1, "星期一"), QString());
        QCOMPARE(cell(2, "星期二"), QStringLiteral("英语课外"));
        QCOMPARE(cell(8, "星期五"), QStringLiteral("班会"));
    }

    // Two teachers at once: a save writes only what its window changed, and
    // a value someone else changed since is not overwritten.
    void savesOnlyWhatChanged()
    {
        Class cls(mod());
        cls.load();
        cls.show();
        test::click(&cls, "Command1");
        auto other = m_db->connect();
        QVERIFY(other->exec(QStringLiteral("update tblClass set 班主任='李老师'")));
        child<QLineEdit>(&cls, "txtName")->setText(QStringLiteral("二班"));
        child<QLineEdit>(&cls, "Text2")->setText(QStringLiteral("数学"));
        test::click(&cls, "Command1");
        QCOMPARE(MessageService::lastText(), QStringLiteral("修改成功！"));
        QCOMPARE(rowOf(QStringLiteral("select 班级名称, 班主任 from tblClass")), QStringList({ "二班", "李老师" }));
        QCOMPARE(ClassSettings::load(db())->cells[2], QStringLiteral("数学"));

        test::click(&cls, "Command1");
        QVERIFY(other->exec(QStringLiteral("update tblClass set 班级名称='三班'")));
        child<QLineEdit>(&cls, "txtName")->setText(QStringLiteral("四班"));
        MessageService::clearMessages();
        test::click(&cls, "Command1");
        QVERIFY2(MessageService::lastText().contains(QStringLiteral("别人刚修改了班级信息")),
            qPrintable(MessageService::lastText()));
        QCOMPARE(db().select(QStringLiteral("select 班级名称 from tblClass"))->text(0), QStringLiteral("三班"));
        QCOMPARE(child<QLineEdit>(&cls, "txtName")->text(), QStringLiteral("四班"));
    }

    void backDropsEdits()
    {
        {
            Class window(mod());
            window.load();
            test::click(&window, "Command1");
            child<QLineEdit>(&window, "txtTeacher")->setText(QStringLiteral("李老师"));
            child<QLineEdit>(&window, "Text12")->setText(QStringLiteral("体育"));
            test::click(&window, "Command2");
        }
        QCOMPARE(classValue("班主任"), QString());
        Class again(mod());
        again.load();
        QCOMPARE(child<QLineEdit>(&again, "Text12")->text(), QString());
        QCOMPARE(child<QLineEdit>(&again, "txtTeacher")->text(), QString());
        // An ordinary user only looks.
        mod().setAdmin(false);
        Class user(mod());
        user.load();
        QVERIFY(!child<QPushButton>(&user, "Command1")->isEnabled()
            && !child<QPushButton>(&user, "BN_Grades")->isEnabled());
    }

    void failedSaveLeavesBothTablesUnchanged()
    {
        refusePeriod(5);
        Class window(mod());
        window.load();
        test::click(&window, "Command1");
        child<QLineEdit>(&window, "txtNumber")->setText(QStringLiteral("0909"));
        child<QLineEdit>(&window, "Text1")->setText(QStringLiteral("语文"));
        child<QLineEdit>(&window, "Text21")->setText(QStringLiteral("数学"));
        test::click(&window, "Command1");
        QVERIFY(MessageService::lastText().startsWith(QStringLiteral("未知错误！错误代码：")));
        QVERIFY(!child<QLineEdit>(&window, "txtNumber")->isReadOnly());
        QCOMPARE(child<QLineEdit>(&window, "txtNumber")->text(), QStringLiteral("0909"));
        QCOMPARE(classValue("班级代号"), QString());
        QCOMPARE(cell(1, "星期一"), QString());

        // A value too long for its column never reaches the database.
        MessageService::clearMessages();
        child<QLineEdit>(&window, "txtDate")->setText(QStringLiteral("二〇二四年九月一日上午八点整开学典礼之后"));
        child<QLineEdit>(&window, "txtDate")
            ->setText(child<QLineEdit>(&window, "txtDate")->text() + QStringLiteral("报到"));
        test::click(&window, "Command1");
        QCOMPARE(MessageService::texts(), QStringList({ "入学时间最多只能输入20个字符！" }));
    }

    void missingAndExtraPeriodRows()
    {
        QVERIFY(db().exec(QStringLiteral("delete from tblTbl where 节次 >= 7")));
        QVERIFY(
            db().exec(QStringLiteral("insert into tblTbl (节次, 星期一) values (9, ?)"), { QStringLiteral("晚自习") }));
        Class window(mod());
        window.load();
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(child<QLineEdit>(&window, "Text31")->text(), QString());
        test::click(&window, "Command1");
        child<QLineEdit>(&window, "Text36")->setText(QStringLiteral("自习"));
        test::click(&window, "Command1");
        QCOMPARE(MessageService::lastText(), QStringLiteral("修改成功！"));
        QCOMPARE(cell(8, "星期一"), QStringLiteral("自习"));
        QCOMPARE(cell(7, "星期一"), QString());
        QCOMPARE(cell(9, "星期一"), QStringLiteral("晚自习"));
    }
};

QTEST_MAIN(TestClass)
#include "tst_class.moc"
