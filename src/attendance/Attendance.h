#pragma once

#include "data/Database.h"
#include "sheets/SheetTable.h"

#include <QDate>
#include <QMap>
#include <QVector>
#include <optional>

namespace velmora::Attendance {

enum class Kind { Sick, Personal, Truant, Late, Early };

// One student's one school day in the register.
struct Cell
{
    Kind kind = Kind::Sick;
    bool half = false; // 病假, 事假 and 旷课 may be half a day
    QString reason; // for 病假: the illness (发热, 腹泻 …)
    bool sawDoctor = false; // 就诊
    QString note;

    friend bool operator==(const Cell&, const Cell&) = default;
};

// 病假, 事假, 旷课, 迟到, 早退: as stored and as the totals are headed.
QString kindName(Kind kind);
// What the register shows: 病, 事, 旷, 迟, 早, with 半 for half a day.
QString code(const Cell& cell);
// What a teacher types: the code (病 事 旷 迟 早) or the kind's name, or the
// pinyin initial (b s k c z); 半, ½ or h after it makes it half a day.
// Empty or unknown gives nothing.
std::optional<Cell> parse(const QString& typed);

struct Entry
{
    QString student;
    QDate date;
    Cell cell;
};

// The register's entries from one day to another, both included, by day then student.
Result<QVector<Entry>> entries(const Database& db, const QDate& from, const QDate& to);

// A cell set (or cleared, with no cell) as the register saves it.
struct Change
{
    QString student;
    QDate date;
    std::optional<Cell> cell;
};

// All or nothing, each change in the history. Refused for a user limited
// to some subjects or to reading, for a day that is no school day and for
// a student the class does not have.
Status write(Database& db, const QVector<Change>& changes);

// A student's figures over a span of school days. Absences count in half
// days so that one routine turns them into the days every output shows.
struct Totals
{
    int schoolDays = 0;
    int sickHalves = 0;
    int personalHalves = 0;
    int truantHalves = 0;
    int late = 0;
    int early = 0;

    int absentHalves() const { return sickHalves + personalHalves + truantHalves; }
    int presentHalves() const { return schoolDays * 2 - absentHalves(); }
};

// Half days as days: 3, 2.5.
QString daysText(int halves);

// Half days as the number a sheet holds: 3 or 2.5.
QVariant daysValue(int halves);

// A student's figures in one line: "上课 20 天，出勤 18.5 天", then each kind there is.
QString summary(const Totals& totals);

// Tallies entries over the given school days; entries on other days do not count.
Totals tally(const QVector<Entry>& entries, const QVector<QDate>& schoolDays);
// Every student of the class, by 学号, over the school days of the span.
Result<QMap<QString, Totals>> totals(const Database& db, const QDate& from, const QDate& to);

// The totals as every window, export and print shows them: 学号, 姓名,
// 上课天数, 出勤, 病假, 事假, 旷课 (days), 迟到, 早退 (times); a row per student.
Result<SheetTable> totalsSheet(const Database& db, const QDate& from, const QDate& to);

// Who is away on a day and why, for the daily report to the school:
// "张三 病假半天（发热，已就诊）", by 学号. Late and early count as there.
Result<QStringList> awayOn(const Database& db, const QDate& day);

// A test's attendance columns (出勤共, 病假, 旷课, 事假, 迟到早退, in that
// order) from the register, per 学号. A test counts whole days: each figure
// is its days rounded half up (1.5 days of 病假 go in as 2).
struct TestCounts
{
    int present = 0;
    int sick = 0;
    int truant = 0;
    int personal = 0;
    int lateOrEarly = 0;
};
TestCounts testCounts(const Totals& totals);

} // namespace velmora::Attendance
