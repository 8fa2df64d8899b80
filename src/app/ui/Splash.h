#pragma once

#include <QDialog>
#include <memory>

class QTimer;

namespace Ui {
class Splash;
}

namespace velmora {

class Module1;

// The start-up window, which leads to the login; also the About box.
class Splash : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { StartUp, About };
    Splash(Module1& session, Mode mode, QWidget* parent = nullptr);
    ~Splash() override;

    qint16 LoadStep = 0;

    void tick();

private:
    Module1& m_session;
    std::unique_ptr<Ui::Splash> m_ui;
    QTimer* Timer1;
};

} // namespace velmora
