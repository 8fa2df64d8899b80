#include "app/ui/Splash.h"

#include "app/ui/Login.h"
#include "platform/ui/Pictures.h"
#include "ui_Splash.h"

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

Splash::Splash(Module1& session, Mode mode, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Splash>())
{
    m_ui->setupUi(this);
    m_ui->Image1->setPixmap(Pictures::splash(kPictureSize));
    connect(m_ui->Command1, &QPushButton::clicked, this, &QDialog::accept);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(600);
    connect(Timer1, &QTimer::timeout, this, &Splash::tick);

    if (mode == Mode::About) {
        m_ui->Label1->hide();
        m_ui->Command1->show();
        m_ui->Command1->setDefault(true);
        setCursor(Qt::ArrowCursor);
        m_ui->Image1->setCursor(Qt::ArrowCursor);
        setWindowTitle(QStringLiteral("关于"));
        LoadStep = 5;
    } else {
        // The program ends when the login or the main window is closed (and
        // says so), never because a message box shown before them went away.
        QApplication::setQuitOnLastWindowClosed(false);
        setCursor(Qt::BusyCursor);
        m_ui->Image1->setCursor(Qt::BusyCursor);
        m_ui->Label1->setCursor(Qt::BusyCursor);
        Timer1->start();
    }
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

Splash::~Splash() = default;

void Splash::tick()
{
    switch (LoadStep) {
    case 1:
        m_ui->Label1->setText(QStringLiteral("正在检查数据库配置，请稍后……"));
        break;
    case 2:
        m_ui->Label1->setText(QStringLiteral("正在加载登陆窗体，请稍后……"));
        break;
    case 3: {
        // No tick may act while the login window is open.
        Timer1->stop();
        Login login(m_session, this);
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
