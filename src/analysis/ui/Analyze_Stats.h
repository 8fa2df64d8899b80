#pragma once

#include "analysis/GradeCompare.h"
#include "analysis/StatsTable.h"
#include "analysis/ui/TestChoice.h"
#include "platform/ui/TablePages.h"

#include <QDialog>
#include <QHash>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace velmora {

class ResultGrid;

// 统计标准: the class's thresholds and what a mark counts for.
class StatsRulesDialog : public QDialog
{
    Q_OBJECT

public:
    StatsRulesDialog(const StatsRules& rules, QWidget* parent);
    StatsRules rules() const;
    void accept() override;

private:
    QSpinBox* spnExcellent;
    QSpinBox* spnGood;
    QSpinBox* spnPass;
    QSpinBox* spnLow;
    QCheckBox* chkCheatZero;
    QCheckBox* chkNoRank;
};

// 成绩统计表: per subject of a test and for the total, how many sat it, the
// average, highest, lowest and σ, the counts and rates of excellent, good,
// passing and low scores, and the score bands side by side.
class Analyze_Stats : public QWidget
{
    Q_OBJECT

public:
    explicit Analyze_Stats(QWidget* parent = nullptr);

    // False, having said why, when there is no test.
    bool load();

private:
    QComboBox* cmbTest;
    QComboBox* cmbCompare;
    QLabel* lblCaption;
    ResultGrid* grdStats;
    ResultGrid* grdBands;
    ResultGrid* grdGrades;
    QLabel* lblMissing;
    QPushButton* BN_Rules;
    QPushButton* BN_Export;
    QPushButton* BN_Print;
    QPushButton* BN_Charts;
    QPushButton* BN_Back;

    void showTest();
    void showCharts();
    void editRules();
    void exportSheet();
    void print();
    // The sheet of the chosen test, and its name; none when it cannot be read (said).
    std::optional<SheetTable> sheet();
    // The test beside the grade; none for a term grade or without other classes' figures.
    static std::optional<Analysis::GradeTable> gradeOf(const QVariant& choice, const Analysis::StatsTable& table);

    TestChoice::Start m_start;
    GradeBands m_grades;
};

} // namespace velmora
