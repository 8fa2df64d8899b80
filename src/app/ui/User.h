#pragma once

#include "data/UserRights.h"

#include <QDialog>
#include <QVector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace velmora {

// 用户权限设置: makes a user of tblUsers an administrator or an ordinary user.
class User : public QDialog
{
    Q_OBJECT

public:
    explicit User(QWidget* parent = nullptr);

    void load();
    void choose();
    void change();

private:
    QLabel* Label3;
    QComboBox* UserBox; // objectName "User"
    QRadioButton* Option1;
    QRadioButton* Option2;
    QPushButton* Command1;
    QPushButton* Command2;
    QLabel* Image1;
    // For an ordinary user: the subjects taught (none: every subject) and 只读.
    QGroupBox* fraSubjects;
    QVector<QCheckBox*> chkSubject;
    QCheckBox* chkReadOnly;

    void showRights(const UserRights::Rights& rights);
    UserRights::Rights chosenRights() const;
    void enableRights();
    // Whether a name tblUsers lacks is a role of the server.
    bool isServerRole(const Error& missing, const QString& name) const;
};

} // namespace velmora
