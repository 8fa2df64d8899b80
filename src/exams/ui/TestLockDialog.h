#pragma once

#include "exams/TestLocks.h"
#include "exams/TestRecord.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TestLockDialog;
}

namespace velmora {

class Module1;

// 锁定考试成绩: an administrator locks a test once its reports have gone
// home, and unlocks it with the password typed again.
class TestLockDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TestLockDialog(Module1& session, QWidget* parent = nullptr);
    ~TestLockDialog() override;

    // False after a message.
    bool fill();

private:
    Module1& m_session;
    std::unique_ptr<Ui::TestLockDialog> m_ui;

    void lockChosen();
    void unlockChosen();
    // The chosen row's test, or 0 after a message.
    int chosen() const;

    QVector<TestRecord> m_tests;
};

} // namespace velmora
