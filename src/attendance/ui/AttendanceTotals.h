#pragma once

#include "attendance/SchoolCalendar.h"

#include <QWidget>
#include <memory>

namespace Ui {
class AttendanceTotals;
}

namespace velmora {

class Module1;

// 考勤统计: each student's days and times over a term or any span.
class AttendanceTotals : public QWidget
{
    Q_OBJECT

public:
    explicit AttendanceTotals(Module1& session, QWidget* parent = nullptr);
    ~AttendanceTotals() override;

    // The current term, or this month where no term holds today.
    bool load();
    bool query();

private:
    Module1& m_session;
    std::unique_ptr<Ui::AttendanceTotals> m_ui;

    void termChosen(int index);

    QVector<SchoolCalendar::Term> m_terms;
};

} // namespace velmora
