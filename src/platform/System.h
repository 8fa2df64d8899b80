#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class QProcess;

// What Linux and Windows do differently, behind one set of names. Each system
// has its own source file; the build takes the one for its target.
namespace velmora::System {

enum class Made { Created, Exists, Failed };
// Makes an empty file only where no file, folder or link of that name is, and
// never through a link. Readable by its owner only (on Windows the file takes
// its folder's rights, which in the user's profile are the user's own).
Made createNew(const QString& path, QString* why = nullptr);
// Waits until what was written to the file is on the disk.
bool syncFile(const QString& path);
// Puts `from` in the place of `to` in one step, replacing what was there.
bool replaceFile(const QString& from, const QString& to);

// A name for SQLite, which takes UTF-8 everywhere.
QByteArray sqlitePath(const QString& path);
// A name for a C library that opens files with fopen (minizip, FreeXL,
// libxlsxwriter): on Windows that takes the ANSI code page, so a name with
// characters outside it goes as its short 8.3 form; the file must exist.
QByteArray narrowPath(const QString& path);

// Text in GB18030 (which GBK and GB2312 are within), as Chinese Windows and
// Excel write it; none where the system cannot decode it.
std::optional<QString> fromGb18030(const QByteArray& bytes);

// A folder programs are installed in, where a teacher's data never goes.
bool isSystemProgramDir(const QString& dir);
// The base of the per-user settings folder: ~/.config, or %APPDATA%.
QString userSettingsBase();
// The user's guide as this system opens it, for a program in `programDir`.
QString helpFile(const QString& programDir);

// Starts a helper that reads files from elsewhere, held to `megabytes` of
// memory and `seconds` of processor time.
void startLimited(QProcess& process, int megabytes, int seconds);

// Standard output passes bytes as they are: Windows would turn each line feed
// of a helper's binary answer into CR LF.
void binaryStdout();

// Whether standard input is a terminal someone types at.
bool interactiveInput();
// A line typed at the terminal without showing it.
QString readHidden(const QString& prompt);

} // namespace velmora::System
