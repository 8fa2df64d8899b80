#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class Login;
}

namespace velmora {

class Module1;

// 用户登陆: a database login or a user of tblUsers.
class Login : public QDialog
{
    Q_OBJECT

public:
    explicit Login(Module1& session, QWidget* parent = nullptr);
    ~Login() override;

    // The check for dbcfg.dat; runs once, when the window is first shown.
    void load();
    void login();
    // Shows the configuration window over this one, modally.
    void showConfig();
    // On a first start without a database: asks, and builds the demo class.
    bool offerDemo();
    // What a saved configuration does to this window.
    void configSaved(const QString& user, const QString& password);
    // After a login: asks an administrator whether to upgrade an older database.
    void offerUpgrade();

    // Closing the login window with nothing logged in ends the program.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::Login> m_ui;

    bool m_loaded = false;
};

} // namespace velmora
