#include "app/ui/Windows.h"

#include "app/ui/Login.h"
#include "app/ui/MainForm.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

namespace velmora::Windows {

namespace {
QPointer<MainForm>& current()
{
    static QPointer<MainForm> form;
    return form;
}
std::function<void()>& quitHandler()
{
    static std::function<void()> handler;
    return handler;
}
} // namespace

Login* showLogin(Module1& session)
{
    auto* login = new Login(session);
    login->setAttribute(Qt::WA_DeleteOnClose);
    login->show();
    return login;
}

MainForm* showMainForm(Module1& session)
{
    if (current())
        current()->unload();
    auto* form = new MainForm(session);
    form->setAttribute(Qt::WA_DeleteOnClose);
    current() = form;
    // The whole screen for the child windows: the lists need their width on a small laptop.
    form->showMaximized();
    // After the login window has gone, so its messages stand over the main window.
    QTimer::singleShot(0, form, &MainForm::load);
    return form;
}

MainForm* mainForm()
{
    // An unloaded main window is gone, even before its deletion comes round.
    return current() && current()->isVisible() ? current().data() : nullptr;
}

MainForm* mainFormOf(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* main = qobject_cast<MainForm*>(w))
            return main;
    }
    return mainForm();
}

void quitProgram()
{
    if (quitHandler())
        quitHandler()();
    else
        QApplication::quit();
}

void setQuitHandler(std::function<void()> handler)
{
    quitHandler() = std::move(handler);
}

} // namespace velmora::Windows
