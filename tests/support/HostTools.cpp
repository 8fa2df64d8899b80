#include "support/HostTools.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace velmora::test {

QString hostTool(const QString& name)
{
    const QString found = QStandardPaths::findExecutable(name);
    if (!found.isEmpty())
        return found;
    for (const QString& dir : qEnvironmentVariable("VELMORA_HOST_TOOLS").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString path = QDir(dir).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QString hostPath(const QString& path)
{
    static const QRegularExpression unixDrive(QStringLiteral("^[Zz]:[/\\\\]"));
    if (!qEnvironmentVariableIsSet("VELMORA_HOST_TOOLS") || !unixDrive.match(path).hasMatch())
        return path;
    return QDir::fromNativeSeparators(path.mid(2));
}

} // namespace velmora::test
