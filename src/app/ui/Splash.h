#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace velmora {

// The start-up window, which leads to the login; also the About box.
class Splash : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { StartUp, About };
    explicit Splash(Mode mode, QWidget* parent = nullptr);

    qint16 LoadStep = 0;

    void tick();

private:
    QLabel* Image1;
    QLabel* Label1;
    QPushButton* Command1;
    QTimer* Timer1;
};

} // namespace velmora
