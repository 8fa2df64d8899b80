#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TestInfoWatch;
}

namespace velmora {

// 考试信息管理: every test with its items; deletes a test with its scores.
class TestInfoWatch : public QWidget
{
    Q_OBJECT

public:
    explicit TestInfoWatch(QWidget* parent = nullptr);
    ~TestInfoWatch() override;

    void load();
    void removeSelected();

Q_SIGNALS:
    void addRequested();

private:
    std::unique_ptr<Ui::TestInfoWatch> m_ui;
};

} // namespace velmora
