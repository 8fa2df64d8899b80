#pragma once

#include "exams/ui/TestFields.h"

#include <QWidget>
#include <memory>

namespace Ui {
class TestWatch;
}

namespace velmora {

class Module1;

// 查看考试成绩: one test's whole score table, read-only.
class TestWatch : public QWidget
{
    Q_OBJECT

public:
    explicit TestWatch(Module1& session, QWidget* parent = nullptr);
    ~TestWatch() override;

    // Reads the test number from SelNo.
    void load();

private:
    Module1& m_session;
    std::unique_ptr<Ui::TestWatch> m_ui;

    TestFields m_fields;
};

} // namespace velmora
