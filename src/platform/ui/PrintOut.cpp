#include "platform/ui/PrintOut.h"

#include "data/PartFiles.h"
#include "platform/System.h"

#include <QFile>
#include <QImage>
#include <QPdfWriter>
#include <algorithm>
#include <cstdio>

namespace velmora::PrintOut {

QFont serif(double points)
{
    QFont f;
    // Windows has 宋体 and 微软雅黑 where Debian has these.
    f.setFamilies({ QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"), QStringLiteral("SimSun") });
    f.setStyleHint(QFont::Serif);
    f.setPointSizeF(points);
    return f;
}

QFont sans(double points, bool bold)
{
    QFont f;
    f.setFamilies({ QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Microsoft YaHei") });
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

Outcome writePdf(const QString& path, const QPageLayout& layout, const QString& title, const Painter& paint,
    const Progress& progress, int* pages)
{
    const QString part = PartFiles::create(path);
    if (part.isEmpty())
        return Outcome::Failed;
    int n = 0;
    {
        QPdfWriter writer(part);
        writer.setResolution(600);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Velmora"));
        writer.setPageLayout(layout);
        n = paint(&writer, progress);
    }
    if (pages)
        *pages = std::max(0, n);
    QFile written(part);
    bool whole = n > 0 && written.open(QIODevice::ReadOnly) && written.size() > 0;
    if (whole) {
        written.seek(std::max<qint64>(0, written.size() - 64));
        whole = written.readAll().contains("%%EOF");
        written.close();
    }
    whole = whole && written.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && System::replaceFile(part, path);
    if (!whole)
        QFile::remove(part);
    if (n < 0)
        return Outcome::Stopped;
    return whole ? Outcome::Written : Outcome::Failed;
}

bool writeImage(const QString& path, const QImage& image)
{
    const QString part = PartFiles::create(path);
    if (part.isEmpty())
        return false;
    const bool whole = image.save(part, "PNG")
        && QFile::setPermissions(part, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && System::replaceFile(part, path);
    if (!whole)
        QFile::remove(part);
    return whole;
}

QString fileNameFor(const QString& number, const QString& name)
{
    QString base = number + QLatin1Char('_') + name;
    for (QChar& c : base) {
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    // Not a hidden file, nor "." or "..".
    if (base.startsWith(QLatin1Char('.')))
        base[0] = QLatin1Char('_');
    // A name from an older version may be long: whole characters, well inside
    // the 255 bytes a file system allows a name in UTF-8.
    constexpr qsizetype kMaxChars = 60;
    if (base.size() > kMaxChars)
        base.truncate(base[kMaxChars - 1].isHighSurrogate() ? kMaxChars - 1 : kMaxChars);
    return base + QStringLiteral(".pdf");
}

} // namespace velmora::PrintOut
