#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace velmora::FileDialogs {

// An open-file dialog; empty when cancelled.
QString openFileName(QWidget* parent, const QString& filter = QString());
// A save-file dialog; empty when cancelled.
QString saveFileName(QWidget* parent, const QString& suggested, const QString& filter);

// A folder picker; empty when cancelled.
QString folder(QWidget* parent, const QString& caption);

// Test hook: the next dialogs answer these names at once (an empty one is a cancel).
void setNextFileName(const QString& name);

} // namespace velmora::FileDialogs
