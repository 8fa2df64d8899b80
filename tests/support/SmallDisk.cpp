#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::test {

SmallDisk::SmallDisk(int kilobytes)
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

SmallDisk::~SmallDisk()
{
    if (mounted)
        ::umount2(m_where.constData(), MNT_DETACH);
}

void SmallDisk::fill()
{
    QFile filler(path(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) { }
    filler.write(QByteArray(1, 'x'));
}

bool SmallDisk::makeReadOnly()
{
    return mounted && ::mount(nullptr, m_where.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

bool othersMayUse(const QString& path)
{
    return QFileInfo(path).permissions()
        & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther);
}

bool ownerOnlyFolder(const QString& path)
{
    return (QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser))
        == (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool makeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool linkToDevice(const QString& path)
{
    return QFile::link(QStringLiteral("/dev/zero"), path);
}

QString crashingProgram(const QString& dir)
{
    const QString path = QDir(dir).filePath(QStringLiteral("crash.sh"));
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly) || script.write("#!/bin/sh\nkill -SEGV $$\n") < 0)
        return {};
    script.close();
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner) ? path : QString();
}

ReadOnlyFolder::ReadOnlyFolder()
    : m_root(::geteuid() == 0)
    , m_disk(4096)
{ }

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (!m_root)
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
}

bool ReadOnlyFolder::seal()
{
    if (m_root)
        return m_disk.makeReadOnly();
    return ::chmod(QFile::encodeName(m_dir.path()).constData(), 0555) == 0;
}

} // namespace velmora::test
