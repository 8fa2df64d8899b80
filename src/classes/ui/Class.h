#pragma once

#include "classes/ClassSettings.h"
#include "platform/ui/ChildWindow.h"

#include <QVector>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

// 班级设置: the class row and the weekly timetable, edited by administrators.
class Class : public QWidget, public UnsavedWork
{
    Q_OBJECT

public:
    explicit Class(QWidget* parent = nullptr);

    void load();
    void lockon();
    void lockoff();
    void editOrSave();

    // Editing, with something typed since.
    bool hasUnsavedChanges() const override;

protected:
    // Esc and the close box ask before typed values are dropped; 返回 does not.
    void closeEvent(QCloseEvent* event) override;

private:
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

    QVector<QLineEdit*> dataBoxes() const;
    QStringList typed() const;
    ClassSettings shown() const;
    bool isEditing() const;

    QStringList m_stored;
    ClassSettings m_read; // as shown when editing began
    bool m_dropping = false;
};

} // namespace velmora
