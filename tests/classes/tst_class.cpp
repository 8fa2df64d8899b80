#include "app/Module1.h"
#include "classes/ClassSettings.h"
#include "classes/ui/Class.h"
#include "platform/MessageService.h"
#include "support/DbTestCase.h"
#include "support/Typing.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace velmora;
using velmora::test::TestDb;

class TestClass : public velmora::test::DbTestCase
{
    Q_OBJECT

    QString cell(int period, const char* day)
    {
        auto rows
            = db().select(QStringLiteral("select %1 from tblTbl where 节次=?").arg(QString::fromUtf8(day)), { period });
        return rows && !rows->eof() ? rows->value(0).toString() : QStringLiteral("<no row>");
    }
    QString classValue(const char* column)
    {
        auto rows = db().select(QStringLiteral("select %1 from tblClass").arg(QString::fromUtf8(column)));
        return rows && !rows->eof() ? rows->value(0).toString() : QStringLiteral("<no row>");
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
    void cellIndexMapsBothWays()
    {
        QCOMPARE(ClassSettings::cellIndex(1, 1), 1);
        QCOMPARE(ClassSettings::cellIndex(1, 5), 5);
        QCOMPARE(ClassSettings::cellIndex(2, 1), 6);
        QCOMPARE(ClassSettings::cellIndex(6, 1), 26);
        QCOMPARE(ClassSettings::cellIndex(8, 5), 40);
        for (int i : { 1, 5, 6, 24, 25, 26, 40 })
            QCOMPARE(ClassSettings::cellIndex(ClassSettings::periodOf(i), ClassSettings::weekdayOf(i)), i);
        QCOMPARE(ClassSettings::periodOf(25), 5);
        QCOMPARE(ClassSettings::weekdayOf(25), 5);
    }

    void loadTrimsAndSaveWritesAsTyped()
    {
        QVERIFY(db().exec(QStringLiteral("update tblClass set 班级代号=?, 班主任=?"),
            { QStringLiteral("0701  "), QStringLiteral(" 王老师 ") }));
        // Periods come back in their own order, whatever order the rows were written in.
        QVERIFY(db().exec(QStringLiteral("delete from tblTbl where 节次=1")));
        QVERIFY(db().exec(QStringLiteral("insert into tblTbl (节次, 星期一, 星期三) values (1, ?, ?)"),
            { QStringLiteral("语文 "), QStringLiteral("数学") }));
        QVERIFY(db().exec(QStringLiteral("update tblTbl set 星期五=? where 节次=8"), { QStringLiteral("班会") }));

        Class window;
        window.load();
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(window.txtNumber->text(), QStringLiteral("0701"));
        QCOMPARE(window.txtTeacher->text(), QStringLiteral("王老师"));
        QCOMPARE(window.Text[1]->text(), QStringLiteral("语文"));
        QCOMPARE(window.Text[3]->text(), QStringLiteral("数学"));
        QCOMPARE(window.Text[40]->text(), QStringLiteral("班会"));
        QVERIFY(window.Text[1]->isReadOnly());
        QVERIFY(window.txtCount->isReadOnly());

        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QCOMPARE(MessageService::texts(), QStringList({ "修改完，请按保存！" }));
        QCOMPARE(window.Command1->text(), QStringLiteral("保存(&S)"));
        QVERIFY(!window.Text[7]->isReadOnly());
        window.txtName->setText(QStringLiteral(" 初一(2)班"));
        window.Text[1]->clear();
        velmora::test::typeText(window.Text[7], QStringLiteral("英语课外阅读"));
        QCOMPARE(window.Text[7]->text(), QStringLiteral("英语课外"));
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QCOMPARE(MessageService::texts().last(), QStringLiteral("修改成功！"));
        QCOMPARE(window.Command1->text(), QStringLiteral("修改(&E)"));
        QVERIFY(window.Text[7]->isReadOnly());
        QCOMPARE(classValue("班级名称"), QStringLiteral(" 初一(2)班"));
        QCOMPARE(cell(1, "星期一"), QString());
        QCOMPARE(cell(2, "星期二"), QStringLiteral("英语课外"));
        QCOMPARE(cell(8, "星期五"), QStringLiteral("班会"));
    }

    // Two teachers at once: a save writes only what its window changed, and
    // a value someone else changed since is not overwritten.
    void savesOnlyWhatChanged()
    {
        Class cls;
        cls.load();
        cls.show();
        QTest::mouseClick(cls.Command1, Qt::LeftButton);
        auto other = m_db->connect();
        QVERIFY(other->exec(QStringLiteral("update tblClass set 班主任='李老师'")));
        cls.txtName->setText(QStringLiteral("二班"));
        cls.Text[2]->setText(QStringLiteral("数学"));
        QTest::mouseClick(cls.Command1, Qt::LeftButton);
        QCOMPARE(MessageService::texts().last(), QStringLiteral("修改成功！"));
        auto row = db().select(QStringLiteral("select 班级名称, 班主任 from tblClass"));
        QCOMPARE(row->text(0), QStringLiteral("二班"));
        QCOMPARE(row->text(1), QStringLiteral("李老师"));
        QCOMPARE(ClassSettings::load(db())->cells[2], QStringLiteral("数学"));

        QTest::mouseClick(cls.Command1, Qt::LeftButton);
        QVERIFY(other->exec(QStringLiteral("update tblClass set 班级名称='三班'")));
        cls.txtName->setText(QStringLiteral("四班"));
        MessageService::clearMessages();
        QTest::mouseClick(cls.Command1, Qt::LeftButton);
        QVERIFY2(MessageService::texts().last().contains(QStringLiteral("别人刚修改了班级信息")),
            qPrintable(MessageService::texts().last()));
        QCOMPARE(db().select(QStringLiteral("select 班级名称 from tblClass"))->text(0), QStringLiteral("三班"));
        QCOMPARE(cls.txtName->text(), QStringLiteral("四班"));
        QCOMPARE(cls.Command1->text(), QStringLiteral("保存(&S)"));
    }

    void backDropsEdits()
    {
        {
            Class window;
            window.load();
            QTest::mouseClick(window.Command1, Qt::LeftButton);
            window.txtTeacher->setText(QStringLiteral("李老师"));
            window.Text[12]->setText(QStringLiteral("体育"));
            QTest::mouseClick(window.Command2, Qt::LeftButton);
        }
        QCOMPARE(classValue("班主任"), QString());
        Class again;
        again.load();
        QCOMPARE(again.Text[12]->text(), QString());
        QCOMPARE(again.txtTeacher->text(), QString());
    }

    void ordinaryUsersOnlyLook()
    {
        mod().IsAdmin = false;
        Class window;
        window.load();
        QVERIFY(!window.Command1->isEnabled());
    }

    void failedSaveLeavesBothTablesUnchanged()
    {
        refusePeriod(5);
        Class window;
        window.load();
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        window.txtNumber->setText(QStringLiteral("0909"));
        window.Text[1]->setText(QStringLiteral("语文"));
        window.Text[21]->setText(QStringLiteral("数学"));
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QVERIFY(MessageService::texts().last().startsWith(QStringLiteral("未知错误！错误代码：")));
        QCOMPARE(window.Command1->text(), QStringLiteral("保存(&S)"));
        QVERIFY(!window.txtNumber->isReadOnly());
        QCOMPARE(window.txtNumber->text(), QStringLiteral("0909"));
        QCOMPARE(classValue("班级代号"), QString());
        QCOMPARE(cell(1, "星期一"), QString());

        // A value too long for its column never reaches the database.
        MessageService::clearMessages();
        window.txtDate->setText(QStringLiteral("二〇二四年九月一日上午八点整开学典礼之后"));
        window.txtDate->setText(window.txtDate->text() + QStringLiteral("报到"));
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QCOMPARE(MessageService::texts(), QStringList({ "入学时间最多只能输入20个字符！" }));
    }

    void missingAndExtraPeriodRows()
    {
        QVERIFY(db().exec(QStringLiteral("delete from tblTbl where 节次 >= 7")));
        QVERIFY(
            db().exec(QStringLiteral("insert into tblTbl (节次, 星期一) values (9, ?)"), { QStringLiteral("晚自习") }));
        Class window;
        window.load();
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(window.Text[31]->text(), QString());
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        window.Text[36]->setText(QStringLiteral("自习"));
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QCOMPARE(MessageService::texts().last(), QStringLiteral("修改成功！"));
        QCOMPARE(cell(8, "星期一"), QStringLiteral("自习"));
        QCOMPARE(cell(7, "星期一"), QString());
        QCOMPARE(cell(9, "星期一"), QStringLiteral("晚自习"));
    }
};

QTEST_MAIN(TestClass)
#include "tst_class.moc"
