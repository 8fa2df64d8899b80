#pragma once

#include <QDialog>
#include <QVector>
#include <memory>

class QCheckBox;
class QLineEdit;

namespace Ui {
class TestInfoAdd;
}

namespace velmora {

class Module1;

// 添加考试信息: defines a test and creates its score table.
class TestInfoAdd : public QDialog
{
    Q_OBJECT

public:
    explicit TestInfoAdd(Module1& session, QWidget* parent = nullptr);
    ~TestInfoAdd() override;

    void load();
    bool CheckForm();
    void define();

    // Defines a test and, when the teacher wants to, goes on to its score entry.
    static void open(Module1& session, QWidget* parent);

    // Set when the teacher chose to go on to score entry for the new test.
    int enterScoresFor() const { return m_enterScores; }

private:
    Module1& m_session;
    std::unique_ptr<Ui::TestInfoAdd> m_ui;
    // Index 1..16: the fourteen subjects, 出勤, 教师评语.
    QVector<QCheckBox*> Check;
    // Index 1..14: each subject's full marks, beside its box.
    QVector<QLineEdit*> txtFull;

    void typePicked();
    void showNumber(int number);

    int m_enterScores = 0;
};

} // namespace velmora
