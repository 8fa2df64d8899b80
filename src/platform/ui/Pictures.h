#pragma once

#include <QBrush>
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace velmora::Pictures {

// Drawn rather than shipped, so they stay sharp at any scale.
QPixmap splash(const QSize& size);
QBrush mainBackground();
QIcon appIcon();

} // namespace velmora::Pictures
