#include "exams/ui/TestLockDialog.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Passwords.h"
#include "ui_TestLockDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

TestLockDialog::TestLockDialog(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::TestLockDialog>())
{
    m_ui->setupUi(this);
    connect(m_ui->BN_Lock, &QPushButton::clicked, this, &TestLockDialog::lockChosen);
    connect(m_ui->BN_Unlock, &QPushButton::clicked, this, &TestLockDialog::unlockChosen);
    connect(m_ui->txtPassword, &QLineEdit::returnPressed, this, &TestLockDialog::unlockChosen);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::reject);
}

TestLockDialog::~TestLockDialog() = default;

bool TestLockDialog::fill()
{
    auto tests = Exams::list(m_session.Conn());
    auto locks = TestLocks::list(m_session.Conn());
    if (!tests || !locks) {
        MessageService::error(!tests ? tests.error() : locks.error());
        return false;
    }
    if (tests->isEmpty()) {
        MessageService::info(QStringLiteral("还没有考试，请先添加考试信息！"));
        return false;
    }
    const int current = m_ui->grdTests->currentRow();
    m_tests = *tests;
    m_ui->grdTests->setHeaders({ QStringLiteral("考试号"), QStringLiteral("考试名称"), QStringLiteral("考试日期"),
        QStringLiteral("状态"), QStringLiteral("锁定人"), QStringLiteral("锁定时间") });
    QList<QStringList> rows;
    for (const TestRecord& t : std::as_const(m_tests)) {
        QStringList row { QString::number(t.number), t.name, t.date, QStringLiteral("未锁定"), QString(), QString() };
        for (const TestLocks::Lock& l : std::as_const(*locks)) {
            if (l.test == t.number) {
                row[3] = QStringLiteral("已锁定");
                row[4] = l.user;
                row[5] = l.at;
            }
        }
        rows << row;
    }
    m_ui->grdTests->setRows(rows);
    m_ui->grdTests->fitColumns(200);
    m_ui->grdTests->setCurrentRow(std::max(1, current));
    return true;
}

int TestLockDialog::chosen() const
{
    const int row = m_ui->grdTests->currentRow();
    if (row < 1 || row > m_tests.size()) {
        MessageService::info(QStringLiteral("请先点选一次考试。"));
        return 0;
    }
    return m_tests[row - 1].number;
}

void TestLockDialog::lockChosen()
{
    const int test = chosen();
    if (!test)
        return;
    if (Status locked = TestLocks::lock(m_session.Conn(), test); !locked) {
        MessageService::error(locked.error());
        return;
    }
    fill();
}

void TestLockDialog::unlockChosen()
{
    const int test = chosen();
    if (!test)
        return;
    // Changing a locked test's scores is rare and deliberate: the password again.
    // The database's own administrator has no row of ours: the password of the login stands.
    auto right = m_session.DbUser() == m_session.LoginUser()
        ? Result<bool>(!m_ui->txtPassword->text().isEmpty() && m_session.isLoginPwd(m_ui->txtPassword->text()))
        : Passwords::check(m_session.Conn(), m_session.LoginUser(), m_ui->txtPassword->text());
    if (!right) {
        MessageService::error(right.error());
        return;
    }
    if (!*right) {
        MessageService::info(QStringLiteral("管理员密码不对，考试没有解锁。"));
        m_ui->txtPassword->selectAll();
        m_ui->txtPassword->setFocus();
        return;
    }
    m_ui->txtPassword->clear();
    if (Status open = TestLocks::unlock(m_session.Conn(), test); !open) {
        MessageService::error(open.error());
        return;
    }
    fill();
}

} // namespace velmora
