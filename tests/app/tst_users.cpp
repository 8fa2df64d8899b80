#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Users.h"
#include "app/ui/Pass.h"
#include "app/ui/User.h"
#include "data/PasswordHash.h"
#include "data/Passwords.h"
#include "support/DbTestCase.h"
#include "support/Ui.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::TestDb;

class TestUsers : public velmora::test::DbTestCase
{
    Q_OBJECT

    QString stored(const char* column, const QString& user)
    {
        return valueOf(QStringLiteral("select %1 from tblUsers where UserName=?").arg(QLatin1String(column)), { user });
    }
    bool accepts(const QString& user, const QString& password)
    {
        auto ok = Passwords::check(db(), user, password);
        return ok && *ok;
    }
    static void fill(Pass& pass, const QString& old, const QString& first, const QString& second)
    {
        child<QLineEdit>(&pass, "oldpwd")->setText(old);
        child<QLineEdit>(&pass, "newpwd")->setText(first);
        child<QLineEdit>(&pass, "newpwd2")->setText(second);
        test::click(&pass, "Command1");
    }

    void prepare() override
    {
        QVERIFY(db().exec(QStringLiteral("insert into tblUsers (UserName, PWD, Grade) values (?, ?, ?)"),
            { QStringLiteral("O'Neil"), QStringLiteral("pw"), QStringLiteral(" odd ") }));
    }

private Q_SLOTS:
    void privilegeRoundTrip()
    {
        User window(mod());
        window.load();
        QCOMPARE(child<QComboBox>(&window, "User")->count(), 3);

        // Neither option chosen: the stored grade is written back as it was.
        test::choose(child<QComboBox>(&window, "User"), QStringLiteral("O'Neil"));
        QVERIFY(!child<QRadioButton>(&window, "Option1")->isChecked()
            && !child<QRadioButton>(&window, "Option2")->isChecked());
        test::click(&window, "Command1");
        QCOMPARE(MessageService::lastText(), QStringLiteral("用户 O'Neil 已经更改为 odd "));
        QCOMPARE(stored("Grade", QStringLiteral("O'Neil")), QStringLiteral(" odd "));

        test::choose(child<QComboBox>(&window, "User"), QStringLiteral("admin"));
        QVERIFY(child<QRadioButton>(&window, "Option1")->isChecked());
        test::click(&window, "Option2");
        test::click(&window, "Command1");
        QCOMPARE(MessageService::lastText(), QStringLiteral("用户 admin 已经更改为User"));
        QCOMPARE(stored("Grade", QStringLiteral("admin")), QStringLiteral("User"));
        // The demoted administrator logs in as an ordinary user next time.
        mod().setLogin(QStringLiteral("admin"));
        QVERIFY(mod().CheckUser(QStringLiteral("admin"), QStringLiteral("123456")));
        QVERIFY(!mod().IsAdmin());
        QCOMPARE(MessageService::lastText(), QStringLiteral("admin使用 用户身份 权限登陆"));

        test::choose(child<QComboBox>(&window, "User"), QStringLiteral("teacher"));
        QVERIFY(child<QRadioButton>(&window, "Option2")->isChecked());
        test::click(&window, "Option1");
        test::click(&window, "Command1");
        QCOMPARE(stored("Grade", QStringLiteral("teacher")), QStringLiteral("Admin"));
    }

    void passwordChangeRules()
    {
        // An unknown name costs one hash, as a wrong password does, so the
        // answer's speed tells no one which names exist.
        for (const char* name : { "teacher", "nobody" }) {
            const int before = PasswordHash::verifications();
            QVERIFY(!accepts(QString::fromUtf8(name), QStringLiteral("wrong")));
            QCOMPARE(PasswordHash::verifications() - before, 1);
        }
        mod().setLogin(QStringLiteral("teacher"), QStringLiteral("123456"));
        {
            Pass pass(mod());
            QCOMPARE(child<QLineEdit>(&pass, "Text1")->text(), QStringLiteral("teacher"));
            QVERIFY(!child<QLineEdit>(&pass, "Text1")->isEnabled());
            QCOMPARE(child<QLineEdit>(&pass, "oldpwd")->echoMode(), QLineEdit::Password);
            fill(pass, QStringLiteral("wrong"), QStringLiteral("a"), QStringLiteral("b"));
            QCOMPARE(
                MessageService::texts(), QStringList({ "您输入的确认密码与新密码不符！", "您输入的旧密码不正确！" }));
            QVERIFY(child<QLineEdit>(&pass, "oldpwd")->text().isEmpty()
                && child<QLineEdit>(&pass, "newpwd")->text().isEmpty()
                && child<QLineEdit>(&pass, "newpwd2")->text().isEmpty());
            QVERIFY(accepts(QStringLiteral("teacher"), QStringLiteral("123456")));

            MessageService::clearMessages();
            fill(pass, QStringLiteral("123456"), QStringLiteral("it's-new"), QStringLiteral("it's-new"));
            QCOMPARE(MessageService::texts(), QStringList({ "密码修改成功！" }));
            // Only a salted hash is kept, never the password as typed.
            QVERIFY(accepts(QStringLiteral("teacher"), QStringLiteral("it's-new")));
            QVERIFY(!accepts(QStringLiteral("teacher"), QStringLiteral("123456")));
            QCOMPARE(stored("PWD", QStringLiteral("teacher")), QString());
            auto hash = db().select(
                QStringLiteral("select 散列 from velmora_passwords where 用户名=?"), { QStringLiteral("teacher") });
            QVERIFY(hash && hash->text(0).startsWith(QStringLiteral("$argon2id$")));
            QVERIFY(!hash->text(0).contains(QStringLiteral("it's-new")));
        }
        // Without a new login the old password is still the one typed at login.
        {
            Pass pass(mod());
            MessageService::clearMessages();
            fill(pass, QStringLiteral("it's-new"), QStringLiteral("x"), QStringLiteral("x"));
            QCOMPARE(MessageService::texts(), QStringList({ "您输入的旧密码不正确！" }));
            // An empty password would let anyone in under this name.
            fill(pass, QStringLiteral("123456"), QString(), QString());
            QCOMPARE(MessageService::lastText(), QStringLiteral("新密码不能为空！"));
            QVERIFY(!accepts(QStringLiteral("teacher"), QString()));
            QVERIFY(accepts(QStringLiteral("teacher"), QStringLiteral("it's-new")));
            QVERIFY(!Users::setPassword(db(), QStringLiteral("teacher"), QString()));
        }
    }

    void passwordOfAUserDeletedMeanwhile()
    {
        mod().setLogin(QStringLiteral("teacher"), QStringLiteral("123456"));
        QVERIFY(db().exec(QStringLiteral("delete from tblUsers where UserName=?"), { QStringLiteral("teacher") }));
        Pass pass(mod());
        fill(pass, QStringLiteral("123456"), QStringLiteral("x"), QStringLiteral("x"));
        // A verdict is said in its own words, not as an unknown error with a code.
        QCOMPARE(MessageService::texts(), QStringList({ "用户“teacher”不存在。" }));
        QVERIFY(accepts(QStringLiteral("admin"), QStringLiteral("123456")));
    }
};

QTEST_MAIN(TestUsers)
#include "tst_users.moc"
