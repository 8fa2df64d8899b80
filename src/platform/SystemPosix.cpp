#include "platform/System.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTextStream>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace velmora::System {

std::optional<QString> fromGb18030(const QByteArray& bytes)
{
    QStringDecoder gb("GB18030");
    if (!gb.isValid())
        return std::nullopt;
    return gb(bytes);
}

Made createNew(const QString& path, QString* why)
{
    const int fd = ::open(
        QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
        ::close(fd);
        return Made::Created;
    }
    if (errno == EEXIST)
        return Made::Exists;
    if (why)
        *why = QString::fromLocal8Bit(std::strerror(errno));
    return Made::Failed;
}

bool syncFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool replaceFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

QByteArray sqlitePath(const QString& path)
{
    return QFile::encodeName(path);
}

QByteArray narrowPath(const QString& path)
{
    return QFile::encodeName(path);
}

bool isSystemProgramDir(const QString& dir)
{
    static const QStringList system { QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin"),
        QStringLiteral("/bin"), QStringLiteral("/usr/games") };
    return system.contains(QDir::cleanPath(dir));
}

QString userSettingsBase()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString helpFile(const QString& programDir)
{
    // Beside the program in a build, in the package's data folder when installed.
    const QDir dir(programDir);
    const QString beside = dir.filePath(QStringLiteral("guide/index.html"));
    const QString installed = QDir::cleanPath(dir.filePath(QStringLiteral("../share/velmora/guide/index.html")));
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

void startLimited(QProcess& process, int megabytes, int seconds)
{
    process.setChildProcessModifier([megabytes, seconds] {
        const rlimit memory { rlim_t(megabytes) << 20, rlim_t(megabytes) << 20 };
        const rlimit cpu { rlim_t(seconds), rlim_t(seconds) };
        (void)::setrlimit(RLIMIT_AS, &memory);
        (void)::setrlimit(RLIMIT_CPU, &cpu);
    });
    process.start();
}

void binaryStdout() { }

bool interactiveInput()
{
    return ::isatty(STDIN_FILENO);
}

QString readHidden(const QString& prompt)
{
    QTextStream(stderr) << prompt << Qt::flush;
    termios old {};
    const bool tty = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (tty) {
        termios quiet = old;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    const QString line = QTextStream(stdin).readLine();
    if (tty) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &old);
        QTextStream(stderr) << '\n';
    }
    return line;
}

} // namespace velmora::System
