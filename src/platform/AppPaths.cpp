#include "platform/AppPaths.h"

#include "platform/System.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

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
QString& userOverride()
{
    static QString dir;
    return dir;
}
const QString kConfigName = QStringLiteral("dbcfg.dat");
} // namespace

bool canWriteIn(const QString& dir)
{
    // Permission bits say nothing of a read-only mount, nor of root: try it.
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".velmora-probe-XXXXXX")));
    return probe.open();
}

namespace {
// A program installed by the package lives in a system folder: even root,
// who could write there, keeps a teacher's data out of it.
bool programDirTakesData()
{
    const QString dir = programDir();
    return !System::isSystemProgramDir(dir) && canWriteIn(dir);
}
} // namespace

QString programDir()
{
    if (!programOverride().isEmpty())
        return programOverride();
    return QCoreApplication::applicationDirPath();
}

QString userDir()
{
    // Spelled out rather than taken from the application's name, so that
    // velmora-initdb and the program agree on it.
    const QString dir = userOverride().isEmpty() ? System::userSettingsBase() + QStringLiteral("/Velmora/VelmoraSQL")
                                                 : userOverride();
    QDir().mkpath(dir);
    return dir;
}

QString writableDir()
{
    if (!appOverride().isEmpty())
        return appOverride();
    return programDirTakesData() ? programDir() : userDir();
}

QString configFile()
{
    if (!appOverride().isEmpty())
        return QDir(appOverride()).filePath(kConfigName);
    const QString program = QDir(programDir()).filePath(kConfigName);
    if (programDirTakesData())
        return program;
    const QString user = QDir(userDir()).filePath(kConfigName);
    if (!QFileInfo::exists(user) && QFileInfo::exists(program))
        return program;
    return user;
}

QString writableConfigFile()
{
    return QDir(writableDir()).filePath(kConfigName);
}

bool redirected()
{
    return appOverride().isEmpty() && !programDirTakesData();
}

QString databaseDir(const QString& name)
{
    if (!appOverride().isEmpty())
        return appOverride();
    const QString beside = QFileInfo(configFile()).absolutePath();
    for (const QString& dir : { beside, programDir(), userDir() }) {
        if (QFileInfo(QDir(dir).filePath(name + QStringLiteral(".db"))).isFile())
            return dir;
    }
    return beside;
}

QString helpFile()
{
    return System::helpFile(programDir());
}

void setAppDir(const QString& dir)
{
    appOverride() = dir;
}

void setProgramDir(const QString& dir)
{
    programOverride() = dir;
}

void setUserDir(const QString& dir)
{
    userOverride() = dir;
}

} // namespace velmora::AppPaths
