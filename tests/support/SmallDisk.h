#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::test {

// A tiny filesystem of its own, for what happens when the disk is full.
// Needs root and the right to mount; `why` says what was missing.
class SmallDisk
{
public:
    explicit SmallDisk(int kilobytes = 64)
    {
        if (::geteuid() != 0) {
            why = QStringLiteral("mounting a small filesystem needs root");
            return;
        }
        m_where = QFile::encodeName(m_dir.path());
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        if (::mount("tmpfs", m_where.constData(), "tmpfs", 0, options.constData()) != 0) {
            why = QStringLiteral("no tmpfs can be mounted here (a container without the capability)");
            return;
        }
        mounted = true;
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(m_where.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString root() const { return m_dir.path(); }
    // Takes every free byte.
    void fill()
    {
        QFile filler(path(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) { }
        filler.write(QByteArray(1, 'x'));
    }

    bool mounted = false;
    QString why;

    // Remounts read-only, as a school installs a program folder.
    bool makeReadOnly()
    {
        return mounted && ::mount(nullptr, m_where.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_where;
};

// A folder nobody can write in once sealed: a read-only mount for root, whom
// permission bits do not stop; mode 0555 for anyone else.
class ReadOnlyFolder
{
public:
    ReadOnlyFolder()
        : m_disk(4096)
    { }
    ~ReadOnlyFolder()
    {
        if (!m_root)
            ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    QString dir() const { return m_root ? m_disk.root() : m_dir.path(); }
    QString path(const QString& name) const { return dir() + QLatin1Char('/') + name; }
    // False with `why` when the folder could not be made or sealed.
    bool ready() const { return !m_root || m_disk.mounted; }
    bool seal()
    {
        if (m_root)
            return m_disk.makeReadOnly();
        return ::chmod(QFile::encodeName(m_dir.path()).constData(), 0555) == 0;
    }
    QString why() const { return m_disk.why; }

private:
    const bool m_root = ::geteuid() == 0;
    SmallDisk m_disk;
    QTemporaryDir m_dir;
};

} // namespace velmora::test
