#include "platform/ui/Pictures.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace velmora::Pictures {

QFont uiFont()
{
    // Windows has 微软雅黑 where Debian has Noto.
    QFont f;
    f.setFamilies({ QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Microsoft YaHei") });
    return f;
}

namespace {

void drawBook(QPainter& p, const QRectF& r, const QColor& cover)
{
    p.setPen(Qt::NoPen);
    p.setBrush(cover);
    p.drawRoundedRect(r, 4, 4);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRect(QRectF(r.right() - 6, r.top() + 4, 4, r.height() - 8));
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawRect(QRectF(r.left() + 8, r.top() + 14, r.width() - 22, 6));
}

QPixmap mark(int side)
{
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, side, side);
    g.setColorAt(0, QColor(33, 150, 243));
    g.setColorAt(1, QColor(0, 121, 107));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, side, side), side * 0.22, side * 0.22);
    QFont f = uiFont();
    f.setPixelSize(int(side * 0.62));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, side, side), Qt::AlignCenter, QStringLiteral("V"));
    return pm;
}

} // namespace

QPixmap splash(const QSize& size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor(14, 71, 161));
    sky.setColorAt(0.6, QColor(21, 101, 192));
    sky.setColorAt(1, QColor(0, 137, 123));
    p.fillRect(pm.rect(), sky);

    QRadialGradient glow(size.width() * 0.8, size.height() * 0.2, size.width() * 0.5);
    glow.setColorAt(0, QColor(255, 255, 255, 70));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(pm.rect(), glow);

    const qreal base = size.height() * 0.72;
    const QColor covers[] = { QColor(255, 193, 7), QColor(239, 83, 80), QColor(102, 187, 106), QColor(171, 71, 188) };
    qreal x = size.width() * 0.62;
    for (int i = 0; i < 4; ++i) {
        const qreal h = size.height() * (0.30 + 0.05 * ((i * 7) % 3));
        drawBook(p, QRectF(x, base - h, size.width() * 0.06, h), covers[i]);
        x += size.width() * 0.065;
    }
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawRect(QRectF(size.width() * 0.58, base, size.width() * 0.34, 5));

    p.drawPixmap(QPointF(size.width() * 0.07, size.height() * 0.16), mark(int(size.height() * 0.16)));

    QFont title = uiFont();
    title.setPixelSize(int(size.height() * 0.11));
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    const QRectF text(size.width() * 0.07, size.height() * 0.36, size.width() * 0.6, size.height() * 0.16);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Velmora"));
    QFont sub = title;
    sub.setPixelSize(int(size.height() * 0.065));
    sub.setBold(false);
    p.setFont(sub);
    p.drawText(
        text.translated(0, size.height() * 0.14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("班级学生管理系统"));
    QFont small = sub;
    small.setPixelSize(int(size.height() * 0.04));
    p.setFont(small);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(text.translated(0, size.height() * 0.25), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("学生档案 · 考试成绩 · 教师评语 · 成绩分析"));
    return pm;
}

QBrush mainBackground()
{
    // One flat colour, so the tiles join without a seam.
    QPixmap tile(560, 360);
    tile.fill(QColor(232, 239, 247));
    QPainter p(&tile);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = uiFont();
    f.setPixelSize(26);
    p.setFont(f);
    p.setPen(QColor(30, 90, 160, 24));
    p.translate(60, 230);
    p.rotate(-12);
    p.drawText(QPointF(0, 0), QStringLiteral("Velmora 班级学生管理系统"));
    return QBrush(tile);
}

QIcon appIcon()
{
    QIcon icon;
    for (int side : { 16, 32, 48, 64, 128 })
        icon.addPixmap(mark(side));
    return icon;
}

} // namespace velmora::Pictures
