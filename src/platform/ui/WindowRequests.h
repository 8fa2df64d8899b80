#pragma once

#include <QObject>

namespace velmora {

// A window asks here for what another window does (the main window answers),
// so that no window depends on the main window or on the windows it opens.
class WindowRequests : public QObject
{
    Q_OBJECT

public:
    static WindowRequests& instance();

Q_SIGNALS:
    // The score grid of a test, in the main window `from` stands in.
    void gridRequested(QWidget* from, int testNumber);
    // A student was added or taken away: entries that need students may change.
    void studentsChanged();
    // One student's attendance, over the window `from`.
    void attendanceRequested(QWidget* from, const QString& number, const QString& name);

private:
    WindowRequests() = default;
};

} // namespace velmora
