#include "platform/ui/ChildWindow.h"

#include "app/MessageService.h"

#include <QMdiSubWindow>
#include <QVariant>
#include <QWidget>

namespace velmora::ChildWindow {

namespace {
constexpr char kDesignSize[] = "velmoraDesignTwips";
}

int fromTwips(const QWidget* widget, int twips)
{
    const int dpi = widget ? widget->logicalDpiX() : 96;
    return (twips * (dpi > 0 ? dpi : 96) + 720) / 1440;
}

QSize fromTwips(const QWidget* widget, QSize twips)
{
    return { fromTwips(widget, twips.width()), fromTwips(widget, twips.height()) };
}

void setDesignSize(QWidget* window, QSize twips)
{
    window->setProperty(kDesignSize, twips);
    window->resize(fromTwips(window, twips));
}

QSize openingSize(const QWidget* window, QSize room)
{
    QSize size = window->size();
    const QVariant design = window->property(kDesignSize);
    if (design.isValid())
        size = fromTwips(window, design.toSize());
    size = size.expandedTo(window->sizeHint()).expandedTo(window->minimumSizeHint());
    if (room.isValid())
        size = size.boundedTo(room).expandedTo(window->minimumSize());
    return size;
}

bool close(QWidget* window)
{
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        return frame->close();
    return window->close();
}

bool mayDropUnsaved(const std::function<bool()>& save)
{
    switch (MessageService::ask(QStringLiteral("是否需要保存？"), MsgIcon::Question)) {
    case MsgAnswer::Yes:
        return save();
    case MsgAnswer::No:
        return true;
    case MsgAnswer::Ok:
    case MsgAnswer::Cancel:
        break;
    }
    return false;
}

} // namespace velmora::ChildWindow
