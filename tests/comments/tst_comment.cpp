#include "app/MessageService.h"
#include "app/Module1.h"
#include "comments/Composer.h"
#include "comments/PhraseLibrary.h"
#include "comments/ui/Comment.h"
#include "support/DbTestCase.h"
#include "support/Ui.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QtTest>

using namespace velmora;
using velmora::test::child;

class TestComment : public velmora::test::DbTestCase
{
    Q_OBJECT

    void prepare() override
    {
        QVERIFY(db().exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别) values (?, ?, ?)"),
            { QStringLiteral("001"), QStringLiteral("林小雨"), QStringLiteral("女") }));
    }
    static void type(Comment& c, const QString& number)
    {
        child<QLineEdit>(&c, "Text1")->setText(number);
        test::click(&c, "Command1");
    }
    std::unique_ptr<Comment> open()
    {
        mod().setSelNo(QStringLiteral("001 "));
        auto c = std::make_unique<Comment>(mod());
        c->load();
        c->show();
        (void)QTest::qWaitForWindowExposed(c.get());
        return c;
    }
    // The phrases chosen so far, as the list of chosen phrases shows them.
    static QStringList chosen(Comment& c)
    {
        QStringList texts;
        auto* list = child<QListWidget>(&c, "List2");
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }
    static QString phrase(int number) { return PhraseLibrary::builtIn().text(number); }
    // Enter on a phrase of a tab chooses it, as a double click does.
    static void choose(Comment& c, int tab, int row)
    {
        child<QTabWidget>(&c, "tabRTF")->setCurrentIndex(tab);
        auto* list = child<QListWidget>(&c, QStringLiteral("List_%1").arg(tab));
        list->setFocus();
        list->setCurrentRow(row);
        QTest::keyClick(list, Qt::Key_Return);
    }

private Q_SLOTS:
    void libraryFile()
    {
        const PhraseLibrary& lib = PhraseLibrary::builtIn();
        const int counts[] = { 54, 25, 28, 29, 26, 37, 40, 62, 0 };
        QSet<QString> seen;
        for (int t = 0; t < PhraseLibrary::kTabs; ++t) {
            QCOMPARE(lib.phrases(t).size(), counts[t]);
            for (const QString& p : lib.phrases(t)) {
                QVERIFY(!p.trimmed().isEmpty());
                QVERIFY2(!seen.contains(p), qPrintable(p));
                seen.insert(p);
            }
        }
        QCOMPARE(lib.count() - 1, 301);
        QCOMPARE(lib.firstNumber(1), 55);
        QCOMPARE(lib.firstNumber(7), 240);
        QCOMPARE(lib.item(0, 0), QStringLiteral("001、你品学皆优、奋进向上，是老师很满意的学生。"));
        QCOMPARE(lib.item(7, 61), QStringLiteral("301、愿你扬长避短，勤奋学习，争做全面发展的三好学生！"));

        QString error;
        PhraseLibrary::parse(QStringLiteral("orphan\n[印象]\n好"), &error);
        QVERIFY(!error.isEmpty());
    }

    void numbersAtTheBoundaries()
    {
        auto c = open();
        QCOMPARE(child<QLineEdit>(c.get(), "txtName")->text(), QStringLiteral("林小雨"));
        QCOMPARE(child<QLineEdit>(c.get(), "txtNumber")->text(), QStringLiteral("001"));
        for (const char* n : { "1", "54", "55", "301" })
            type(*c, QString::fromLatin1(n));
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(chosen(*c), QStringList({ phrase(1), phrase(54), phrase(55), phrase(301) }));
        QCOMPARE(child<QLineEdit>(c.get(), "Text3")->text(), QStringLiteral("301"));
        QVERIFY(child<QLineEdit>(c.get(), "Text1")->text().isEmpty());
        for (const char* n : { "302", "0", "abc", "-5" }) {
            MessageService::clearMessages();
            type(*c, QString::fromLatin1(n));
            QCOMPARE(MessageService::texts(), QStringList({ "没有此内容，请查实！" }));
        }
        QCOMPARE(chosen(*c).size(), 4);
    }

    void duplicatesBothWaysAndDeleting()
    {
        auto c = open();
        child<QListWidget>(c.get(), "List_0")->setCurrentRow(2);
        QCOMPARE(child<QLineEdit>(c.get(), "Text3")->text(), QStringLiteral("3"));
        choose(*c, 0, 2);
        type(*c, QStringLiteral("3"));
        QCOMPARE(MessageService::texts(), QStringList({ "您已经输入了该选项。" }));
        QVERIFY(child<QLineEdit>(c.get(), "Text1")->text().isEmpty());
        type(*c, QStringLiteral("80"));
        MessageService::clearMessages();
        choose(*c, 2, 0);
        QCOMPARE(MessageService::texts(), QStringList({ "您已经输入了该选项。" }));
        QCOMPARE(chosen(*c), QStringList({ phrase(3), phrase(80) }));

        QVERIFY(!child<QPushButton>(c.get(), "del")->isEnabled());
        child<QListWidget>(c.get(), "List2")->setCurrentRow(0);
        child<QListWidget>(c.get(), "List2")->item(0)->setSelected(true);
        QVERIFY(child<QPushButton>(c.get(), "del")->isEnabled());
        test::click(c.get(), "del");
        QCOMPARE(chosen(*c), QStringList({ phrase(80) }));
        QVERIFY(!child<QPushButton>(c.get(), "del")->isEnabled());
        MessageService::clearMessages();
        type(*c, QStringLiteral("3"));
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(chosen(*c), QStringList({ phrase(80), phrase(3) }));

        // The 102nd phrase is refused.
        for (int n = 100; chosen(*c).size() < Composer::kMaxPhrases; ++n)
            type(*c, QString::number(n));
        MessageService::clearMessages();
        type(*c, QStringLiteral("250"));
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::texts().value(0).contains(QStringLiteral("101")));
        QCOMPARE(child<QListWidget>(c.get(), "List2")->count(), Composer::kMaxPhrases);
    }

    // A click on the phrase already selected shows it again after another was added by number.
    void clickOnTheSelectedPhraseShowsIt()
    {
        auto c = open();
        QVERIFY(QTest::qWaitForWindowExposed(c.get()));
        QListWidget* list = child<QListWidget>(c.get(), "List_0");
        const QPoint third = list->visualItemRect(list->item(2)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
        QCOMPARE(child<QLineEdit>(c.get(), "Text3")->text(), QStringLiteral("3"));
        QTest::keyClicks(child<QLineEdit>(c.get(), "Text1"), "40");
        QTest::keyClick(child<QLineEdit>(c.get(), "Text1"), Qt::Key_Return);
        QCOMPARE(child<QLineEdit>(c.get(), "Text3")->text(), QStringLiteral("40"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
        QCOMPARE(child<QLineEdit>(c.get(), "Text3")->text(), QStringLiteral("3"));
        QCOMPARE(child<QLineEdit>(c.get(), "Text2")->text(), list->item(2)->text().mid(4));
    }

    void composeAndSubmit()
    {
        auto c = open();
        QString handed = QStringLiteral("原来的评语");
        connect(c.get(), &Comment::submitted, this, [&](const QString& text) { handed = text; });
        // Nothing chosen, nothing previewed: nothing is handed over.
        test::click(c.get(), "Command3");
        QCOMPARE(MessageService::texts(), QStringList({ "请填写评语" }));
        QCOMPARE(handed, QStringLiteral("原来的评语"));

        type(*c, QStringLiteral("2"));
        test::click(c.get(), "Command2");
        QCOMPARE(child<QPlainTextEdit>(c.get(), "Text5")->toPlainText(),
            QStringLiteral("林小雨同学：\n    ") + PhraseLibrary::builtIn().text(2));

        type(*c, QStringLiteral("240"));
        child<QCheckBox>(c.get(), "Check10")->setChecked(true);
        child<QCheckBox>(c.get(), "Check0")->setChecked(true);
        child<QCheckBox>(c.get(), "Check20")->setChecked(true);
        child<QPlainTextEdit>(c.get(), "memo")->setPlainText(QStringLiteral("你的小提琴拉得很好。"));
        MessageService::clearMessages();
        test::click(c.get(), "Command3");
        QVERIFY(MessageService::messages().isEmpty());
        const QString expected = QStringLiteral("林小雨同学：\r\n    ") + PhraseLibrary::builtIn().text(2)
            + PhraseLibrary::builtIn().text(240) + QStringLiteral("\r\n    在本学期担任：班长 语文课代表 职务")
            + QStringLiteral("\r\n    在本学期获得：三好学生 荣誉称号。")
            + QStringLiteral("\r\n    此外,你的小提琴拉得很好。");
        QCOMPARE(handed, expected);
        QCOMPARE(Composer::compose(QStringLiteral("甲"), { QStringLiteral("好。") }, {}, {}, QString()),
            QStringLiteral("甲同学：\r\n    好。"));

        // Too long: the message, and the window keeps everything for the teacher to shorten.
        auto d = open();
        QString second;
        connect(d.get(), &Comment::submitted, this, [&](const QString& text) { second = text; });
        for (int n = 1; n <= 60; ++n)
            type(*d, QString::number(n));
        MessageService::clearMessages();
        test::click(d.get(), "Command3");
        QCOMPARE(MessageService::texts(), QStringList({ "您写的评语已超过最大范围！请删去几条！" }));
        QVERIFY(second.isEmpty());
        QCOMPARE(child<QListWidget>(d.get(), "List2")->count(), 60);
        QCOMPARE(child<QPlainTextEdit>(d.get(), "Text5")->toPlainText().size(), Composer::kMaxLength);
    }

    void ownPhrasesPersist()
    {
        {
            auto c = open();
            child<QLineEdit>(c.get(), "txtOwn")->setText(QStringLiteral("你的笑容像阳光一样温暖。"));
            test::click(c.get(), "BN_OwnAdd");
            child<QLineEdit>(c.get(), "txtOwn")->setText(QStringLiteral("你是班里的小书虫。"));
            test::click(c.get(), "BN_OwnAdd");
            QVERIFY(MessageService::messages().isEmpty());
            QCOMPARE(child<QListWidget>(c.get(), "List_8")->item(1)->text(), QStringLiteral("303、你是班里的小书虫。"));
            type(*c, QStringLiteral("303"));
            QCOMPARE(child<QListWidget>(c.get(), "List2")->item(0)->text(), QStringLiteral("你是班里的小书虫。"));
        }
        auto again = open();
        QCOMPARE(child<QListWidget>(again.get(), "List_8")->count(), 2);
        child<QListWidget>(again.get(), "List_8")->setCurrentRow(0);
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(again.get(), "BN_OwnDel");
        QCOMPARE(child<QListWidget>(again.get(), "List_8")->count(), 1);
        QCOMPARE(child<QListWidget>(again.get(), "List_8")->item(0)->text(), QStringLiteral("302、你是班里的小书虫。"));
        MessageService::clearMessages();
        type(*again, QStringLiteral("303"));
        QCOMPARE(MessageService::texts(), QStringList({ "没有此内容，请查实！" }));

        // Three digits at most: the add is refused once number 999 is taken.
        for (int i = 0; i < 999 - 302; ++i)
            QVERIFY(OwnPhrases::add(db(), QStringLiteral("评语%1").arg(i), 301));
        QVERIFY(!OwnPhrases::add(db(), QStringLiteral("再来一条"), 301));
        mod().setAdmin(false);
        auto user = open();
        QVERIFY(!child<QPushButton>(user.get(), "BN_OwnAdd")->isEnabled());
        auto* own = child<QListWidget>(user.get(), "List_8");
        QCOMPARE(own->item(own->count() - 1)->text().left(3), QStringLiteral("999"));
    }
};

QTEST_MAIN(TestComment)
#include "tst_comment.moc"
