#pragma once

#include "data/Backup.h"

#include <QDialog>
#include <memory>

namespace Ui {
class Restore;
}

namespace velmora {

// 恢复数据库: the backups of the embedded database, the newest first, with
// when each was taken, its size and how many students and tests it holds.
class Restore : public QDialog
{
    Q_OBJECT

public:
    Restore(const QString& databaseFile, QWidget* parent = nullptr);
    ~Restore() override;

    // The copy the teacher chose, once accepted.
    QString chosen() const { return m_chosen; }
    const QVector<Backups::Info>& backups() const { return m_backups; }

private:
    std::unique_ptr<Ui::Restore> m_ui;

    void choose();
    void chooseFile();

    QString m_file;
    QVector<Backups::Info> m_backups;
    QString m_chosen;
};

} // namespace velmora
