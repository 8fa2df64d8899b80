#pragma once

#include "exams/TestRecord.h"

#include <QWidget>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

// A small window that picks one test by its number and shows its name,
// type and date; what OK does is the subclass's.
class TestSelector : public QWidget
{
    Q_OBJECT

public:
    TestSelector(const char* name, const QString& title, QWidget* parent = nullptr);

    void load();
    void pick();

protected:
    virtual void picked(const TestRecord&) { }
    virtual void ok() = 0;

    QGridLayout* m_form;
    QLabel* Label;
    QComboBox* txtNumber;
    QLineEdit* txtName;
    QLineEdit* txtType;
    QLineEdit* txtDate;
    QPushButton* BN_OK;
    QPushButton* BN_Back;
};

} // namespace velmora
