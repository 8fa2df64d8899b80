#pragma once

#include <QBrush>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace velmora::Pictures {

// The face windows are drawn in, whichever system has it.
QFont uiFont();

// Drawn rather than shipped, so they stay sharp at any scale.
QPixmap splash(const QSize& size);
QBrush mainBackground();
QIcon appIcon();

} // namespace velmora::Pictures
