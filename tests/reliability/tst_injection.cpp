// The classic hostile strings typed into every box whose value reaches SQL:
// each is stored exactly as typed, or refused with one message.
#include "analysis/ui/Analyze_Class.h"
#include "analysis/ui/Analyze_Person.h"
#include "app/DbConfig.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/ui/Login.h"
#include "app/ui/MainForm.h"
#include "app/ui/Pass.h"
#include "app/ui/User.h"
#include "app/ui/Windows.h"
#include "classes/ui/Class.h"
#include "comments/ui/Comment.h"
#include "data/TextLimits.h"
#include "exams/TestRecord.h"
#include "exams/ui/TestFill.h"
#include "exams/ui/TestInfoAdd.h"
#include "platform/AppPaths.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentInfo.h"
#include "students/ui/StudentInfoFind.h"
#include "support/DbTestCase.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace velmora;
using velmora::test::child;

class TestInjection : public velmora::test::DbTestCase
{
    Q_OBJECT

    void prepare() override
    {
        QVERIFY(
            db().exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别, 出生年月, 民族, 籍贯, 家庭住址) values "
                                     "(?, ?, ?, ?, ?, ?, ?)"),
                { QStringLiteral("1"), QStringLiteral("张三"), QStringLiteral("男"), QStringLiteral("2011-01-01"),
                    QStringLiteral("汉"), QStringLiteral("浙江"), QStringLiteral("中山路") }));
    }
    static void click(QWidget* window, const char* button)
    {
        MessageService::clearMessages();
        test::click(window, button);
    }
    // Stored as typed, or refused with one message that is not a failure.
    static void storedOrRefused(const QString& typed, const QString& stored, const QString& success)
    {
        if (MessageService::texts().contains(success)) {
            QCOMPARE(stored, typed);
        } else {
            QCOMPARE(MessageService::texts().size(), 1);
            QVERIFY(!MessageService::texts().value(0).startsWith(QStringLiteral("未知错误")));
        }
    }

    void login(const QString& typed)
    {
        const ConnectionSettings& s = m_db->settings();
        QVERIFY(DbConfig::write(AppPaths::configFile(), { s.server, s.database, s.user, s.password }));
        mod().Conn().close();
        for (const QString& user : { typed, QStringLiteral("admin") }) {
            Login window(mod());
            window.load();
            child<QLineEdit>(&window, "txtUser")->setText(user);
            child<QLineEdit>(&window, "txtPwd")->setText(typed);
            click(&window, "Command1");
            QVERIFY(!Windows::mainForm() && !mod().Conn().isOpen());
        }
        QCOMPARE(valueOf(QStringLiteral("select count(*) from tblLogin")), QStringLiteral("1"));
    }
    void search(const QString& typed)
    {
        StudentInfoFind find(mod());
        for (int i = 1; i <= 9; ++i) {
            for (int j = 1; j <= 8; ++j)
                child<QLineEdit>(&find, QStringLiteral("Text%1").arg(j))->setText(i == j ? typed : QString());
            child<QComboBox>(&find, "native")->setEditText(i == 9 ? typed : QString());
            click(&find, "Command1");
            QCOMPARE(MessageService::texts(), QStringList({ "没有找到！" }));
        }
    }
    void studentForm(const QString& typed)
    {
        // 姓名, 家庭住址, 备注, and the number itself, which only digits pass.
        const std::pair<int, const char*> boxes[] = { { 2, "姓名" }, { 4, "家庭住址" }, { 13, "备注" }, { 1, "学号" } };
        for (int k = 0; k < 4; ++k) {
            StudentInfo form(mod());
            form.prepareAdd();
            const QStringList values { QString::number(100 + k), QStringLiteral("李四"), QStringLiteral("2011-02-03"),
                QStringLiteral("文三路") };
            for (int i = 1; i <= 4; ++i)
                test::retype(child<QWidget>(&form, QStringLiteral("Text%1").arg(i)), values[i - 1]);
            child<QRadioButton>(&form, "sex_m")->setChecked(true);
            child<QComboBox>(&form, "native")->setEditText(QStringLiteral("浙江"));
            test::retype(child<QWidget>(&form, QStringLiteral("Text%1").arg(boxes[k].first)), typed);
            const QString inBox = test::shownText(child<QWidget>(&form, QStringLiteral("Text%1").arg(boxes[k].first)));
            click(&form, "BN_Save");
            if (k == 3) {
                QCOMPARE(MessageService::texts(), QStringList({ "学号只能由1到10位数字组成，请重新填写！" }));
                break;
            }
            storedOrRefused(inBox,
                valueOf(QStringLiteral("select %1 from tblLogin where 学号=?").arg(QString::fromUtf8(boxes[k].second)),
                    { values[0] }),
                QStringLiteral("添加成功，请刷新！"));
        }
    }
    void testDefinition(const QString& typed)
    {
        // Each box whose text is stored, and its column.
        const std::pair<const char*, const char*> boxes[] = { { "txtName", "考试名称" }, { "txtDate", "考试日期" },
            { "txtType", "考试类型" }, { "txtMemo", "备注" } };
        for (const auto& [name, column] : boxes) {
            TestInfoAdd add(mod());
            auto* type = child<QComboBox>(&add, "txtType");
            type->setEditText(QStringLiteral("平时考试"));
            child<QCheckBox>(&add, "Check1")->setChecked(true);
            QWidget* box = child<QWidget>(&add, name);
            if (auto* line = qobject_cast<QLineEdit*>(box))
                line->setText(typed);
            else if (auto* memo = qobject_cast<QPlainTextEdit*>(box))
                memo->setPlainText(typed);
            else
                type->setEditText(typed);
            const QString inBox = box == type ? type->currentText() : test::shownText(box);
            click(&add, "BN_OK");
            storedOrRefused(inBox,
                valueOf(QStringLiteral("select %1 from tblTestInfo where 考试号=?").arg(QString::fromUtf8(column)),
                    { child<QLineEdit>(&add, "txtNumber")->text().toInt() }),
                QStringLiteral("添加成功，请刷新！"));
        }
    }
    void scoreEntry(const QString& typed)
    {
        const int made = defineTest({ 0 }, true, true);
        mod().setSelNo(QString::number(made));
        TestFill fill(mod());
        fill.load();
        child<QPlainTextEdit>(&fill, "txtTeacher")->setPlainText(typed);
        click(&fill, "BN_Save");
        // The reader trims blanks.
        storedOrRefused(typed.trimmed(), valueOf(QStringLiteral("select 教师评语 from tblScore%1").arg(made)),
            QStringLiteral("保存完毕！"));
        for (const char* name : { "Text1", "txtDuty0" }) {
            child<QLineEdit>(&fill, name)->setText(typed.left(3));
            click(&fill, "BN_Save");
            QCOMPARE(MessageService::texts().size(), 1);
            QVERIFY(MessageService::texts().value(0).contains(QStringLiteral("之间的")));
            child<QLineEdit>(&fill, name)->setText(QStringLiteral("0"));
        }
    }
    void classSettings(const QString& typed)
    {
        Class window(mod());
        window.load();
        test::click(&window, "Command1");
        child<QLineEdit>(&window, "txtTeacher")->setText(typed);
        child<QLineEdit>(&window, "Text17")->setText(typed);
        click(&window, "Command1");
        storedOrRefused(typed, valueOf(QStringLiteral("select 班主任 from tblClass")), QStringLiteral("修改成功！"));
        storedOrRefused(
            typed, valueOf(QStringLiteral("select 星期二 from tblTbl where 节次=4")), QStringLiteral("修改成功！"));
    }
    void findBoxes(const QString& typed)
    {
        Analyze_Person person(mod());
        QVERIFY(person.load());
        child<QLineEdit>(&person, "txtFind")->setText(typed);
        click(&person, "BN_Find");
        QCOMPARE(MessageService::texts().size(), 1);
        QCOMPARE(child<QLineEdit>(&person, "txtNumber")->text(), QStringLiteral("1"));

        mod().setSelNo(QString::number(defineTest({ 0 })));
        Analyze_Class analysis(mod());
        analysis.load();
        for (const char* box : { "txtFront", "txtLast" }) {
            child<QRadioButton>(&analysis, box[3] == 'F' ? "Filter0" : "Filter1")->setChecked(true);
            child<QLineEdit>(&analysis, box)->setText(typed);
            click(&analysis, "BN_Filter");
            QCOMPARE(MessageService::texts().size(), 1);
            QCOMPARE(child<ResultGrid>(&analysis, "Grid")->rows(), 2);
        }

        Comment comment(mod());
        mod().setSelNo(QStringLiteral("1"));
        comment.load();
        child<QLineEdit>(&comment, "Text1")->setText(typed);
        click(&comment, "Command1");
        QCOMPARE(MessageService::texts(), QStringList({ "没有此内容，请查实！" }));
        child<QLineEdit>(&comment, "txtOwn")->setText(typed);
        click(&comment, "BN_OwnAdd");
        auto own = OwnPhrases::load(db());
        QVERIFY(own);
        if (MessageService::messages().isEmpty())
            QCOMPARE(own->value(0), typed.trimmed());
        else
            QVERIFY(own->isEmpty());
    }
    void usersAndPasswords(const QString& typed)
    {
        User user(mod());
        user.load();
        child<QComboBox>(&user, "User")->setEditText(typed);
        child<QRadioButton>(&user, "Option2")->setChecked(true);
        click(&user, "Command1");
        QCOMPARE(MessageService::texts(), QStringList({ QStringLiteral("用户“%1”不存在。").arg(typed) }));
        QCOMPARE(valueOf(QStringLiteral("select count(*) from tblUsers where Grade='Admin'")), QStringLiteral("1"));

        mod().setLogin(typed, typed);
        Pass pass(mod());
        child<QLineEdit>(&pass, "oldpwd")->setText(typed);
        child<QLineEdit>(&pass, "newpwd")->setText(QStringLiteral("x"));
        child<QLineEdit>(&pass, "newpwd2")->setText(QStringLiteral("x"));
        click(&pass, "Command1");
        QCOMPARE(MessageService::texts().size(), 1);
    }

private Q_SLOTS:
    void hostileText_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("typed");
        const std::pair<const char*, QString> strings[] = { { "quote", QStringLiteral("'") },
            { "or 1=1", QStringLiteral("' or '1'='1") }, { "drop", QStringLiteral("'; drop table tblLogin; --") },
            { "percent", QStringLiteral("%") }, { "underscore", QStringLiteral("_") },
            { "backslash", QStringLiteral("\\") }, { "10000 characters", QString(10000, QLatin1Char('a')) },
            { "control characters", QStringLiteral("a\x01\x07\x1b b") }, { "emoji", QStringLiteral("😀👍") },
            { "rare CJK", QStringLiteral("𠀀𪚥𫠝") } };
        for (const char* place : { "login", "search", "studentForm", "testDefinition", "scoreEntry", "classSettings",
                 "findBoxes", "usersAndPasswords" }) {
            for (const auto& [name, text] : strings)
                QTest::addRow("%s, %s", place, name) << QString::fromLatin1(place) << text;
        }
    }
    void hostileText()
    {
        QFETCH(QString, place);
        QFETCH(QString, typed);
        const std::map<QString, void (TestInjection::*)(const QString&)> places { { "login", &TestInjection::login },
            { "search", &TestInjection::search }, { "studentForm", &TestInjection::studentForm },
            { "testDefinition", &TestInjection::testDefinition }, { "scoreEntry", &TestInjection::scoreEntry },
            { "classSettings", &TestInjection::classSettings }, { "findBoxes", &TestInjection::findBoxes },
            { "usersAndPasswords", &TestInjection::usersAndPasswords } };
        (this->*places.at(place))(typed);
        // Nothing else went: the student is still there as stored.
        QCOMPARE(valueOf(QStringLiteral("select 姓名 from tblLogin where 学号='1'")), QStringLiteral("张三"));
    }
};

QTEST_MAIN(TestInjection)
#include "tst_injection.moc"
