#pragma once

#include "analysis/GradeCompare.h"
#include "analysis/StatsTable.h"
#include "analysis/ui/TestChoice.h"
#include "platform/ui/TablePages.h"

#include <QDialog>
#include <QHash>
#include <QWidget>
#include <memory>

namespace Ui {
class Analyze_Stats;
class StatsRulesDialog;
} // namespace Ui

namespace velmora {

class Module1;

// 统计标准: the class's thresholds and what a mark counts for.
class StatsRulesDialog : public QDialog
{
    Q_OBJECT

public:
    StatsRulesDialog(Module1& session, const StatsRules& rules, QWidget* parent);
    ~StatsRulesDialog() override;
    StatsRules rules() const;
    void accept() override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::StatsRulesDialog> m_ui;
};

// 成绩统计表: per subject of a test and for the total, how many sat it, the
// average, highest, lowest and σ, the counts and rates of excellent, good,
// passing and low scores, and the score bands side by side.
class Analyze_Stats : public QWidget
{
    Q_OBJECT

public:
    explicit Analyze_Stats(Module1& session, QWidget* parent = nullptr);
    ~Analyze_Stats() override;

    // False, having said why, when there is no test.
    bool load();

private:
    Module1& m_session;
    std::unique_ptr<Ui::Analyze_Stats> m_ui;

    void showTest();
    void showCharts();
    void editRules();
    void exportSheet();
    void print();
    // The sheet of the chosen test, and its name; none when it cannot be read (said).
    std::optional<SheetTable> sheet();
    // The test beside the grade; none for a term grade or without other classes' figures.
    std::optional<Analysis::GradeTable> gradeOf(const QVariant& choice, const Analysis::StatsTable& table);

    TestChoice::Start m_start;
    GradeBands m_grades;
};

} // namespace velmora
