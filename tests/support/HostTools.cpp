#include "support/HostTools.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace velmora::test {

namespace {
bool underWine()
{
    return qEnvironmentVariableIsSet("VELMORA_HOST_TOOLS");
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

HostRun runThroughShell(const QString& program, const QStringList& arguments, int timeoutMs)
{
    HostRun run;
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out")), err = dir.filePath(QStringLiteral("err")),
                  code = dir.filePath(QStringLiteral("code"));
    // The code file appears whole, and only once the program has ended.
    static const QString script = QStringLiteral("out=$1 err=$2 code=$3; shift 3; \"$@\" >\"$out\" 2>\"$err\"; echo $? "
                                                 ">\"$code.part\"; mv \"$code.part\" \"$code\"");
    const QStringList shellArguments = QStringList { QStringLiteral("-c"), script, QStringLiteral("sh"), hostPath(out),
        hostPath(err), hostPath(code), hostPath(program) }
        + arguments;
    if (!QProcess::startDetached(hostTool(QStringLiteral("sh")), shellArguments))
        return run;
    const QDeadlineTimer deadline(timeoutMs);
    while (!QFileInfo::exists(code) && !deadline.hasExpired())
        QThread::msleep(50);
    run.finished = QFileInfo::exists(code);
    if (run.finished)
        run.exitCode = contents(code).trimmed().toInt();
    run.out = contents(out);
    run.err = contents(err);
    return run;
}
} // namespace

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
    if (!underWine() || !unixDrive.match(path).hasMatch())
        return path;
    return QDir::fromNativeSeparators(path.mid(2));
}

HostRun runHost(const QString& program, const QStringList& arguments, int timeoutMs)
{
    if (underWine())
        return runThroughShell(program, arguments, timeoutMs);
    HostRun run;
    QProcess p;
    p.start(program, arguments);
    run.finished = p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit;
    run.exitCode = run.finished ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

} // namespace velmora::test
