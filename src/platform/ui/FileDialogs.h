#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace velmora::FileDialogs {

// An open-file dialog; empty when cancelled.
QString openFileName(QWidget* parent, const QString& filter = QString());
// A save-file dialog; empty when cancelled.
QString saveFileName(QWidget* parent, const QString& suggested, const QString& filter);

// Test hook: the next dialogs answer these names at once (an empty one is a cancel).
void setNextFileName(const QString& name);

} // namespace velmora::FileDialogs
