#pragma once

#include "exams/TestRecord.h"

#include <QDialog>
#include <memory>

namespace Ui {
class DeletedTests;
}

namespace velmora {

class Module1;

// 已删除的考试: the tests deleted in the last 30 days, any of which can be
// put back with its scores.
class DeletedTests : public QDialog
{
    Q_OBJECT

public:
    explicit DeletedTests(Module1& session, QWidget* parent = nullptr);
    ~DeletedTests() override;

    // False after a message (nothing kept, or a database that keeps nothing).
    bool fill();
    void restoreChosen();
    // Whether a test came back, so the test list reads them again.
    bool restoredAny() const { return m_restored; }

private:
    Module1& m_session;
    std::unique_ptr<Ui::DeletedTests> m_ui;
    QVector<Exams::DeletedTest> m_tests;
    bool m_restored = false;
};

} // namespace velmora
