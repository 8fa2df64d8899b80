#pragma once

#include <QSize>
#include <functional>

class QWidget;

namespace velmora {

// A window that may hold typed values that are not yet saved.
class UnsavedWork
{
public:
    virtual ~UnsavedWork() = default;
    virtual bool hasUnsavedChanges() const = 0;
};

namespace ChildWindow {

// A length given in twips (1440 to the inch), in pixels of the widget's screen.
int fromTwips(const QWidget* widget, int twips);
QSize fromTwips(const QWidget* widget, QSize twips);

// The client size the window's design gives it, in twips.
void setDesignSize(QWidget* window, QSize twips);
// The design size, grown to what the contents need and kept within `room`.
QSize openingSize(const QWidget* window, QSize room);

// Closes the window; inside the main window, its frame with it, so no empty frame is left.
bool close(QWidget* window);

// Before typed values are dropped: "是否需要保存？" Yes runs `save`, which
// says whether the values are now stored; No drops them; Esc keeps the
// window as it is. True when the window may close.
bool mayDropUnsaved(const std::function<bool()>& save);

} // namespace ChildWindow
} // namespace velmora
