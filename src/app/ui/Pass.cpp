#include "app/ui/Pass.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Users.h"
#include "platform/ui/Controls.h"
#include "ui_Pass.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

Pass::Pass(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Pass>())
{
    m_ui->setupUi(this);
    m_ui->Text1->setText(m_session.LoginUser());
    for (QLineEdit* box : { m_ui->oldpwd, m_ui->newpwd, m_ui->newpwd2 })
        Controls::limitChars(box, 10);
    connect(m_ui->Command1, &QPushButton::clicked, this, &Pass::confirm);
    connect(m_ui->Command2, &QPushButton::clicked, this, &QDialog::reject);
}

Pass::~Pass() = default;

void Pass::confirm()
{
    bool ok = true;
    if (m_ui->newpwd->text().isEmpty()) {
        MessageService::info(QStringLiteral("新密码不能为空！"));
        ok = false;
    } else if (m_ui->newpwd->text() != m_ui->newpwd2->text()) {
        MessageService::info(QStringLiteral("您输入的确认密码与新密码不符！"));
        ok = false;
    }
    // Checked against the password typed at login, which a change does not replace.
    if (!m_session.isLoginPwd(m_ui->oldpwd->text())) {
        MessageService::info(QStringLiteral("您输入的旧密码不正确！"));
        ok = false;
    }
    if (!ok) {
        m_ui->oldpwd->clear();
        m_ui->newpwd->clear();
        m_ui->newpwd2->clear();
        return;
    }
    Status changed = Users::setPassword(m_session.Conn(), m_session.LoginUser(), m_ui->newpwd->text());
    if (!changed) {
        MessageService::error(changed.error(), ErrorWording::Restart);
        return;
    }
    MessageService::info(QStringLiteral("密码修改成功！"));
    accept();
}

} // namespace velmora
