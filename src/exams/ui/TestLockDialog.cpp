#include "exams/ui/TestLockDialog.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Passwords.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ResultGrid.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

TestLockDialog::TestLockDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TestLockDialog"));
    setWindowTitle(QStringLiteral("锁定考试成绩"));
    grdTests = new ResultGrid(this);
    grdTests->setObjectName(QStringLiteral("grdTests"));
    txtPassword = Controls::edit(this, "txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    BN_Lock = Controls::button(this, "BN_Lock", QStringLiteral("锁定(&L)"));
    BN_Unlock = Controls::button(this, "BN_Unlock", QStringLiteral("解锁(&U)"));
    BN_Close = Controls::button(this, "BN_Close", QStringLiteral("关闭(&C)"));
    auto* hint = Controls::label(this, "lblHint",
        QStringLiteral("锁定后，这次考试的成绩、满分都不能再修改，考试也不能删除；解锁要再输入一次管理员密码。"));
    hint->setWordWrap(true);
    auto* password = new QHBoxLayout;
    password->addWidget(Controls::label(this, "lblPassword", QStringLiteral("解锁时的管理员密码(&P)："), txtPassword));
    password->addWidget(txtPassword, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdTests, 1);
    layout->addWidget(hint);
    layout->addLayout(password);
    layout->addLayout(Controls::buttonRow({ BN_Lock, BN_Unlock, BN_Close }));
    resize(640, 420);

    connect(BN_Lock, &QPushButton::clicked, this, &TestLockDialog::lockChosen);
    connect(BN_Unlock, &QPushButton::clicked, this, &TestLockDialog::unlockChosen);
    connect(txtPassword, &QLineEdit::returnPressed, this, &TestLockDialog::unlockChosen);
    connect(BN_Close, &QPushButton::clicked, this, &QDialog::reject);
}

bool TestLockDialog::fill()
{
    auto tests = Exams::list(mod().Conn);
    auto locks = TestLocks::list(mod().Conn);
    if (!tests || !locks) {
        MessageService::error(!tests ? tests.error() : locks.error());
        return false;
    }
    if (tests->isEmpty()) {
        MessageService::info(QStringLiteral("还没有考试，请先添加考试信息！"));
        return false;
    }
    const int current = grdTests->currentRow();
    m_tests = *tests;
    grdTests->setHeaders({ QStringLiteral("考试号"), QStringLiteral("考试名称"), QStringLiteral("考试日期"),
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
    grdTests->setRows(rows);
    grdTests->fitColumns(200);
    grdTests->setCurrentRow(std::max(1, current));
    return true;
}

int TestLockDialog::chosen() const
{
    const int row = grdTests->currentRow();
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
    if (Status locked = TestLocks::lock(mod().Conn, test); !locked) {
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
    const Module1& m = mod();
    auto right = m.DbUser == m.LoginUser ? Result<bool>(!m.LoginPwd.isEmpty() && txtPassword->text() == m.LoginPwd)
                                         : Passwords::check(mod().Conn, m.LoginUser, txtPassword->text());
    if (!right) {
        MessageService::error(right.error());
        return;
    }
    if (!*right) {
        MessageService::info(QStringLiteral("管理员密码不对，考试没有解锁。"));
        txtPassword->selectAll();
        txtPassword->setFocus();
        return;
    }
    txtPassword->clear();
    if (Status open = TestLocks::unlock(mod().Conn, test); !open) {
        MessageService::error(open.error());
        return;
    }
    fill();
}

} // namespace velmora
