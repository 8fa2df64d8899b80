#pragma once

#include "analysis/ClassTable.h"
#include "exams/TestRecord.h"
#include "exams/ui/TestSelector.h"

#include <QVector>
#include <QWidget>
#include <memory>

class QCheckBox;
class QRadioButton;

namespace Ui {
class Analyze_Class;
}

namespace velmora {

class Module1;

// 班级成绩分析: picks the test.
class Analyze_Class_Sel : public TestSelector
{
    Q_OBJECT

public:
    explicit Analyze_Class_Sel(Module1& session, QWidget* parent = nullptr);
    void ok() override;

Q_SIGNALS:
    // SelNo holds the test.
    void chosen();
};

// 班级成绩分析: the class's results in one test, sorted and cut.
class Analyze_Class : public QWidget
{
    Q_OBJECT

public:
    explicit Analyze_Class(Module1& session, QWidget* parent = nullptr);
    ~Analyze_Class() override;

    // Reads the test number from SelNo.
    void load();
    void showAll();
    void sort();
    void filter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::Analyze_Class> m_ui;
    QVector<QCheckBox*> Check2;
    QVector<QRadioButton*> Sort;
    QVector<QRadioButton*> Filter;

    // The header for the test; false when the test is gone.
    bool FillTableHead();
    // Shows the table, and keeps it for the cuts.
    void FillTable(Analysis::ClassTable table);
    void subjectClicked(int index);
    QVector<int> selectedSubjects() const;
    bool run(Analysis::ClassOrder order, const QVector<int>& summed = {});
    void openStudent();

    TestRecord m_test;
    Analysis::ClassTable m_table;
};

} // namespace velmora
