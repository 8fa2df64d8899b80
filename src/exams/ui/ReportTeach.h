#pragma once

#include "exams/ReportCards.h"
#include "platform/ui/PrintOut.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ReportTeach;
}

namespace velmora {

class Module1;

class ReportPreview;

// 学生评语报表: one test's comments as a list or as slips to cut out; the
// students still without one are named at the end.
class ReportTeach : public QDialog
{
    Q_OBJECT

public:
    enum class Layout { List, Slips };

    explicit ReportTeach(Module1& session, QWidget* parent = nullptr);

    ~ReportTeach() override;

    // Lists the tests that record comments, the latest first; false when none does.
    bool load();

    // The preview of the chosen test's comments, open; null after a message.
    ReportPreview* preview();

    static QPageLayout pageLayout();
    // Pages painted, 0 on failure, -1 when stopped.
    static int paint(QPagedPaintDevice* device, const QString& className, const ReportCards::TestCards& test,
        Layout layout, const PrintOut::Progress& progress = {});

private:
    Module1& m_session;
    std::unique_ptr<Ui::ReportTeach> m_ui;
};

} // namespace velmora
