#pragma once

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace velmora {

class ResultGrid;

// 查看学生信息: every student in a grid, with their count.
class StudentInfoWatch : public QWidget
{
    Q_OBJECT

public:
    explicit StudentInfoWatch(QWidget* parent = nullptr);

    void fill();

Q_SIGNALS:
    void findRequested();

private:
    ResultGrid* Grid;
    QPushButton* BN_Add;
    QPushButton* BN_Find;
    QGroupBox* Frame1;
    QLineEdit* txtNumber;
    QPushButton* Command1;
    QPushButton* Command2;
};

} // namespace velmora
