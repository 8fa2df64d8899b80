#pragma once

#include "analysis/GradeCompare.h"
#include "analysis/StatsTable.h"

#include <QDialog>
#include <QImage>
#include <memory>
#include <optional>

namespace Ui {
class StatsCharts;
}

namespace velmora {

struct ChartData;

// 成绩图表: pictures for a parents' meeting drawn from the statistics table's
// own figures: a test's score bands, and each subject's average, 优秀率 and
// 及格率 over the last tests. They name no student.
class StatsCharts : public QDialog
{
    Q_OBJECT

public:
    struct Test
    {
        QString name;
        Analysis::StatsTable table;
        std::optional<Analysis::GradeTable> grade; // where a whole grade's export left the other classes
    };
    static constexpr QSize kSlide { 1920, 1080 };

    // `tests` oldest first, the chosen one last; `note` says how the rates are counted.
    StatsCharts(QVector<Test> tests, const QString& note, QWidget* parent = nullptr);
    ~StatsCharts() override;

    // The chart shown, as a slide.
    QImage slide() const;

private:
    void fillSubjects();
    void draw();
    void savePicture();
    void print();

    std::unique_ptr<Ui::StatsCharts> m_ui;
    QVector<Test> m_tests;
};

} // namespace velmora
