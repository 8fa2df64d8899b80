#pragma once

#include "exams/TestRecord.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Ui {
class TestSelector;
}

namespace velmora {

class Module1;

// A small window that picks one test by its number and shows its name,
// type and date; what OK does is the subclass's.
class TestSelector : public QWidget
{
    Q_OBJECT

public:
    TestSelector(Module1& session, const char* name, const QString& title, QWidget* parent = nullptr);
    ~TestSelector() override;

    void load();
    void pick();

protected:
    virtual void picked(const TestRecord&) { }
    virtual void ok() = 0;

    Module1& m_session;
    // Subclasses add their own rows to the form's grid, m_ui->form.
    std::unique_ptr<Ui::TestSelector> m_ui;
};

} // namespace velmora
