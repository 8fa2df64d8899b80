#pragma once

#include <QDialog>
#include <QHash>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QBarSeries;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace velmora {

class ChartView;

class ResultGrid;

// What the personal chart shows: one category per subject, one series per test.
struct PersonChartData
{
    QStringList categories;
    QStringList series; // test numbers
    QStringList names; // test names, for the legend
    // [series][category]; NaN where there is no point.
    QVector<QVector<double>> values;
    // [series][category]: the test has no such subject and the value is estimated.
    QVector<QVector<bool>> estimated;

    bool anyEstimated() const;
    // The legend entry that says what the lighter bars are.
    static QString estimateLegend() { return QStringLiteral("浅色柱：估算值（该次考试没有这门科目）"); }
};

// 个人成绩分析: one student's results across tests, as a table and a chart.
class Analyze_Person : public QWidget
{
    Q_OBJECT

public:
    explicit Analyze_Person(QWidget* parent = nullptr);

    // False when there is no student: the window has said so and should close.
    bool load();
    void FillTable();
    void find();
    void first();
    void previous();
    void next();
    void last();
    void enlarge();
    const PersonChartData& chartData() const { return m_chart; }

private:
    QLineEdit* txtNumber;
    QLineEdit* txtFind;
    QPushButton* BN_Find;
    QVector<QCheckBox*> Check1; // 0..4 the test types, 5 其他
    QLineEdit* txtOther;
    QVector<QCheckBox*> Check2; // the fourteen subjects
    QCheckBox* Check3;
    ResultGrid* Grid;
    ChartView* Chart;
    // The class rank of the total in each test shown, first place at the top.
    ChartView* RankChart;
    QPushButton* Command3;
    QPushButton* Command1;
    QPushButton* BN_First;
    QPushButton* BN_Previous;
    QPushButton* BN_Next;
    QPushButton* BN_Last;
    QPushButton* BN_Back;

    void fillChart();
    void fillRanks();
    void typeClicked(int index);
    // The tests of the checked types; an error message when it fails.
    bool testsShown(QVector<struct TestRecord>* tests) const;
    void showStudent(int student);

    QStringList m_students;
    int m_current = 0;
    PersonChartData m_chart;
    QHash<int, QHash<QString, int>> m_ranks; // per test, read once a window
};

// 图形放大: the personal chart, large.
class Analyze_Person_Chart : public QDialog
{
    Q_OBJECT

public:
    Analyze_Person_Chart(const PersonChartData& chartData, QWidget* parent = nullptr);

private:
    ChartView* Chart;
};

// Draws the personal chart: grouped bars, a legend of the tests.
void drawPersonChart(ChartView* view, const PersonChartData& data, bool large);

} // namespace velmora
