#pragma once

#include <QPair>
#include <QString>
#include <QVector>
#include <functional>

class QWidget;

namespace velmora::EachFile {

// One file per student, "学号_姓名" and `suffix`, into `folder`: names that
// come out alike once unsafe characters are replaced each get a file of
// their own. Asks before replacing files there, shows progress that may be
// cancelled, and says what it did, calling the files `what` (报告单).
// `write` makes the i-th student's file at the path given, false when it
// could not. Returns how many were written.
int write(QWidget* parent, const QString& folder, const QVector<QPair<QString, QString>>& students,
    const QString& suffix, const QString& what, const std::function<bool(int, const QString&)>& write);

} // namespace velmora::EachFile
