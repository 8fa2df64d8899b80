#include "attendance/SchoolCalendar.h"

#include "data/UserRights.h"

namespace velmora::SchoolCalendar {

namespace {

const QString kChangeCalendar = QStringLiteral("修改学期和上课日");

QDate dayOf(const QString& text)
{
    return QDate::fromString(text, Qt::ISODate);
}

Status refusedWithoutTables(const Database& db)
{
    auto exists = available(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能记考勤，请管理员先升级数据库。"));
    return Done {};
}

} // namespace

QString weekdayName(const QDate& day)
{
    static const QString names[] = { QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
        QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六"), QStringLiteral("星期日") };
    return day.isValid() ? names[day.dayOfWeek() - 1] : QString();
}

QString dayText(const QDate& day)
{
    return day.toString(Qt::ISODate);
}

Result<bool> available(const Database& db)
{
    return db.tableExists(QStringLiteral("velmora_attendance"));
}

Result<QVector<Term>> terms(const Database& db)
{
    auto exists = available(db);
    if (!exists)
        return exists.error();
    QVector<Term> out;
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 名称, 开始, 结束 from velmora_school_terms order by 开始"));
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out << Term { rows->text(0), dayOf(rows->text(1)), dayOf(rows->text(2)) };
    return out;
}

Result<std::optional<Term>> termOn(const Database& db, const QDate& day)
{
    auto all = terms(db);
    if (!all)
        return all.error();
    for (const Term& t : std::as_const(*all)) {
        if (t.first <= day && day <= t.last)
            return std::optional<Term>(t);
    }
    return std::optional<Term>();
}

Status saveTerm(Database& db, const Term& term, const QString& replacing)
{
    if (Status allowed = UserRights::guardAdministrator(kChangeCalendar); !allowed)
        return allowed;
    if (Status ready = refusedWithoutTables(db); !ready)
        return ready;
    const QString name = term.name.trimmed();
    if (name.isEmpty())
        return Error::refused(QStringLiteral("请输入学期的名称。"));
    if (name.size() > 50)
        return Error::refused(QStringLiteral("学期的名称最多50个字。"));
    if (!term.first.isValid() || !term.last.isValid() || term.last < term.first)
        return Error::refused(QStringLiteral("学期的最后一天不能早于第一天。"));
    if (term.first.daysTo(term.last) > 366)
        return Error::refused(QStringLiteral("一个学期不能超过一年。"));
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto locked = db.exec(db.dialect().lockTableSql(QStringLiteral("velmora_school_terms"))); !locked)
        return locked.error();
    auto others = db.select(QStringLiteral("select 名称 from velmora_school_terms where 名称<>? and 名称<>? "
                                           "and 开始<=? and 结束>=?"),
        { replacing, name, dayText(term.last), dayText(term.first) });
    if (!others)
        return others.error();
    others->moveFirst();
    if (!others->eof())
        return Error::conflict(QStringLiteral("这个学期和“%1”的日期重叠了。").arg(others->text(0)));
    if (!replacing.isEmpty() && replacing != name) {
        auto taken = db.select(QStringLiteral("select 名称 from velmora_school_terms where 名称=?"), { name });
        if (!taken)
            return taken.error();
        taken->moveFirst();
        if (!taken->eof())
            return Error::conflict(QStringLiteral("已经有名为“%1”的学期。").arg(name));
    }
    for (const QString& gone : { replacing, name }) {
        if (auto removed = db.exec(QStringLiteral("delete from velmora_school_terms where 名称=?"), { gone }); !removed)
            return removed.error();
    }
    if (auto put = db.exec(QStringLiteral("insert into velmora_school_terms (名称, 开始, 结束) values (?, ?, ?)"),
            { name, dayText(term.first), dayText(term.last) });
        !put)
        return put.error();
    return tx.commit();
}

Status removeTerm(Database& db, const QString& name)
{
    if (Status allowed = UserRights::guardAdministrator(kChangeCalendar); !allowed)
        return allowed;
    if (Status ready = refusedWithoutTables(db); !ready)
        return ready;
    if (auto removed = db.exec(QStringLiteral("delete from velmora_school_terms where 名称=?"), { name }); !removed)
        return removed.error();
    return Done {};
}

Result<QVector<Exception>> exceptions(const Database& db, const QDate& from, const QDate& to)
{
    auto exists = available(db);
    if (!exists)
        return exists.error();
    QVector<Exception> out;
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 日期, 上课, 说明 from velmora_school_days where 日期>=? and 日期<=? "
                                         "order by 日期"),
        { dayText(from), dayText(to) });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out << Exception { dayOf(rows->text(0)), rows->value(1).toInt() != 0, rows->text(2) };
    return out;
}

Status setDay(Database& db, const QDate& day, std::optional<bool> school, const QString& note)
{
    if (Status allowed = UserRights::guardAdministrator(kChangeCalendar); !allowed)
        return allowed;
    if (Status ready = refusedWithoutTables(db); !ready)
        return ready;
    if (!day.isValid())
        return Error::refused(QStringLiteral("日期无效。"));
    if (note.trimmed().size() > 50)
        return Error::refused(QStringLiteral("说明最多50个字。"));
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto removed = db.exec(QStringLiteral("delete from velmora_school_days where 日期=?"), { dayText(day) });
        !removed)
        return removed.error();
    // Only what differs from the weekday is kept.
    const bool weekday = day.dayOfWeek() <= 5;
    if (school && *school != weekday) {
        if (auto put = db.exec(QStringLiteral("insert into velmora_school_days (日期, 上课, 说明) values (?, ?, ?)"),
                { dayText(day), *school ? 1 : 0, note.trimmed() });
            !put)
            return put.error();
    }
    return tx.commit();
}

bool isSchoolDay(const QDate& day, const QHash<QDate, bool>& exceptions)
{
    const auto found = exceptions.constFind(day);
    return found != exceptions.cend() ? *found : day.dayOfWeek() <= 5;
}

Result<QVector<QDate>> schoolDays(const Database& db, const QDate& from, const QDate& to)
{
    auto listed = exceptions(db, from, to);
    if (!listed)
        return listed.error();
    QHash<QDate, bool> marked;
    for (const Exception& e : std::as_const(*listed))
        marked.insert(e.date, e.school);
    QVector<QDate> out;
    for (QDate d = from; d.isValid() && d <= to; d = d.addDays(1)) {
        if (isSchoolDay(d, marked))
            out << d;
    }
    return out;
}

} // namespace velmora::SchoolCalendar
