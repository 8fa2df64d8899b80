#pragma once

#include "exams/ui/TestSelector.h"

#include <QWidget>
#include <memory>

class QComboBox;

namespace Ui {
class Analyze_Subject;
}

namespace velmora {

class Module1;

// 科目成绩分析: picks the test and one of its subjects.
class Analyze_Subject_Sel : public TestSelector
{
    Q_OBJECT

public:
    explicit Analyze_Subject_Sel(Module1& session, QWidget* parent = nullptr);
    void ok() override;

Q_SIGNALS:
    // SelNo and SubjectName hold the choice.
    void chosen();

protected:
    void picked(const TestRecord& test) override;

private:
    QComboBox* txtSubject;
};

// 科目成绩分析: one subject of one test, summed up for the class.
class Analyze_Subject : public QWidget
{
    Q_OBJECT

public:
    explicit Analyze_Subject(Module1& session, QWidget* parent = nullptr);
    ~Analyze_Subject() override;

    // Reads SelNo and SubjectName.
    void load();

private:
    Module1& m_session;
    std::unique_ptr<Ui::Analyze_Subject> m_ui;

    // The bands' table: its headers and a size that shows them whole.
    void setUpBands();
    void openStudent();
};

} // namespace velmora
