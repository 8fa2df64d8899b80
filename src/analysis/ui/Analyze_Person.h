#pragma once

#include <QDialog>
#include <QHash>
#include <QStringList>
#include <QVector>
#include <QWidget>
#include <memory>

class QCheckBox;

namespace Ui {
class Analyze_Person;
class Analyze_Person_Chart;
} // namespace Ui

namespace velmora {

class Module1;

class ChartView;

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
    explicit Analyze_Person(Module1& session, QWidget* parent = nullptr);
    ~Analyze_Person() override;

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
    Module1& m_session;
    std::unique_ptr<Ui::Analyze_Person> m_ui;
    QVector<QCheckBox*> Check1; // 0..4 the test types, 5 其他
    QVector<QCheckBox*> Check2; // the fourteen subjects

    void fillChart();
    // RankChart: the class rank of the total in each test shown, first place at the top.
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
    ~Analyze_Person_Chart() override;

private:
    std::unique_ptr<Ui::Analyze_Person_Chart> m_ui;
};

// Draws the personal chart: grouped bars, a legend of the tests.
void drawPersonChart(ChartView* view, const PersonChartData& data, bool large);

} // namespace velmora
