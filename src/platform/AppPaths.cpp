#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmora::AppPaths {

namespace {
QString& appOverride()
{
    static QString dir;
    return dir;
}
QString& programOverride()
{
    static QString dir;
    return dir;
}
} // namespace

QString programDir()
{
    if (!programOverride().isEmpty())
        return programOverride();
    return QCoreApplication::applicationDirPath();
}

QString appDir()
{
    if (!appOverride().isEmpty())
        return appOverride();
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeDir).isWritable())
        return exeDir;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(user);
    return user;
}

QString configFile()
{
    return QDir(appDir()).filePath(QStringLiteral("dbcfg.dat"));
}

QString helpFile()
{
    return QDir(programDir()).filePath(QStringLiteral("Help.chm"));
}

void setAppDir(const QString& dir)
{
    appOverride() = dir;
}

void setProgramDir(const QString& dir)
{
    programOverride() = dir;
}

} // namespace velmora::AppPaths
