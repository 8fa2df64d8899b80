#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class Pass;
}

namespace velmora {

class Module1;

// 用户密码修改: the logged-in user of tblUsers changes his own password.
class Pass : public QDialog
{
    Q_OBJECT

public:
    explicit Pass(Module1& session, QWidget* parent = nullptr);
    ~Pass() override;

    void confirm();

private:
    Module1& m_session;
    std::unique_ptr<Ui::Pass> m_ui;
};

} // namespace velmora
