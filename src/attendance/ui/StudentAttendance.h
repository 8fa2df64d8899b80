#pragma once

#include "attendance/Attendance.h"
#include "attendance/SchoolCalendar.h"

#include <QDialog>
#include <memory>

namespace Ui {
class StudentAttendance;
}

namespace velmora {

class Module1;

// 学生考勤: one student's register for the term, from the student's record
// form: the days away, the totals, and a day entered as in the register.
class StudentAttendance : public QDialog
{
    Q_OBJECT

public:
    StudentAttendance(Module1& session, const QString& number, const QString& name, QWidget* parent = nullptr);
    ~StudentAttendance() override;

    // The current term, else the last begun, else the last 30 days; false after a message.
    bool load();
    // The day as typed: a code, or nothing for present. False after a message.
    bool record();

private:
    Module1& m_session;
    std::unique_ptr<Ui::StudentAttendance> m_ui;

    void showDay();
    void editDetails();
    void showDetails();

    QString m_number;
    QString m_name;
    QDate m_from;
    QDate m_to;
    QVector<Attendance::Entry> m_entries;
    Attendance::Cell m_details; // the reason, 就诊 and note the day is recorded with
};

} // namespace velmora
