#pragma once

#include "classes/ClassSettings.h"
#include "platform/ui/ChildWindow.h"

#include <QVector>
#include <QWidget>
#include <memory>

class QLineEdit;

namespace Ui {
class Class;
}

namespace velmora {

class Module1;

// 班级设置: the class row and the weekly timetable, edited by administrators.
class Class : public QWidget, public UnsavedWork
{
    Q_OBJECT

public:
    explicit Class(Module1& session, QWidget* parent = nullptr);
    ~Class() override;

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
    Module1& m_session;
    std::unique_ptr<Ui::Class> m_ui;
    // Index 1..40 as on the form; 0 is unused.
    QVector<QLineEdit*> Text;

    void buildTimetable();
    QVector<QLineEdit*> dataBoxes() const;
    QStringList typed() const;
    ClassSettings shown() const;
    bool isEditing() const;

    QStringList m_stored;
    ClassSettings m_read; // as shown when editing began
    bool m_dropping = false;
};

} // namespace velmora
