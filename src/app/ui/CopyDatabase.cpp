#include "app/ui/CopyDatabase.h"

#include "app/DemoData.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/DatabaseCopy.h"
#include "data/SqlDialect.h"
#include "platform/AppPaths.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ProgressBox.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

namespace {
const QString kLocal = QStringLiteral("(local)");
}

CopyDatabase::CopyDatabase(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CopyDatabase"));
    setWindowTitle(QStringLiteral("复制数据库"));
    const ConnectionSettings now = mod().Conn.settings();
    const bool embedded = SqlDialect::isEmbeddedServer(now.server);
    auto* hint = Controls::label(this, "lblHint",
        QStringLiteral("把现在的班级数据库（学生、照片、考试、成绩、用户和修改记录）整个复制到另一个空的数据库："
                       "本机文件复制到服务器，或服务器复制到本机文件。目标数据库还不存在时会先建立。"));
    hint->setWordWrap(true);
    cboServer = new QComboBox(this);
    cboServer->setObjectName(QStringLiteral("cboServer"));
    cboServer->setEditable(true);
    cboServer->addItem(kLocal);
    cboServer->setCurrentText(embedded ? QString() : kLocal);
    txtDatabase = Controls::edit(this, "txtDatabase", now.database + (embedded ? QString() : QStringLiteral("_copy")));
    txtUser = Controls::edit(this, "txtUser", now.user);
    txtPassword = Controls::edit(this, "txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtFolder = Controls::edit(this, "txtFolder", AppPaths::writableDir());
    BN_Folder = Controls::button(this, "BN_Folder", QStringLiteral("…"));
    BN_Copy = Controls::button(this, "BN_Copy", QStringLiteral("复制(&O)"));
    BN_Copy->setDefault(true);
    BN_Cancel = Controls::button(this, "BN_Cancel", QStringLiteral("取消(&C)"));

    auto* form = new QFormLayout;
    form->addRow(Controls::label(this, "lblServer", QStringLiteral("服务器(&S)："), cboServer), cboServer);
    form->addRow(Controls::label(this, "lblDatabase", QStringLiteral("数据库名(&D)："), txtDatabase), txtDatabase);
    form->addRow(Controls::label(this, "lblUser", QStringLiteral("用户名(&U)："), txtUser), txtUser);
    form->addRow(Controls::label(this, "lblPassword", QStringLiteral("密码(&P)："), txtPassword), txtPassword);
    auto* folder = new QHBoxLayout;
    folder->addWidget(txtFolder, 1);
    folder->addWidget(BN_Folder);
    form->addRow(Controls::label(this, "lblFolder", QStringLiteral("本机文件夹(&F)："), txtFolder), folder);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addWidget(Controls::label(this, "lblServerHint",
        QStringLiteral("服务器填 (local) 表示本机文件，否则填 PostgreSQL 服务器的 主机[:端口]。")));
    layout->addLayout(Controls::buttonRow({ BN_Copy, BN_Cancel }));
    setMinimumWidth(520);

    connect(cboServer, &QComboBox::currentTextChanged, this, &CopyDatabase::serverChanged);
    connect(BN_Folder, &QPushButton::clicked, this, [this] {
        const QString chosen
            = FileDialogs::folder(this, FileDialogs::Kind::Backup, QStringLiteral("选择存放数据库文件的文件夹"));
        if (!chosen.isEmpty())
            txtFolder->setText(QDir::toNativeSeparators(chosen));
    });
    connect(BN_Copy, &QPushButton::clicked, this, [this] {
        if (copy())
            accept();
    });
    connect(BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    serverChanged();
}

void CopyDatabase::serverChanged()
{
    const bool local = SqlDialect::isEmbeddedServer(cboServer->currentText().trimmed());
    txtFolder->setEnabled(local);
    BN_Folder->setEnabled(local);
}

ConnectionSettings CopyDatabase::target() const
{
    return { cboServer->currentText().trimmed(), txtDatabase->text().trimmed(), txtUser->text().trimmed(),
        txtPassword->text(), QDir::fromNativeSeparators(txtFolder->text().trimmed()) };
}

bool CopyDatabase::copy()
{
    const ConnectionSettings to = target();
    const ConnectionSettings from = mod().Conn.settings();
    if (to.server.isEmpty() || to.database.isEmpty() || to.user.isEmpty()) {
        MessageService::info(QStringLiteral("请填写服务器、数据库名和用户名！"));
        return false;
    }
    if (to.server == from.server && to.database == from.database
        && (!SqlDialect::isEmbeddedServer(to.server) || QDir(to.dataDir) == QDir(from.dataDir))) {
        MessageService::info(QStringLiteral("目标就是现在的数据库，请换一个数据库名。"));
        return false;
    }
    Status made = DemoData::create(to, false, false);
    if (!made && !made.error().is(Error::Kind::Duplicate)) {
        MessageService::info(QStringLiteral("不能建立目标数据库：") + made.error().description);
        return false;
    }
    Database target;
    if (Status opened = target.open(to); !opened) {
        MessageService::info(QStringLiteral("不能连接目标数据库：") + opened.error().description);
        return false;
    }
    ProgressBox box(this, QStringLiteral("正在复制数据库…"), 100);
    const PrintOut::Progress moved = box.progress();
    Status copied = DatabaseCopy::copy(
        mod().Conn, target, [&moved](int done, int total) { return moved(done * 100 / std::max(1, total)); });
    if (!copied) {
        MessageService::info(QStringLiteral("复制没有完成，目标数据库没有改动：") + copied.error().description);
        return false;
    }
    MessageService::info(
        QStringLiteral("已把班级数据库复制到 %1 的 %2，行数和照片都已核对一致。")
            .arg(SqlDialect::isEmbeddedServer(to.server) ? QDir::toNativeSeparators(to.dataDir) : to.server,
                to.database));
    return true;
}

} // namespace velmora
