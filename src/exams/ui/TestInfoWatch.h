#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TestInfoWatch;
}

namespace velmora {

class Module1;

// 考试信息管理: every test with its items; deletes a test with its scores.
class TestInfoWatch : public QWidget
{
    Q_OBJECT

public:
    explicit TestInfoWatch(Module1& session, QWidget* parent = nullptr);
    ~TestInfoWatch() override;

    void load();
    void removeSelected();

Q_SIGNALS:
    void addRequested();

private:
    Module1& m_session;
    std::unique_ptr<Ui::TestInfoWatch> m_ui;
};

} // namespace velmora
