#include "platform/ui/EachFile.h"

#include "app/MessageService.h"
#include "platform/ui/PrintOut.h"
#include "platform/ui/ProgressBox.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace velmora::EachFile {

int write(QWidget* parent, const QString& folder, const QVector<QPair<QString, QString>>& students,
    const QString& suffix, const QString& what, const std::function<bool(int, const QString&)>& write)
{
    const QDir dir(folder);
    QStringList paths;
    QSet<QString> used;
    int existing = 0;
    for (const auto& [number, name] : students) {
        const QString plain = PrintOut::fileNameFor(number, name).chopped(4);
        QString file = plain + suffix;
        for (int n = 2; used.contains(file.toLower()); ++n)
            file = plain + QStringLiteral("(%1)").arg(n) + suffix;
        used.insert(file.toLower());
        paths << dir.filePath(file);
        if (QFileInfo::exists(paths.last()))
            ++existing;
    }
    if (existing > 0
        && !MessageService::askYesNo(
            QStringLiteral("文件夹中已有%1个同名的%2文件，要替换吗？").arg(existing).arg(what)))
        return 0;
    int written = 0;
    QString stopped;
    {
        // Gone before the last word, not left standing behind it.
        ProgressBox box(parent, QStringLiteral("正在导出%1…").arg(what), int(students.size()));
        const PrintOut::Progress moved = box.progress();
        for (int i = 0; i < students.size() && stopped.isEmpty(); ++i) {
            if (!write(i, paths[i])) {
                stopped = QStringLiteral("不能写入文件 ") + paths[i]
                    + QStringLiteral("（磁盘可能已满或没有写入权限），已导出%1个文件。").arg(written);
            } else if (!moved(++written)) {
                stopped = QStringLiteral("已取消，已导出%1个文件。").arg(written);
            }
        }
    }
    MessageService::info(!stopped.isEmpty()
            ? stopped
            : QStringLiteral("已为%1名学生各导出一个%2到 ").arg(written).arg(what) + QDir::toNativeSeparators(folder));
    return written;
}

} // namespace velmora::EachFile
