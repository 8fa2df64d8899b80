#include "data/PartFiles.h"

#include "platform/System.h"

#include <QRandomGenerator>

namespace velmora::PartFiles {

QString create(const QString& path, QString* why)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        // The plain name first; another program's part file or a planted link takes the next.
        const QString part = attempt == 0
            ? path + QStringLiteral(".part")
            : path + QStringLiteral(".%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const System::Made made = System::createNew(part, why);
        if (made == System::Made::Created)
            return part;
        if (made == System::Made::Failed)
            return {};
    }
    if (why)
        *why = QStringLiteral("无法建立临时文件。");
    return {};
}

} // namespace velmora::PartFiles
