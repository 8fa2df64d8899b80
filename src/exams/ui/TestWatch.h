#pragma once

#include "exams/ui/TestFields.h"

#include <QWidget>
#include <memory>

namespace Ui {
class TestWatch;
}

namespace velmora {

// 查看考试成绩: one test's whole score table, read-only.
class TestWatch : public QWidget
{
    Q_OBJECT

public:
    explicit TestWatch(QWidget* parent = nullptr);
    ~TestWatch() override;

    // Reads the test number from SelNo.
    void load();

private:
    std::unique_ptr<Ui::TestWatch> m_ui;

    TestFields m_fields;
};

} // namespace velmora
