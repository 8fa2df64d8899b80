#include "data/PartFiles.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velmora::PartFiles {

QString create(const QString& path, QString* why)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        // The plain name first; another program's part file or a planted link takes the next.
        const QString part = attempt == 0
            ? path + QStringLiteral(".part")
            : path + QStringLiteral(".%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int fd = ::open(QFile::encodeName(part).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
            S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            ::close(fd);
            return part;
        }
        if (errno != EEXIST) {
            if (why)
                *why = QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
    }
    if (why)
        *why = QStringLiteral("无法建立临时文件。");
    return {};
}

} // namespace velmora::PartFiles
