#include "platform/ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace velmora::FileDialogs {

namespace {
QStringList& queued()
{
    static QStringList names;
    return names;
}

QString key(Kind kind)
{
    static const char* const names[] = { "import", "export", "photo", "backup" };
    return QStringLiteral("folders/") + QLatin1String(names[int(kind)]);
}

// The folder chosen, for the next dialog of its kind; nothing for a cancel.
QString remember(Kind kind, const QString& chosen, bool isFolder)
{
    if (!chosen.isEmpty())
        QSettings().setValue(key(kind), isFolder ? chosen : QFileInfo(chosen).absolutePath());
    return chosen;
}

// The next queued answer, as a dialog would have given it.
bool takeQueued(QString* answer)
{
    if (queued().isEmpty())
        return false;
    *answer = queued().takeFirst();
    return true;
}
} // namespace

QString startFolder(Kind kind)
{
    const QString kept = QSettings().value(key(kind)).toString();
    // The teacher's own folder, not wherever the program was started from.
    return !kept.isEmpty() && QFileInfo(kept).isDir() ? kept : QDir::homePath();
}

QString openFileName(QWidget* parent, Kind kind, const QString& filter)
{
    QString chosen;
    if (!takeQueued(&chosen))
        chosen = QFileDialog::getOpenFileName(parent, QString(), startFolder(kind), filter);
    return remember(kind, chosen, false);
}

QString saveFileName(QWidget* parent, Kind kind, const QString& suggested, const QString& filter)
{
    QString chosen;
    if (!takeQueued(&chosen))
        chosen = QFileDialog::getSaveFileName(parent, QString(), QDir(startFolder(kind)).filePath(suggested), filter);
    return remember(kind, chosen, false);
}

QString folder(QWidget* parent, Kind kind, const QString& caption)
{
    QString chosen;
    if (!takeQueued(&chosen))
        chosen = QFileDialog::getExistingDirectory(parent, caption, startFolder(kind));
    return remember(kind, chosen, true);
}

void setNextFileName(const QString& name)
{
    queued().push_back(name);
}

} // namespace velmora::FileDialogs
