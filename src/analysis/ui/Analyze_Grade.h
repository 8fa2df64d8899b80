#pragma once

#include "analysis/GradeCompare.h"
#include "analysis/ui/TestChoice.h"

#include <QWidget>
#include <memory>
#include <optional>

namespace Ui {
class Analyze_Grade;
}

namespace velmora {

class Module1;

// 年级对比: our class beside the grade and each parallel class, from the
// figures a whole grade's export left, and how many of ours are among the
// grade's first N.
class Analyze_Grade : public QWidget
{
    Q_OBJECT

public:
    explicit Analyze_Grade(Module1& session, QWidget* parent = nullptr);
    ~Analyze_Grade() override;

    // False, having said why, when there is no test.
    bool load();

private:
    Module1& m_session;
    void showTest();
    void exportSheet();
    void print();
    // The comparison of a test, none where no other class's figures are kept.
    std::optional<Analysis::GradeTable> tableOf(const QVariant& choice);
    // The N typed, in order; the defaults where none is.
    QVector<int> tops() const;
    // The chosen test's sheet; none, said in the window, where there is nothing to compare.
    std::optional<SheetTable> sheet();

    std::unique_ptr<Ui::Analyze_Grade> m_ui;
    TestChoice::Start m_start;
};

} // namespace velmora
