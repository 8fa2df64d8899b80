#pragma once

#include <QObject>

namespace velmora {

// Said whenever a test or a term grade is defined, deleted or brought back,
// so that every open list of tests follows at once.
class TestEvents : public QObject
{
    Q_OBJECT

public:
    static TestEvents& instance();
    static void changed() { Q_EMIT instance().testsChanged(); }

Q_SIGNALS:
    void testsChanged();

private:
    TestEvents() = default;
};

} // namespace velmora
