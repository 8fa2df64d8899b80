// The classic hostile strings typed into every box whose value reaches SQL:
// each is stored exactly as typed or refused with a message, and nothing
// else in the database changes.
#include "analysis/ui/Analyze_Class.h"
#include "analysis/ui/Analyze_Person.h"
#include "app/DbConfig.h"
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
#include "platform/MessageService.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentInfo.h"
#include "students/ui/StudentInfoFind.h"
#include "support/DbTestCase.h"
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
    // Rows that no hostile string may change.
    QString fingerprint()
    {
        QStringList parts;
        for (const char* sql : { "select count(*) from tblUsers", "select count(*) from tblLogin",
                 "select count(*) from tblTbl", "select count(*) from tblClass",
                 "select PWD from tblUsers where UserName='admin'", "select 姓名 from tblLogin where 学号='1'" }) {
            auto r = db().select(QString::fromUtf8(sql));
            parts << (r ? r->text(0) : QStringLiteral("<gone>"));
        }
        return parts.join(QLatin1Char('|'));
    }
    static void hostile()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("quote") << QStringLiteral("'");
        QTest::newRow("or 1=1") << QStringLiteral("' or '1'='1");
        QTest::newRow("drop") << QStringLiteral("'; drop table tblLogin; --");
        QTest::newRow("percent") << QStringLiteral("%");
        QTest::newRow("underscore") << QStringLiteral("_");
        QTest::newRow("backslash") << QStringLiteral("\\");
        QTest::newRow("10000 characters") << QString(10000, QLatin1Char('a'));
        QTest::newRow("control characters") << QStringLiteral("a\x01\x07\x1b b");
        QTest::newRow("emoji") << QStringLiteral("😀👍");
        QTest::newRow("rare CJK") << QStringLiteral("𠀀𪚥𫠝");
    }
    // Stored as typed, or one message and nothing stored.
    void storedOrRefused(const QString& typed, const QString& stored, bool wasStored)
    {
        if (wasStored)
            QCOMPARE(stored, typed);
        else
            QVERIFY(!MessageService::messages().isEmpty());
    }

private Q_SLOTS:
    void login_data() { hostile(); }
    void login()
    {
        QFETCH(QString, typed);
        const QString before = fingerprint();
        const ConnectionSettings& s = m_db->settings();
        QVERIFY(DbConfig::write(AppPaths::configFile(), { s.server, s.database, s.user, s.password }));
        mod().Conn.close();
        for (const auto& [user, password] :
            { std::pair { typed, typed }, std::pair { QStringLiteral("admin"), typed } }) {
            Login window;
            window.load();
            child<QLineEdit>(&window, "txtUser")->setText(user);
            child<QLineEdit>(&window, "txtPwd")->setText(password);
            QTest::mouseClick(child<QPushButton>(&window, "Command1"), Qt::LeftButton);
            QVERIFY(!Windows::mainForm());
            QVERIFY(!mod().Conn.isOpen());
        }
        QVERIFY(m_db->db().isOpen());
        QCOMPARE(fingerprint(), before);
    }

    void search_data() { hostile(); }
    void search()
    {
        QFETCH(QString, typed);
        const QString before = fingerprint();
        StudentInfoFind find;
        for (int i = 1; i <= 8; ++i) {
            for (int j = 1; j <= 8; ++j)
                child<QLineEdit>(&find, QStringLiteral("Text%1").arg(j))->clear();
            child<QLineEdit>(&find, QStringLiteral("Text%1").arg(i))->setText(typed);
            MessageService::clearMessages();
            QTest::mouseClick(child<QPushButton>(&find, "Command1"), Qt::LeftButton);
            QCOMPARE(MessageService::texts(), QStringList({ "没有找到！" }));
        }
        child<QLineEdit>(&find, "Text8")->clear();
        child<QComboBox>(&find, "native")->setEditText(typed);
        MessageService::clearMessages();
        QTest::mouseClick(child<QPushButton>(&find, "Command1"), Qt::LeftButton);
        QCOMPARE(MessageService::texts(), QStringList({ "没有找到！" }));
        QCOMPARE(fingerprint(), before);
    }

    void studentForm_data() { hostile(); }
    void studentForm()
    {
        QFETCH(QString, typed);
        const QString before = fingerprint();
        const QString columns[] = { QStringLiteral("姓名"), QStringLiteral("家庭住址"), QStringLiteral("备注") };
        const int boxes[] = { 2, 4, 13 };
        for (int k = 0; k < 3; ++k) {
            StudentInfo form;
            form.prepareAdd();
            form.setText(1, QString::number(100 + k));
            form.setText(2, QStringLiteral("李四"));
            form.setText(3, QStringLiteral("2011-02-03"));
            form.setText(4, QStringLiteral("文三路"));
            child<QRadioButton>(&form, "sex_m")->setChecked(true);
            child<QComboBox>(&form, "native")->setEditText(QStringLiteral("浙江"));
            form.setText(boxes[k], typed);
            const QString inBox = form.text(boxes[k]);
            MessageService::clearMessages();
            QTest::mouseClick(child<QPushButton>(&form, "BN_Save"), Qt::LeftButton);
            const bool ok = MessageService::texts() == QStringList({ "添加成功，请刷新！" });
            auto row = db().select(
                QStringLiteral("select %1 from tblLogin where 学号=?").arg(columns[k]), { QString::number(100 + k) });
            QVERIFY(row);
            QCOMPARE(row->recordCount(), ok ? 1 : 0);
            storedOrRefused(inBox, ok ? row->value(0).toString() : QString(), ok);
            if (!ok)
                QVERIFY(!MessageService::texts().first().startsWith(QStringLiteral("未知错误")));
        }
        // The number itself: only digits pass.
        StudentInfo form;
        form.prepareAdd();
        form.setText(1, typed);
        for (int i : { 2, 3, 4 })
            form.setText(i, i == 3 ? QStringLiteral("2011-02-03") : QStringLiteral("某"));
        child<QRadioButton>(&form, "sex_w")->setChecked(true);
        child<QComboBox>(&form, "native")->setEditText(QStringLiteral("浙江"));
        MessageService::clearMessages();
        QTest::mouseClick(child<QPushButton>(&form, "BN_Save"), Qt::LeftButton);
        QCOMPARE(MessageService::texts(), QStringList({ "学号只能由1到10位数字组成，请重新填写！" }));
        QVERIFY(db().exec(QStringLiteral("delete from tblLogin where 学号 <> '1'")));
        QCOMPARE(fingerprint(), before);
    }

    void testDefinition_data() { hostile(); }
    void testDefinition()
    {
        QFETCH(QString, typed);
        const QString before = fingerprint();
        const char* columns[] = { "考试名称", "考试日期", "考试类型", "备注" };
        for (int k = 0; k < 4; ++k) {
            TestInfoAdd add;
            child<QComboBox>(&add, "txtType")->setEditText(QStringLiteral("平时考试"));
            child<QCheckBox>(&add, "Check1")->setChecked(true);
            if (k == 0)
                child<QLineEdit>(&add, "txtName")->setText(typed);
            else if (k == 1)
                child<QLineEdit>(&add, "txtDate")->setText(typed);
            else if (k == 2)
                child<QComboBox>(&add, "txtType")->setEditText(typed);
            else
                child<QPlainTextEdit>(&add, "txtMemo")->setPlainText(typed);
            const QString inBox = k == 0 ? child<QLineEdit>(&add, "txtName")->text()
                : k == 1                 ? child<QLineEdit>(&add, "txtDate")->text()
                : k == 2                 ? child<QComboBox>(&add, "txtType")->currentText()
                                         : child<QPlainTextEdit>(&add, "txtMemo")->toPlainText();
            MessageService::clearMessages();
            QTest::mouseClick(child<QPushButton>(&add, "BN_OK"), Qt::LeftButton);
            const bool ok = MessageService::texts().contains(QStringLiteral("添加成功，请刷新！"));
            if (ok) {
                auto row = db().select(
                    QStringLiteral("select %1 from tblTestInfo where 考试号=?").arg(QString::fromUtf8(columns[k])),
                    { child<QLineEdit>(&add, "txtNumber")->text().toInt() });
                QCOMPARE(row->value(0).toString(), inBox);
            } else {
                QCOMPARE(MessageService::texts().size(), 1);
            }
        }
        QCOMPARE(fingerprint(), before);
    }

    void scoreEntry_data() { hostile(); }
    void scoreEntry()
    {
        QFETCH(QString, typed);
        auto made = Exams::define(
            db(), { QStringLiteral("月考"), QString(), QStringLiteral("平时考试"), QString(), { { 0 }, true, true } });
        QVERIFY(made);
        const QString before = fingerprint();
        mod().SelNo = QString::number(made->number);
        TestFill fill;
        fill.load();
        child<QPlainTextEdit>(&fill, "txtTeacher")->setPlainText(typed);
        MessageService::clearMessages();
        QTest::mouseClick(child<QPushButton>(&fill, "BN_Save"), Qt::LeftButton);
        const bool ok = MessageService::texts() == QStringList({ "保存完毕！" });
        auto row = db().select(QStringLiteral("select 教师评语 from tblScore%1").arg(made->number));
        // Stored as typed (the reader trims blanks, so compare trimmed).
        if (ok)
            QCOMPARE(row->text(0), typed.trimmed());
        else
            QVERIFY(MessageService::texts().first().contains(QStringLiteral("900")));
        for (QLineEdit* box : { child<QLineEdit>(&fill, "Text1"), child<QLineEdit>(&fill, "txtDuty0") }) {
            const QString old = box->text();
            box->setText(typed.left(3));
            MessageService::clearMessages();
            QTest::mouseClick(child<QPushButton>(&fill, "BN_Save"), Qt::LeftButton);
            QCOMPARE(MessageService::texts().size(), 1);
            QVERIFY(MessageService::texts().first().contains(QStringLiteral("整数")));
            box->setText(old);
        }
        QCOMPARE(fingerprint(), before);
    }

    void classSettings_data() { hostile(); }
    void classSettings()
    {
        QFETCH(QString, typed);
        const QString before = fingerprint();
        Class window;
        window.load();
        QTest::mouseClick(child<QPushButton>(&window, "Command1"), Qt::LeftButton);
        child<QLineEdit>(&window, "txtTeacher")->setText(typed);
        child<QLineEdit>(&window, "Text17")->setText(typed);
        MessageService::clearMessages();
        QTest::mouseClick(child<QPushButton>(&window, "Command1"), Qt::LeftButton);
        const bool ok = MessageService::texts().contains(QStringLiteral("修改成功！"));
        auto teacher = db().select(QStringLiteral("select 班主任 from tblClass"));
        auto cell = db().select(QStringLiteral("select 星期二 from tblTbl where 节次=4"));
        if (ok) {
            QCOMPARE(teacher->value(0).toString(), typed);
            QCOMPARE(cell->value(0).toString(), typed);
        } else {
            QCOMPARE(MessageService::texts().size(), 1);
            QCOMPARE(teacher->text(0), QString());
        }
        QCOMPARE(fingerprint(), before);
    }

    void findAndCountBoxes_data() { hostile(); }
    void findAndCountBoxes()
    {
        QFETCH(QString, typed);
        const QString before = fingerprint();
        Analyze_Person person;
        QVERIFY(person.load());
        child<QLineEdit>(&person, "txtFind")->setText(typed);
        MessageService::clearMessages();
        QTest::mouseClick(child<QPushButton>(&person, "BN_Find"), Qt::LeftButton);
        QCOMPARE(MessageService::texts().size(), 1);
        QCOMPARE(child<QLineEdit>(&person, "txtNumber")->text(), QStringLiteral("1"));

        auto made = Exams::define(db(),
            { QStringLiteral("月考"), QString(), QStringLiteral("平时考试"), QString(), { { 0 }, false, false } });
        mod().SelNo = QString::number(made->number);
        Analyze_Class analysis;
        analysis.load();
        for (int f = 0; f < 2; ++f) {
            child<QRadioButton>(&analysis, QStringLiteral("Filter%1").arg(f))->setChecked(true);
            (f == 0 ? child<QLineEdit>(&analysis, "txtFront") : child<QLineEdit>(&analysis, "txtLast"))->setText(typed);
            MessageService::clearMessages();
            QTest::mouseClick(child<QPushButton>(&analysis, "BN_Filter"), Qt::LeftButton);
            QCOMPARE(MessageService::texts().size(), 1);
            QCOMPARE(child<ResultGrid>(&analysis, "Grid")->rows(), 2);
        }

        Comment comment;
        mod().SelNo = QStringLiteral("1");
        comment.load();
        child<QLineEdit>(&comment, "Text1")->setText(typed);
        MessageService::clearMessages();
        QTest::mouseClick(child<QPushButton>(&comment, "Command1"), Qt::LeftButton);
        QCOMPARE(MessageService::texts(), QStringList({ "没有此内容，请查实！" }));
        child<QLineEdit>(&comment, "txtOwn")->setText(typed);
        MessageService::clearMessages();
        QTest::mouseClick(child<QPushButton>(&comment, "BN_OwnAdd"), Qt::LeftButton);
        auto own = OwnPhrases::load(db());
        QVERIFY(own);
        if (MessageService::messages().isEmpty())
            QCOMPARE(own->value(0), typed.trimmed());
        else
            QVERIFY(own->isEmpty());
        QCOMPARE(fingerprint(), before);
    }

    void usersAndPasswords_data() { hostile(); }
    void usersAndPasswords()
    {
        QFETCH(QString, typed);
        const QString before = fingerprint();
        User user;
        user.load();
        child<QComboBox>(&user, "User")->setEditText(typed);
        child<QRadioButton>(&user, "Option2")->setChecked(true);
        MessageService::clearMessages();
        QTest::mouseClick(child<QPushButton>(&user, "Command1"), Qt::LeftButton);
        QCOMPARE(MessageService::texts(), QStringList({ QStringLiteral("用户“%1”不存在。").arg(typed) }));
        auto grades = db().select(QStringLiteral("select count(*) from tblUsers where Grade='Admin'"));
        QCOMPARE(grades->text(0), QStringLiteral("1"));

        mod().LoginUser = typed;
        mod().LoginPwd = typed;
        Pass pass;
        child<QLineEdit>(&pass, "oldpwd")->setText(typed);
        child<QLineEdit>(&pass, "newpwd")->setText(QStringLiteral("x"));
        child<QLineEdit>(&pass, "newpwd2")->setText(QStringLiteral("x"));
        MessageService::clearMessages();
        QTest::mouseClick(child<QPushButton>(&pass, "Command1"), Qt::LeftButton);
        QCOMPARE(MessageService::texts().size(), 1);
        QCOMPARE(fingerprint(), before);
    }
};

QTEST_MAIN(TestInjection)
#include "tst_injection.moc"
