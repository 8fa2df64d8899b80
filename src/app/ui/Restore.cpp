#include "app/ui/Restore.h"

#include "app/MessageService.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ResultGrid.h"

#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

namespace {

QString count(int n)
{
    return n < 0 ? QStringLiteral("无法读取") : QString::number(n);
}

} // namespace

Restore::Restore(const QString& databaseFile, QWidget* parent)
    : QDialog(parent)
    , m_file(databaseFile)
{
    setObjectName(QStringLiteral("Restore"));
    setWindowTitle(QStringLiteral("恢复数据库"));
    auto* hint = Controls::label(this, "lblHint",
        QStringLiteral("选择一份备份，用它替换现在的数据库。替换前，现在的数据库会先另存为一份备份。"));
    hint->setWordWrap(true);
    grdBackups = new ResultGrid(this);
    grdBackups->setObjectName(QStringLiteral("grdBackups"));
    grdBackups->setHeaders({ QStringLiteral("备份时间"), QStringLiteral("大小"), QStringLiteral("学生"),
        QStringLiteral("考试"), QStringLiteral("文件") });
    BN_Restore = Controls::button(this, "BN_Restore", QStringLiteral("恢复(&R)"));
    BN_Other = Controls::button(this, "BN_Other", QStringLiteral("其他文件(&F)…"));
    BN_Cancel = Controls::button(this, "BN_Cancel", QStringLiteral("取消(&C)"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(grdBackups, 1);
    layout->addLayout(Controls::buttonRow({ BN_Restore, BN_Other, BN_Cancel }));

    m_backups = Backups::list(m_file, Backups::folderFor(m_file));
    const QLocale locale(QLocale::Chinese, QLocale::China);
    QList<QStringList> rows;
    for (const Backups::Info& b : std::as_const(m_backups)) {
        rows << QStringList { b.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            locale.formattedDataSize(b.bytes, 1, QLocale::DataSizeTraditionalFormat), count(b.students), count(b.tests),
            QFileInfo(b.path).fileName() };
    }
    grdBackups->setRows(rows);
    grdBackups->fitColumns(260);
    if (!m_backups.isEmpty())
        grdBackups->setCurrentRow(1);
    BN_Restore->setEnabled(!m_backups.isEmpty());
    resize(640, 420);

    connect(grdBackups, &ResultGrid::rowActivated, this, &Restore::choose);
    connect(BN_Restore, &QPushButton::clicked, this, &Restore::choose);
    connect(BN_Other, &QPushButton::clicked, this, &Restore::chooseFile);
    connect(BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Restore::choose()
{
    const int row = grdBackups->currentRow();
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
