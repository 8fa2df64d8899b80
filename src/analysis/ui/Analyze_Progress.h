#pragma once

#include "analysis/Progress.h"
#include "analysis/ui/TestChoice.h"

#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>

namespace Ui {
class Analyze_Progress;
}

namespace velmora {

class Module1;

// 进退步分析: each student's total or subject in two tests, with the change
// in rank (or in standard score), the biggest steps either way, and those
// just below a line in the later test.
class Analyze_Progress : public QWidget
{
    Q_OBJECT

public:
    explicit Analyze_Progress(Module1& session, QWidget* parent = nullptr);
    ~Analyze_Progress() override;

    struct Column
    {
        QString header;
        std::function<QString(const Analysis::ProgressRow&)> text;
        // Numbers sort as numbers; a row without one goes last either way.
        std::function<std::optional<double>(const Analysis::ProgressRow&)> key;
    };

    // False, having said why, when there are not two tests to compare.
    bool load();

private:
    Module1& m_session;
    std::unique_ptr<Ui::Analyze_Progress> m_ui;

    void compare();
    void fillItems();
    void showRows();
    void render();
    QVector<Column> columns() const;
    void applySort();
    // The N biggest steps up (or down), by the change in rank or standard score.
    void showSteps(bool up);
    void sortBy(int column);
    void showBorder();
    void print();
    QString name(const QString& number) const { return m_start.names.value(number); }

    TestChoice::Start m_start;
    std::optional<Analysis::TestCells> m_earlier, m_later;
    Analysis::ItemResults m_laterResults;
    Analysis::Progress m_progress;
    QVector<int> m_shown; // rows of m_progress, in the order shown
    int m_sortColumn = -1;
    bool m_descending = false;
};

} // namespace velmora
