#pragma once

#include "attendance/AttendanceSheet.h"
#include "platform/ui/ChildWindow.h"

#include <QDialog>
#include <QWidget>
#include <memory>

namespace Ui {
class AttendanceRegister;
class AbsenceDetails;
} // namespace Ui

namespace velmora {

class Module1;

// An absence's reason (the illness, as the school's 因病缺勤 log asks), 就诊 and a note.
class AbsenceDetails : public QDialog
{
    Q_OBJECT

public:
    AbsenceDetails(const QString& who, const Attendance::Cell& cell, QWidget* parent = nullptr);
    ~AbsenceDetails() override;

    Attendance::Cell cell() const;

private:
    std::unique_ptr<Ui::AbsenceDetails> m_ui;
    Attendance::Cell m_cell;
};

// 考勤登记: the class by the school days of a month or a week, a code typed
// into a cell as scores are into the score grid.
class AttendanceRegister : public QWidget, public UnsavedWork
{
    Q_OBJECT

public:
    explicit AttendanceRegister(Module1& session, QWidget* parent = nullptr);
    ~AttendanceRegister() override;

    // The span around today, the current cell on today's column; false, having said why, when it cannot be shown.
    bool load();
    // The month or week holding the day, asking first when typed values are not saved.
    bool showSpan(const QDate& day);
    bool save();
    // The span on landscape pages, through the shared preview.
    void print();
    AttendanceSheet& sheet() { return m_sheet; }

    bool hasUnsavedChanges() const override { return m_sheet.hasChanges(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::AttendanceRegister> m_ui;

    QModelIndexList chosenCells() const;
    // F2 or a double-click on a filled cell.
    void editDetails(const QModelIndex& at);
    void showAway();
    void showStatus();
    void spanChosen();

    AttendanceSheet m_sheet;
    QDate m_shown;
};

} // namespace velmora
