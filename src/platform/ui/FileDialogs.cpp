#include "platform/ui/FileDialogs.h"

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
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QString saveFileName(QWidget* parent, const QString& suggested, const QString& filter)
{
    if (!queued().isEmpty())
        return queued().takeFirst();
    return QFileDialog::getSaveFileName(parent, QString(), suggested, filter);
}

void setNextFileName(const QString& name)
{
    queued().push_back(name);
}

} // namespace velmora::FileDialogs
