#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class StudentInfoWatch;
}

namespace velmora {

class Module1;

// 查看学生信息: every student in a grid, with their count.
class StudentInfoWatch : public QWidget
{
    Q_OBJECT

public:
    explicit StudentInfoWatch(Module1& session, QWidget* parent = nullptr);
    ~StudentInfoWatch() override;

    void fill();

Q_SIGNALS:
    void findRequested();

private:
    Module1& m_session;
    std::unique_ptr<Ui::StudentInfoWatch> m_ui;
};

} // namespace velmora
