#pragma once

#include "data/Database.h"

#include <QStringList>

namespace velmora {

// The one class row and the 8 x 5 timetable.
struct ClassSettings
{
    static constexpr int kPeriods = 8;
    static constexpr int kWeekdays = 5;
    static constexpr int kCells = kPeriods * kWeekdays;

    QString number; // 班级代号
    QString name; // 班级名称
    QString date; // 入学时间
    QString teacher; // 班主任
    QString count; // 班级人数
    // Cells by box index 1..40 (index 0 unused).
    QStringList cells = QStringList(kCells + 1);

    // index = 5 × (period − 1) + weekday; period 1..8, weekday 1 (Monday)..5.
    static int cellIndex(int period, int weekday) { return kWeekdays * (period - 1) + weekday; }
    static int periodOf(int index) { return (index - 1) / kWeekdays + 1; }
    static int weekdayOf(int index) { return (index - 1) % kWeekdays + 1; }
    static const QStringList& weekdayNames();

    // Values trimmed; a period without its row reads as empty cells.
    static Result<ClassSettings> load(const Database& db);
    // All or nothing. Values are stored as typed; a missing period row is
    // created, rows past the eighth are left alone. A value longer than its
    // column is refused before anything is written.
    Status save(Database& db) const;
    // Only what differs from `read` (as the window showed it), and only while
    // the stored values are still those; else nothing and a Conflict error.
    Status save(Database& db, const ClassSettings& read) const;
    // Empty when every value fits its column, else a message naming the first that does not.
    QString tooLong() const;

private:
    // The timetable rows in period order, whether or not the table numbers them.
    static Result<RecordSet> periods(const Database& db);
    Status saveFields(Database& db, const ClassSettings* read) const;
};

} // namespace velmora
