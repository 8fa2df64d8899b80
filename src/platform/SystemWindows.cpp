#include "platform/System.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace velmora::System {

// Windows' own code pages: Qt decodes GB18030 only through ICU, which the
// Windows build leaves out. Where 54936 is missing (Wine has none), GBK's 936
// reads all but the rare four-byte characters.
std::optional<QString> fromGb18030(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QString();
    for (const UINT codePage : { 54936U, 936U }) {
        const int size = MultiByteToWideChar(codePage, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
        if (size <= 0)
            continue;
        QString out(size, Qt::Uninitialized);
        MultiByteToWideChar(
            codePage, 0, bytes.constData(), int(bytes.size()), reinterpret_cast<wchar_t*>(out.data()), size);
        return out;
    }
    return std::nullopt;
}

namespace {

std::wstring native(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QString lastError(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD n
        = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString message = n ? QString::fromWCharArray(text, int(n)).trimmed() : QStringLiteral("错误 %1").arg(code);
    LocalFree(text);
    return message;
}

} // namespace

Made createNew(const QString& path, QString* why)
{
    // CREATE_NEW fails on any name that is there, a link's too; the flag keeps
    // a link from being followed should one appear in between.
    const HANDLE file = CreateFileW(native(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return Made::Created;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS)
        return Made::Exists;
    if (why)
        *why = lastError(code);
    return Made::Failed;
}

bool syncFile(const QString& path)
{
    const HANDLE file = CreateFileW(native(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
}

bool replaceFile(const QString& from, const QString& to)
{
    return MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

QByteArray sqlitePath(const QString& path)
{
    return path.toUtf8();
}

QByteArray narrowPath(const QString& path)
{
    const QString nativePath = QDir::toNativeSeparators(path);
    const QByteArray ansi = nativePath.toLocal8Bit();
    if (QString::fromLocal8Bit(ansi) == nativePath)
        return ansi;
    const std::wstring wide = nativePath.toStdWString();
    const DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (size > 0) {
        std::wstring shortName(size, L'\0');
        const DWORD n = GetShortPathNameW(wide.c_str(), shortName.data(), size);
        if (n > 0 && n < size) {
            const QString found = QString::fromWCharArray(shortName.c_str(), int(n));
            if (QString::fromLocal8Bit(found.toLocal8Bit()) == found)
                return found.toLocal8Bit();
        }
    }
    return ansi;
}

bool isSystemProgramDir(const QString& dir)
{
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(dir));
    for (const char* name : { "ProgramFiles", "ProgramW6432", "ProgramFiles(x86)" }) {
        const QString base = QDir::cleanPath(QDir::fromNativeSeparators(qEnvironmentVariable(name)));
        if (!base.isEmpty()
            && (clean.compare(base, Qt::CaseInsensitive) == 0
                || clean.startsWith(base + QLatin1Char('/'), Qt::CaseInsensitive)))
            return true;
    }
    return false;
}

QString userSettingsBase()
{
    const QString roaming = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    return roaming.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) : roaming;
}

QString helpFile(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("Help.chm"));
}

void startLimited(QProcess& process, int megabytes, int seconds)
{
    process.start();
    if (!process.waitForStarted(10000))
        return;
    // A job holds the helper to its limits and ends it when the job is closed.
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits {};
    limits.BasicLimitInformation.LimitFlags
        = JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_PROCESS_TIME | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    limits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart = LONGLONG(seconds) * 10'000'000;
    limits.ProcessMemoryLimit = SIZE_T(megabytes) << 20;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    if (const HANDLE child = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(process.processId()))) {
        AssignProcessToJobObject(job, child);
        CloseHandle(child);
    }
    auto* holder = new QObject(&process);
    QObject::connect(holder, &QObject::destroyed, [job] { CloseHandle(job); });
    QObject::connect(&process, &QProcess::finished, holder, &QObject::deleteLater);
}

void binaryStdout()
{
    _setmode(_fileno(stdout), _O_BINARY);
}

bool interactiveInput()
{
    return _isatty(_fileno(stdin));
}

QString readHidden(const QString& prompt)
{
    QTextStream(stderr) << prompt << Qt::flush;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD old = 0;
    const bool console = GetConsoleMode(input, &old);
    if (console)
        SetConsoleMode(input, old & ~DWORD(ENABLE_ECHO_INPUT));
    const QString line = QTextStream(stdin).readLine();
    if (console) {
        SetConsoleMode(input, old);
        QTextStream(stderr) << '\n';
    }
    return line;
}

} // namespace velmora::System
