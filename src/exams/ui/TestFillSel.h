#pragma once

#include "exams/ui/TestSelector.h"

namespace velmora {

class Module1;

// Picks the test whose scores are entered, changed or viewed; the mode is
// the caption of its title label.
class TestFillSel : public TestSelector
{
    Q_OBJECT

public:
    static QString entryMode() { return QStringLiteral("考试成绩录入"); }
    static QString changeMode() { return QStringLiteral("修改考试成绩"); }
    static QString viewMode() { return QStringLiteral("查看考试成绩"); }
    static QString gridMode() { return QStringLiteral("表格录入成绩"); }

    explicit TestFillSel(Module1& session, QWidget* parent = nullptr);

    void setMode(const QString& mode);
    void ok() override;

Q_SIGNALS:
    // SelNo holds the test; the window has closed.
    void enterScores(const QString& caption, const QString& topic, bool autoSave);
    void viewScores();
    void gridScores();
};

} // namespace velmora
