#pragma once

#include <QProcess>
#include <QStringList>

namespace velmora::test {

// Runs velmora-initdb (INITDB, as the test's target names it) with these
// passwords in its environment; its exit code, -1 when it did not finish,
// and what it said in `said`.
inline int initdb(
    const QStringList& args, const QString& password = {}, const QByteArray& input = {}, QByteArray* said = nullptr)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.remove(QStringLiteral("VELMORA_DB_PASSWORD"));
    if (!password.isEmpty())
        e.insert(QStringLiteral("VELMORA_DB_PASSWORD"), password);
    e.insert(QStringLiteral("VELMORA_FROM_PASSWORD"), QStringLiteral("pw"));
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(INITDB), args);
    p.write(input);
    p.closeWriteChannel();
    const int code = p.waitForFinished(60000) ? p.exitCode() : -1;
    if (said)
        *said = p.readAllStandardError();
    return code;
}

} // namespace velmora::test
