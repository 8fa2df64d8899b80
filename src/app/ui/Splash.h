#pragma once

#include <QDialog>
#include <memory>

class QTimer;

namespace Ui {
class Splash;
}

namespace velmora {

// The start-up window, which leads to the login; also the About box.
class Splash : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { StartUp, About };
    explicit Splash(Mode mode, QWidget* parent = nullptr);
    ~Splash() override;

    qint16 LoadStep = 0;

    void tick();

private:
    std::unique_ptr<Ui::Splash> m_ui;
    QTimer* Timer1;
};

} // namespace velmora
