#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace velmora::FileDialogs {

// What a dialog is for: each kind opens where the last one of its kind
// was left, kept between runs; the teacher's home folder at first.
enum class Kind {
    Import, // spreadsheets in
    Export, // spreadsheets, PDFs and pictures out
    Photo,
    Backup,
};

// An open-file dialog; empty when cancelled.
QString openFileName(QWidget* parent, Kind kind, const QString& filter = QString());
// A save-file dialog; `suggested` a name in the kind's folder, or a whole path. Empty when cancelled.
QString saveFileName(QWidget* parent, Kind kind, const QString& suggested, const QString& filter);
// A folder picker; empty when cancelled.
QString folder(QWidget* parent, Kind kind, const QString& caption);

// Where the next dialog of the kind opens.
QString startFolder(Kind kind);

// Test hook: the next dialogs answer these names at once (an empty one is a cancel).
void setNextFileName(const QString& name);

} // namespace velmora::FileDialogs
