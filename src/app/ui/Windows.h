#pragma once

#include <functional>

class QWidget;

namespace velmora {

class Login;
class Module1;
class MainForm;

// Hand-overs between the top-level windows: login, main window, program end.
namespace Windows {

// A new login window, shown without blocking (after the main window unloads).
Login* showLogin(Module1& session);
// The main window after a successful login; its load checks run from the event loop.
MainForm* showMainForm(Module1& session);
// The open main window, if any.
MainForm* mainForm();
// The main window `widget` stands in (a child window, or a dialog it owns),
// else the open one.
MainForm* mainFormOf(QWidget* widget);

void quitProgram();
// Tests replace the program's end with a handler of their own.
void setQuitHandler(std::function<void()> handler);

} // namespace Windows
} // namespace velmora
