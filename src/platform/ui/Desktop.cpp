#include "platform/ui/Desktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace velmora {

namespace {
struct State
{
    bool recording = false;
    bool succeed = true;
    QVector<Desktop::Request> requests;
};
State& state()
{
    static State s;
    return s;
}
bool record(const char* kind, const QString& target)
{
    state().requests.push_back({ QString::fromLatin1(kind), target });
    return state().succeed;
}
} // namespace

bool Desktop::openFile(const QString& path)
{
    if (state().recording)
        return record("file", path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool Desktop::startProgram(const QString& program)
{
    if (state().recording)
        return record("program", program);
    // The program may come from Windows with its .exe name.
    QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(program + QStringLiteral(".exe"));
    return !found.isEmpty() && QProcess::startDetached(found, {});
}

bool Desktop::openUrl(const QUrl& url)
{
    if (state().recording)
        return record("url", url.toString());
    return QDesktopServices::openUrl(url);
}

void Desktop::startRecording(bool succeed)
{
    state() = State { true, succeed, {} };
}

const QVector<Desktop::Request>& Desktop::requests()
{
    return state().requests;
}

} // namespace velmora
