#pragma once

#include <QVector>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

// 班级设置: the class row and the weekly timetable, edited by administrators.
class Class : public QWidget {
    Q_OBJECT

public:
    explicit Class(QWidget* parent = nullptr);

    QLineEdit* txtNumber;
    QLineEdit* txtName;
    QLineEdit* txtDate;
    QLineEdit* txtTeacher;
    QLineEdit* txtCount;
    QPushButton* Command1;
    QPushButton* Command2;
    QGroupBox* Frame1;
    // Index 1..40 as on the form; 0 is unused.
    QVector<QLineEdit*> Text;

    void load();
    void lockon();
    void lockoff();
    void editOrSave();

private:
    QVector<QLineEdit*> dataBoxes() const;
};

} // namespace velmora
