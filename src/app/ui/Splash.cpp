#include "app/ui/Splash.h"

#include "app/ui/Login.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Pictures.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace velmora {

namespace {
// 9300 x 5535 twips at 15 twips a pixel.
constexpr QSize kPictureSize(620, 369);
} // namespace

Splash::Splash(Mode mode, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Splash"));
    setFixedSize(kPictureSize);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(QRect(QPoint(0, 0), kPictureSize));
    Image1->setPixmap(Pictures::splash(kPictureSize));

    Label1 = new QLabel(QStringLiteral("正在加载，请稍后……"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(40, kPictureSize.height() - 52, 400, 28);
    Label1->setStyleSheet(QStringLiteral("color: white;"));

    Command1 = Controls::button(this, "Command1", QStringLiteral("关闭"));
    Command1->setGeometry(kPictureSize.width() - 110, kPictureSize.height() - 50, 86, 30);
    Command1->hide();
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(600);
    connect(Timer1, &QTimer::timeout, this, &Splash::tick);

    if (mode == Mode::About) {
        Label1->hide();
        Command1->show();
        Command1->setDefault(true);
        setCursor(Qt::ArrowCursor);
        Image1->setCursor(Qt::ArrowCursor);
        setWindowTitle(QStringLiteral("关于"));
        LoadStep = 5;
    } else {
        // The program ends when the login or the main window is closed (and
        // says so), never because a message box shown before them went away.
        QApplication::setQuitOnLastWindowClosed(false);
        setCursor(Qt::BusyCursor);
        Image1->setCursor(Qt::BusyCursor);
        Label1->setCursor(Qt::BusyCursor);
        Timer1->start();
    }
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void Splash::tick()
{
    switch (LoadStep) {
    case 1:
        Label1->setText(QStringLiteral("正在检查数据库配置，请稍后……"));
        break;
    case 2:
        Label1->setText(QStringLiteral("正在加载登陆窗体，请稍后……"));
        break;
    case 3: {
        // No tick may act while the login window is open.
        Timer1->stop();
        Login login(this);
        login.exec();
        Timer1->start();
        break;
    }
    case 4:
        Timer1->stop();
        close();
        break;
    default:
        break;
    }
    ++LoadStep;
}

} // namespace velmora
