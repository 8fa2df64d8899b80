#pragma once

#include <QVector>
#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

class ResultGrid;

// 查找学生信息: students found by any combination of their fields.
class StudentInfoFind : public QWidget
{
    Q_OBJECT

public:
    explicit StudentInfoFind(QWidget* parent = nullptr);

    void search();

private:
    // Index 1..8 as on the form.
    QVector<QLineEdit*> Text;
    QVector<QLabel*> Label;
    QRadioButton* sex_m;
    QRadioButton* sex_w;
    QRadioButton* sex_u;
    QComboBox* native;
    QLineEdit* txt_Result;
    QPushButton* Command1;
    QPushButton* Command2;
    ResultGrid* Grid;
};

} // namespace velmora
