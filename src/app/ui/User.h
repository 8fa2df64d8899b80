#pragma once

#include "data/UserRights.h"

#include <QDialog>
#include <QVector>
#include <memory>

class QCheckBox;

namespace Ui {
class User;
}

namespace velmora {

class Module1;

// 用户权限设置: makes a user of tblUsers an administrator or an ordinary user.
class User : public QDialog
{
    Q_OBJECT

public:
    explicit User(Module1& session, QWidget* parent = nullptr);
    ~User() override;

    void load();
    void choose();
    void change();

private:
    Module1& m_session;
    std::unique_ptr<Ui::User> m_ui;
    // For an ordinary user: the subjects taught (none: every subject), one box per subject.
    QVector<QCheckBox*> chkSubject;

    void showRights(const UserRights::Rights& rights);
    UserRights::Rights chosenRights() const;
    void enableRights();
    // Whether a name tblUsers lacks is a role of the server.
    bool isServerRole(const Error& missing, const QString& name) const;
};

} // namespace velmora
