#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <unistd.h>

namespace velmora::test {

// A tiny filesystem of its own, for what happens when the disk is full.
// Needs root and the right to mount; `why` says what was missing.
class SmallDisk {
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
    // Takes every free byte.
    void fill()
    {
        QFile filler(path(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.write(QByteArray(1, 'x'));
    }

    bool mounted = false;
    QString why;

private:
    QTemporaryDir m_dir;
    QByteArray m_where;
};

} // namespace velmora::test
