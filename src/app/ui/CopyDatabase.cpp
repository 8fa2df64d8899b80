#include "app/ui/CopyDatabase.h"

#include "app/DemoData.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/DatabaseCopy.h"
#include "data/SqlDialect.h"
#include "platform/AppPaths.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ProgressBox.h"
#include "ui_CopyDatabase.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

namespace {
const QString kLocal = QStringLiteral("(local)");
}

CopyDatabase::CopyDatabase(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::CopyDatabase>())
{
    m_ui->setupUi(this);
    const ConnectionSettings now = m_session.Conn().settings();
    const bool embedded = SqlDialect::isEmbeddedServer(now.server);
    m_ui->cboServer->addItem(kLocal);
    m_ui->cboServer->setCurrentText(embedded ? QString() : kLocal);
    m_ui->txtDatabase->setText(now.database + (embedded ? QString() : QStringLiteral("_copy")));
    m_ui->txtUser->setText(now.user);
    m_ui->txtFolder->setText(AppPaths::writableDir());

    connect(m_ui->cboServer, &QComboBox::currentTextChanged, this, &CopyDatabase::serverChanged);
    connect(m_ui->BN_Folder, &QPushButton::clicked, this, [this] {
        const QString chosen
            = FileDialogs::folder(this, FileDialogs::Kind::Backup, QStringLiteral("选择存放数据库文件的文件夹"));
        if (!chosen.isEmpty())
            m_ui->txtFolder->setText(QDir::toNativeSeparators(chosen));
    });
    connect(m_ui->BN_Copy, &QPushButton::clicked, this, [this] {
        if (copy())
            accept();
    });
    connect(m_ui->BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    serverChanged();
}

CopyDatabase::~CopyDatabase() = default;

void CopyDatabase::serverChanged()
{
    const bool local = SqlDialect::isEmbeddedServer(m_ui->cboServer->currentText().trimmed());
    m_ui->txtFolder->setEnabled(local);
    m_ui->BN_Folder->setEnabled(local);
}

ConnectionSettings CopyDatabase::target() const
{
    return { m_ui->cboServer->currentText().trimmed(), m_ui->txtDatabase->text().trimmed(),
        m_ui->txtUser->text().trimmed(), m_ui->txtPassword->text(),
        QDir::fromNativeSeparators(m_ui->txtFolder->text().trimmed()) };
}

bool CopyDatabase::copy()
{
    const ConnectionSettings to = target();
    const ConnectionSettings from = m_session.Conn().settings();
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
        m_session.Conn(), target, [&moved](int done, int total) { return moved(done * 100 / std::max(1, total)); });
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
