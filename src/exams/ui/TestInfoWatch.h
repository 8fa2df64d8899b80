#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace velmora {

class ResultGrid;

// 考试信息管理: every test with its items; deletes a test with its scores.
class TestInfoWatch : public QWidget
{
    Q_OBJECT

public:
    explicit TestInfoWatch(QWidget* parent = nullptr);

    void load();
    void removeSelected();

Q_SIGNALS:
    void addRequested();

private:
    ResultGrid* Grid;
    QLineEdit* txtNumber;
    QPushButton* BN_Add;
    QPushButton* BN_Del;
    QPushButton* BN_Update;
    QPushButton* BN_Close;
};

} // namespace velmora
