#pragma once

#include "exams/ui/TestSelector.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace velmora {

class ChartView;

class ResultGrid;

// 科目成绩分析: picks the test and one of its subjects.
class Analyze_Subject_Sel : public TestSelector
{
    Q_OBJECT

public:
    explicit Analyze_Subject_Sel(QWidget* parent = nullptr);
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
    explicit Analyze_Subject(QWidget* parent = nullptr);

    // Reads SelNo and SubjectName.
    void load();

private:
    QLineEdit* txtNumber;
    QLineEdit* txtSubject;
    QLineEdit* txtN;
    QLineEdit* txtPass;
    QLineEdit* txtPass_P;
    QLineEdit* txtFail;
    QLineEdit* txtFail_P;
    QLineEdit* txtAve;
    QLineEdit* txtMax;
    QLineEdit* txtMin;
    QTableWidget* Grid1;
    ChartView* Chart;
    ResultGrid* Grid;
    QPushButton* Command1;

    void openStudent();
};

} // namespace velmora
