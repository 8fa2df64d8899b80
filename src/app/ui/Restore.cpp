#include "app/ui/Restore.h"

#include "app/MessageService.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ResultGrid.h"
#include "ui_Restore.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

namespace velmora {

namespace {

QString count(int n)
{
    return n < 0 ? QStringLiteral("无法读取") : QString::number(n);
}

} // namespace

Restore::Restore(const QString& databaseFile, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Restore>())
    , m_file(databaseFile)
{
    m_ui->setupUi(this);
    m_ui->grdBackups->setHeaders({ QStringLiteral("备份时间"), QStringLiteral("大小"), QStringLiteral("学生"),
        QStringLiteral("考试"), QStringLiteral("文件") });

    m_backups = Backups::list(m_file, Backups::folderFor(m_file));
    const QLocale locale(QLocale::Chinese, QLocale::China);
    QList<QStringList> rows;
    for (const Backups::Info& b : std::as_const(m_backups)) {
        rows << QStringList { b.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            locale.formattedDataSize(b.bytes, 1, QLocale::DataSizeTraditionalFormat), count(b.students), count(b.tests),
            QFileInfo(b.path).fileName() };
    }
    m_ui->grdBackups->setRows(rows);
    m_ui->grdBackups->fitColumns(260);
    if (!m_backups.isEmpty())
        m_ui->grdBackups->setCurrentRow(1);
    m_ui->BN_Restore->setEnabled(!m_backups.isEmpty());

    connect(m_ui->grdBackups, &ResultGrid::rowActivated, this, &Restore::choose);
    connect(m_ui->BN_Restore, &QPushButton::clicked, this, &Restore::choose);
    connect(m_ui->BN_Other, &QPushButton::clicked, this, &Restore::chooseFile);
    connect(m_ui->BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

Restore::~Restore() = default;

void Restore::choose()
{
    const int row = m_ui->grdBackups->currentRow();
    if (row < 1 || row > m_backups.size())
        return;
    m_chosen = m_backups[row - 1].path;
    accept();
}

void Restore::chooseFile()
{
    const QString path
        = FileDialogs::openFileName(this, FileDialogs::Kind::Backup, QStringLiteral("数据库备份 (*.db)"));
    if (path.isEmpty())
        return;
    m_chosen = path;
    accept();
}

} // namespace velmora
