#pragma once

#include "data/ConnectionSettings.h"
#include "data/Error.h"

#include <QDateTime>
#include <QString>
#include <QVector>
#include <functional>

namespace velmora::Backups {

inline constexpr int kKept = 30;

// The embedded database's file; empty for a server.
QString databaseFile(const ConnectionSettings& settings);
// The folder 备份 beside it.
QString folderFor(const QString& databaseFile);

// Pages copied of all; false stops the copy.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// A consistent copy of the live file taken with SQLite's online backup,
// while other connections go on writing: named 学生库_20261207_183000.db
// (with `tag` before the extension when given), written as .part, checked
// with PRAGMA integrity_check and only then given its name. The live file
// is only read. Returns the backup's path.
Result<QString> take(
    const QString& databaseFile, const QString& folder, const QString& tag = QString(), const Progress& progress = {});
// A second copy of a backup in another folder (a USB stick), checked before
// it takes the backup's name there. Returns the copy's path.
Result<QString> copyTo(const QString& backupFile, const QString& folder);
// Leaves the newest `keep` backups of the database in the folder.
void rotate(const QString& databaseFile, const QString& folder, int keep = kKept);
// Whether a backup was taken today.
bool takenToday(const QString& databaseFile, const QString& folder);

struct Info
{
    QString path;
    QDateTime taken;
    qint64 bytes = 0;
    int students = -1; // -1: the copy cannot be read
    int tests = -1;
};
// The database's backups in the folder, the newest first.
QVector<Info> list(const QString& databaseFile, const QString& folder);

// Whether the file is a whole Velmora database: SQLite's integrity check
// passes, the fixed tables have their columns, the version is one this
// program knows, and it holds no view or trigger. Every query is bounded.
Status verify(const QString& file);

// Whether the embedded file's own login (dbcfg.dat's user and password)
// opens the file: a copy from another installation may keep everyone out.
bool loginWorks(const QString& file, const QString& user, const QString& password);

// Puts the backup's content in place of the live file's, in one transaction
// of the live file: a failure or a stop leaves it as it was. The program's
// own connection must be closed first.
Status restore(const QString& backupFile, const QString& databaseFile, const Progress& progress = {});

} // namespace velmora::Backups
