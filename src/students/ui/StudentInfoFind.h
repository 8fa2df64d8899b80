#pragma once

#include <QVector>
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;

namespace Ui {
class StudentInfoFind;
}

namespace velmora {

class Module1;

// 查找学生信息: students found by any combination of their fields.
class StudentInfoFind : public QWidget
{
    Q_OBJECT

public:
    explicit StudentInfoFind(Module1& session, QWidget* parent = nullptr);
    ~StudentInfoFind() override;

    void search();

private:
    Module1& m_session;
    std::unique_ptr<Ui::StudentInfoFind> m_ui;
    // Index 1..8 as on the form.
    QVector<QLineEdit*> Text;
    QVector<QLabel*> Label;
};

} // namespace velmora
