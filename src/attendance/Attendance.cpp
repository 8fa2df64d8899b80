#include "attendance/Attendance.h"

#include "attendance/SchoolCalendar.h"
#include "data/UserRights.h"
#include "history/History.h"

#include <QHash>
#include <QSet>
#include <array>

namespace velmora::Attendance {

namespace {

struct KindWords
{
    Kind kind;
    QString name;
    QChar code;
    QChar initial; // pinyin, for typing without an input method
    bool halves;
};

const std::array<KindWords, 5>& kinds()
{
    static const std::array<KindWords, 5> list { {
        { Kind::Sick, QStringLiteral("病假"), QChar(u'病'), QLatin1Char('b'), true },
        { Kind::Personal, QStringLiteral("事假"), QChar(u'事'), QLatin1Char('s'), true },
        { Kind::Truant, QStringLiteral("旷课"), QChar(u'旷'), QLatin1Char('k'), true },
        { Kind::Late, QStringLiteral("迟到"), QChar(u'迟'), QLatin1Char('c'), false },
        { Kind::Early, QStringLiteral("早退"), QChar(u'早'), QLatin1Char('z'), false },
    } };
    return list;
}

const KindWords& wordsOf(Kind kind)
{
    return kinds()[std::size_t(kind)];
}

const QString kHalf = QStringLiteral("半");

Result<QSet<QString>> classStudents(const Database& db)
{
    auto numbers = db.texts(QStringLiteral("select 学号 from tblLogin"));
    if (!numbers)
        return numbers.error();
    QSet<QString> out;
    for (const QString& n : std::as_const(*numbers))
        out.insert(n.trimmed());
    return out;
}

Result<QString> storedCode(const Database& db, const QString& student, const QDate& day)
{
    auto rows = db.select(QStringLiteral("select 类别, 半天 from velmora_attendance where 学号=? and 日期=?"),
        { student, SchoolCalendar::dayText(day) });
    if (!rows)
        return rows.error();
    rows->moveFirst();
    if (rows->eof())
        return QString();
    auto cell = parse(rows->text(0) + (rows->value(1).toInt() != 0 ? kHalf : QString()));
    return cell ? code(*cell) : rows->text(0);
}

} // namespace

QString kindName(Kind kind)
{
    return wordsOf(kind).name;
}

QString code(const Cell& cell)
{
    const KindWords& w = wordsOf(cell.kind);
    return QString(w.code) + (cell.half && w.halves ? kHalf : QString());
}

std::optional<Cell> parse(const QString& typed)
{
    QString t = typed.trimmed().toLower();
    bool half = false;
    for (const QString& mark : { kHalf, QStringLiteral("½"), QStringLiteral("h") }) {
        if (t.size() > mark.size() && t.endsWith(mark)) {
            t.chop(mark.size());
            half = true;
            break;
        }
    }
    t = t.trimmed();
    for (const KindWords& w : kinds()) {
        if (t == w.name || t == QString(w.code) || t == QString(w.initial)) {
            if (half && !w.halves)
                return std::nullopt;
            Cell cell;
            cell.kind = w.kind;
            cell.half = half;
            return cell;
        }
    }
    return std::nullopt;
}

Result<QVector<Entry>> entries(const Database& db, const QDate& from, const QDate& to)
{
    auto exists = SchoolCalendar::available(db);
    if (!exists)
        return exists.error();
    QVector<Entry> out;
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 学号, 日期, 类别, 半天, 原因, 就诊, 备注 from velmora_attendance "
                                         "where 日期>=? and 日期<=? order by 日期, 学号"),
        { SchoolCalendar::dayText(from), SchoolCalendar::dayText(to) });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        auto cell = parse(rows->text(2) + (rows->value(3).toInt() != 0 ? kHalf : QString()));
        if (!cell)
            continue; // a kind a later version added
        cell->reason = rows->text(4);
        cell->sawDoctor = rows->value(5).toInt() != 0;
        cell->note = rows->text(6);
        out << Entry { rows->text(0), QDate::fromString(rows->text(1), Qt::ISODate), *cell };
    }
    return out;
}

Status write(Database& db, const QVector<Change>& changes)
{
    if (Status allowed = UserRights::guardAll(); !allowed)
        return allowed;
    auto exists = SchoolCalendar::available(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能记考勤，请管理员先升级数据库。"));
    if (changes.isEmpty())
        return Done {};
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto students = classStudents(db);
    if (!students)
        return students.error();
    QDate first = changes.front().date, last = first;
    for (const Change& c : changes) {
        first = qMin(first, c.date);
        last = qMax(last, c.date);
    }
    auto days = SchoolCalendar::schoolDays(db, first, last);
    if (!days)
        return days.error();
    const QSet<QDate> school(days->cbegin(), days->cend());
    QVector<ScoreHistory::Change> noted;
    for (const Change& c : changes) {
        const QString student = c.student.trimmed();
        if (!students->contains(student))
            return Error::missing(QStringLiteral("学号为 %1 的学生已不存在。").arg(student));
        if (c.cell && !school.contains(c.date))
            return Error::refused(
                QStringLiteral("%1不上课，不能记考勤。").arg(c.date.toString(QStringLiteral("M月d日"))));
        if (c.cell && (c.cell->reason.trimmed().size() > 50 || c.cell->note.trimmed().size() > 200))
            return Error::refused(QStringLiteral("原因最多50个字，备注最多200个字。"));
        auto before = storedCode(db, student, c.date);
        if (!before)
            return before.error();
        const QString day = SchoolCalendar::dayText(c.date);
        if (auto removed
            = db.exec(QStringLiteral("delete from velmora_attendance where 学号=? and 日期=?"), { student, day });
            !removed)
            return removed.error();
        if (c.cell) {
            const Cell& cell = *c.cell;
            const bool half = cell.half && wordsOf(cell.kind).halves;
            if (auto put = db.exec(QStringLiteral("insert into velmora_attendance (学号, 日期, 类别, 半天, 原因, 就诊, "
                                                  "备注) values (?, ?, ?, ?, ?, ?, ?)"),
                    { student, day, kindName(cell.kind), half ? 1 : 0, cell.reason.trimmed(), cell.sawDoctor ? 1 : 0,
                        cell.note.trimmed() });
                !put)
                return put.error();
        }
        const QString after = c.cell ? code(*c.cell) : QString();
        if (after != *before)
            noted.push_back({ student, day, *before, after });
    }
    if (Status kept = ScoreHistory::record(db, ScoreHistory::kAttendance, noted); !kept)
        return kept;
    return tx.commit();
}

QString daysText(int halves)
{
    return daysValue(halves).toString();
}

QVariant daysValue(int halves)
{
    return halves % 2 == 0 ? QVariant(halves / 2) : QVariant(halves / 2.0);
}

Totals tally(const QVector<Entry>& entries, const QVector<QDate>& schoolDays)
{
    const QSet<QDate> school(schoolDays.cbegin(), schoolDays.cend());
    Totals t;
    t.schoolDays = int(schoolDays.size());
    for (const Entry& e : entries) {
        if (!school.contains(e.date))
            continue;
        const int halves = e.cell.half ? 1 : 2;
        switch (e.cell.kind) {
        case Kind::Sick:
            t.sickHalves += halves;
            break;
        case Kind::Personal:
            t.personalHalves += halves;
            break;
        case Kind::Truant:
            t.truantHalves += halves;
            break;
        case Kind::Late:
            ++t.late;
            break;
        case Kind::Early:
            ++t.early;
            break;
        }
    }
    return t;
}

Result<QMap<QString, Totals>> totals(const Database& db, const QDate& from, const QDate& to)
{
    auto students = classStudents(db);
    if (!students)
        return students.error();
    auto days = SchoolCalendar::schoolDays(db, from, to);
    if (!days)
        return days.error();
    auto all = entries(db, from, to);
    if (!all)
        return all.error();
    QHash<QString, QVector<Entry>> byStudent;
    for (const Entry& e : std::as_const(*all))
        byStudent[e.student] << e;
    QMap<QString, Totals> out;
    for (const QString& s : std::as_const(*students))
        out.insert(s, tally(byStudent.value(s), *days));
    return out;
}

Result<SheetTable> totalsSheet(const Database& db, const QDate& from, const QDate& to)
{
    auto all = totals(db, from, to);
    if (!all)
        return all.error();
    auto names = db.select(QStringLiteral("select 学号, 姓名 from tblLogin order by 学号"));
    if (!names)
        return names.error();
    SheetTable sheet;
    sheet.title = QStringLiteral("考勤统计");
    sheet.headers = QStringList { QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("上课天数"),
        QStringLiteral("出勤"), kindName(Kind::Sick), kindName(Kind::Personal), kindName(Kind::Truant),
        kindName(Kind::Late), kindName(Kind::Early) };
    for (names->moveFirst(); !names->eof(); names->moveNext()) {
        const QString number = names->text(0).trimmed();
        const Totals t = all->value(number);
        sheet.rows.push_back({ number, names->text(1).trimmed(), t.schoolDays, daysValue(t.presentHalves()),
            daysValue(t.sickHalves), daysValue(t.personalHalves), daysValue(t.truantHalves), t.late, t.early });
    }
    return sheet;
}

Result<QStringList> awayOn(const Database& db, const QDate& day)
{
    auto found = entries(db, day, day);
    if (!found)
        return found.error();
    auto names = db.select(QStringLiteral("select 学号, 姓名 from tblLogin"));
    if (!names)
        return names.error();
    QHash<QString, QString> nameOf;
    for (names->moveFirst(); !names->eof(); names->moveNext())
        nameOf.insert(names->text(0).trimmed(), names->text(1).trimmed());
    QStringList out;
    for (const Entry& e : std::as_const(*found)) {
        if (e.cell.kind == Kind::Late || e.cell.kind == Kind::Early)
            continue;
        QStringList why;
        if (!e.cell.reason.isEmpty())
            why << e.cell.reason;
        if (e.cell.kind == Kind::Sick && e.cell.sawDoctor)
            why << QStringLiteral("已就诊");
        if (!e.cell.note.isEmpty())
            why << e.cell.note;
        out << nameOf.value(e.student, e.student) + QLatin1Char(' ') + kindName(e.cell.kind)
                + (e.cell.half ? QStringLiteral("半天") : QString())
                + (why.isEmpty() ? QString() : QStringLiteral("（%1）").arg(why.join(QStringLiteral("，"))));
    }
    return out;
}

TestCounts testCounts(const Totals& t)
{
    const auto days = [](int halves) { return (halves + 1) / 2; };
    return { days(t.presentHalves()), days(t.sickHalves), days(t.truantHalves), days(t.personalHalves),
        t.late + t.early };
}

QString summary(const Totals& totals)
{
    QStringList parts {
        QStringLiteral("上课 %1 天，出勤 %2 天").arg(totals.schoolDays).arg(daysText(totals.presentHalves()))
    };
    const std::pair<const char*, int> halves[] { { "病假", totals.sickHalves }, { "事假", totals.personalHalves },
        { "旷课", totals.truantHalves } };
    for (const auto& [kind, n] : halves) {
        if (n > 0)
            parts << QStringLiteral("%1 %2 天").arg(QString::fromUtf8(kind), daysText(n));
    }
    if (totals.late > 0)
        parts << QStringLiteral("迟到 %1 次").arg(totals.late);
    if (totals.early > 0)
        parts << QStringLiteral("早退 %1 次").arg(totals.early);
    return parts.join(QStringLiteral("，"));
}

} // namespace velmora::Attendance
