#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velmora::test {

// A program of the machine the tests run on (LibreOffice, poppler). Under
// Wine, where the Windows tests run, Linux programs are started from the
// folders VELMORA_HOST_TOOLS names ("/usr/bin"), with files in their Unix
// spelling: Z:\tmp\a.pdf is /tmp/a.pdf.
QString hostTool(const QString& name);
QString hostPath(const QString& path);

struct HostRun
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool ok() const { return finished && exitCode == 0; }
};

// Runs a host program to its end. Wine starts a Linux program detached,
// without a handle to wait on or its output, so there it runs through a shell
// that leaves its output and exit code in files.
HostRun runHost(const QString& program, const QStringList& arguments, int timeoutMs = 120000);

} // namespace velmora::test
