#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace velmora::test {

// A tiny filesystem of its own, for what happens when the disk is full.
// Needs root and the right to mount, on Linux; `why` says what was missing.
class SmallDisk
{
public:
    explicit SmallDisk(int kilobytes = 64);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString root() const { return m_dir.path(); }
    // Takes every free byte.
    void fill();

    bool mounted = false;
    QString why;

    // Remounts read-only, as a school installs a program folder.
    bool makeReadOnly();

private:
    QTemporaryDir m_dir;
    QByteArray m_where;
};

// Whether anyone but the owner may read or write the file, by its mode bits.
// Windows files have none (they take their folder's rights): false there.
bool othersMayUse(const QString& path);
// Whether the folder is its owner's only (rwx------); true on Windows.
bool ownerOnlyFolder(const QString& path);

// A named pipe at `path`, where the system has them.
bool makeFifo(const QString& path);
// A link at `path` to a device that never ends (/dev/zero), where the system has one.
bool linkToDevice(const QString& path);
// A program in `dir` that crashes as soon as it starts; empty where none can be made.
QString crashingProgram(const QString& dir);

// A folder nobody can write in once sealed: a read-only mount for root, whom
// permission bits do not stop; mode 0555 for anyone else.
class ReadOnlyFolder
{
public:
    ReadOnlyFolder();
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    QString dir() const { return m_root ? m_disk.root() : m_dir.path(); }
    QString path(const QString& name) const { return dir() + QLatin1Char('/') + name; }
    // False with `why` when the folder could not be made or sealed.
    bool ready() const { return !m_root || m_disk.mounted; }
    bool seal();
    QString why() const { return m_disk.why; }

private:
    const bool m_root;
    SmallDisk m_disk;
    QTemporaryDir m_dir;
};

} // namespace velmora::test
