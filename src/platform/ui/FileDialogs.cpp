#include "platform/ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace velmora::FileDialogs {

namespace {
QStringList& queued()
{
    static QStringList names;
    return names;
}
} // namespace

QString openFileName(QWidget* parent, const QString& filter)
{
    if (!queued().isEmpty())
        return queued().takeFirst();
    // The teacher's own folder, not wherever the program was started from.
    return QFileDialog::getOpenFileName(parent, QString(), QDir::homePath(), filter);
}

QString saveFileName(QWidget* parent, const QString& suggested, const QString& filter)
{
    if (!queued().isEmpty())
        return queued().takeFirst();
    return QFileDialog::getSaveFileName(parent, QString(), suggested, filter);
}

QString folder(QWidget* parent, const QString& caption)
{
    if (!queued().isEmpty())
        return queued().takeFirst();
    return QFileDialog::getExistingDirectory(parent, caption, QDir::homePath());
}

void setNextFileName(const QString& name)
{
    queued().push_back(name);
}

} // namespace velmora::FileDialogs
