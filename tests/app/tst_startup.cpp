#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/ui/Config.h"
#include "app/ui/Login.h"
#include "app/ui/Splash.h"
#include "app/ui/Windows.h"
#include "platform/AppPaths.h"
#include "platform/ui/GuiMessages.h"
#include "platform/ui/Translations.h"
#include "support/Files.h"
#include "support/Modal.h"
#include "support/Ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace velmora;
using velmora::test::child;
using velmora::test::ModalRobot;

class TestStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_quits = 0;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        AppPaths::setAppDir(m_dir.path());
        GuiMessages::install();
        Windows::setQuitHandler([this] { ++m_quits; });
    }

    void init() { m_quits = 0; }

    void brokenConfigurationKeepsTheLoginWindow_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("messages");
        const QString unreadable = QStringLiteral("读取数据库配置文件出错！");
        const QString demo = QStringLiteral("是否创建示例数据库？");
        QTest::newRow("missing") << QByteArray()
                                 << QStringList { "Dbcfg.dat不存在！这是您第一次使用本系统，请进行数据库设置", demo,
                                        "Dbcfg.dat不存在！", unreadable };
        QTest::newRow("empty") << QByteArray("") << QStringList { " 读取文件出错！", unreadable };
        QTest::newRow("short") << QByteArray("a\r\nb\r\n") << QStringList { "未知错误！62 输入超出文件尾", unreadable };
        QTest::newRow("garbage") << QByteArray("\x01\x02\r\n\xff\xfe\r\nabc\r\nabc\r\n")
                                 << QStringList { "未知错误！5 无效的过程调用或参数", unreadable };
    }

    // Splash, then the login with a bad dbcfg.dat: every message box is a
    // real one, and closing them never ends the program. Esc on the login does.
    void brokenConfigurationKeepsTheLoginWindow()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, messages);
        QFile::remove(AppPaths::configFile());
        if (!file.isNull())
            QVERIFY(test::writeFile(AppPaths::configFile(), file));

        QStringList seen;
        bool loginPressed = false;
        bool loginStayed = false;
        bool done = false;
        ModalRobot robot([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen << box->text().split(QStringLiteral("\r\n")).first();
                // The demo is declined by Esc, so the configuration comes next.
                QTest::keyClick(box,
                    box->text().startsWith(QStringLiteral("是否创建示例数据库？")) ? Qt::Key_Escape : Qt::Key_Return);
            } else if (qobject_cast<Config*>(modal)) {
                QTest::keyClick(modal, Qt::Key_Escape);
            } else if (auto* login = qobject_cast<Login*>(modal)) {
                if (!loginPressed) {
                    loginPressed = true;
                    QTest::keyClicks(child<QLineEdit>(login, "txtPwd"), "adm");
                    QTest::keyClick(child<QLineEdit>(login, "txtPwd"), Qt::Key_Return);
                } else if (!done) {
                    loginStayed = login->isVisible() && m_quits == 0;
                    done = true;
                    QTest::keyClick(login, Qt::Key_Escape);
                }
            }
            return true;
        });

        QPointer<Splash> splash = new Splash(mod(), Splash::Mode::StartUp);
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->show();
        // Message boxes before any main window are windows too: their closing must not end the program.
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        QCOMPARE(seen, messages);
        QVERIFY(loginStayed);
        QTRY_COMPARE(m_quits, 1);
        QTRY_VERIFY(!splash);
    }

    // Esc and the close box of a real Yes/No box answer neither; Enter takes
    // the default, which is No before a deletion.
    void realQuestionsAnswerEscWithNeither()
    {
        QList<int> keys { Qt::Key_Escape, -1, Qt::Key_Return, Qt::Key_Return };
        ModalRobot robot([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box || keys.isEmpty())
                return false;
            const int key = keys.takeFirst();
            if (key < 0)
                box->close();
            else
                QTest::keyClick(box, Qt::Key(key));
            return true;
        });
        QCOMPARE(MessageService::ask(QStringLiteral("是否需要保存？")), MsgAnswer::Cancel);
        QCOMPARE(MessageService::ask(QStringLiteral("是否需要保存？")), MsgAnswer::Cancel);
        QCOMPARE(MessageService::ask(QStringLiteral("是否需要保存？")), MsgAnswer::Yes);
        QCOMPARE(MessageService::askDelete(QStringLiteral("您确定要删除吗？")), MsgAnswer::No);

        // A question with a tick box: a click ticks it, Enter answers, and the tick is kept.
        bool blankClears = false;
        ModalRobot ticker([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box || !box->checkBox())
                return false;
            QTest::mouseClick(box->checkBox(), Qt::LeftButton, {}, QPoint(6, box->checkBox()->height() / 2));
            QTest::keyClick(box, Qt::Key_Return);
            return true;
        });
        QCOMPARE(MessageService::show(Message { QStringLiteral("继续导入吗？"), QString(), MsgIcon::Question,
                     MsgButtons::YesNo, MsgAnswer::Yes, QStringLiteral("表中的空白格清空已有成绩(&E)"), &blankClears }),
            MsgAnswer::Yes);
        QVERIFY(blankClears);
        // Qt's own dialogs speak Chinese.
        QVERIFY(Translations::install());
        QVERIFY(QCoreApplication::translate("QPrintPreviewDialog", "Print Preview") != QStringLiteral("Print Preview"));
        QVERIFY(QCoreApplication::translate("QFileDialog", "&Open") != QStringLiteral("&Open"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
