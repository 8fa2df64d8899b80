#include "classes/ClassSettings.h"

#include "data/TextLimits.h"
#include "data/UserRights.h"

#include <QHash>

namespace velmora {

namespace {
struct Field
{
    const char* column;
    QString ClassSettings::*member;
};
const Field kFields[] = {
    { "班级代号", &ClassSettings::number },
    { "班级名称", &ClassSettings::name },
    { "入学时间", &ClassSettings::date },
    { "班主任", &ClassSettings::teacher },
    { "班级人数", &ClassSettings::count },
};
} // namespace

const QStringList& ClassSettings::weekdayNames()
{
    static const QStringList names { QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
        QStringLiteral("星期四"), QStringLiteral("星期五") };
    return names;
}

Result<ClassSettings> ClassSettings::load(const Database& db)
{
    ClassSettings s;
    auto cls = db.select(QStringLiteral("select * from tblClass"));
    if (!cls)
        return cls.error();
    if (cls->eof())
        return Error { QStringLiteral("3021"), QStringLiteral("数据库中没有班级信息（tblClass 中没有记录）。"),
            Error::Kind::Missing };
    for (const Field& f : kFields)
        s.*f.member = cls->text(QString::fromUtf8(f.column));

    auto table = periods(db);
    if (!table)
        return table.error();
    int period = 0;
    for (table->moveFirst(); !table->eof() && period < kPeriods; table->moveNext()) {
        period = table->indexOf(u"节次") >= 0 ? table->value(u"节次").toInt() : period + 1;
        for (int day = 1; day <= kWeekdays && period >= 1 && period <= kPeriods; ++day)
            s.cells[cellIndex(period, day)] = table->text(weekdayNames()[day - 1]);
    }
    return s;
}

Result<RecordSet> ClassSettings::periods(const Database& db)
{
    auto columns = db.select(QStringLiteral("select * from tblTbl where 1=0"));
    if (!columns)
        return columns.error();
    if (columns->indexOf(u"节次") >= 0)
        return db.select(QStringLiteral("select * from tblTbl where 节次 between 1 and 8 order by 节次"));
    // A table as first designed has no period column: the rows as stored are periods 1 to 8.
    const QString at = db.dialect().rowLocator();
    return db.select(QStringLiteral("select %1 as velmora_at, * from tblTbl order by %1").arg(at));
}

QString ClassSettings::tooLong() const
{
    for (const Field& f : kFields) {
        const QString column = QString::fromUtf8(f.column);
        if (!TextLimits::fits(u"tblClass", column, this->*f.member))
            return QStringLiteral("%1最多只能输入%2个字符！").arg(column).arg(TextLimits::limit(u"tblClass", column));
    }
    for (int i = 1; i <= kCells; ++i) {
        const QString& day = weekdayNames()[weekdayOf(i) - 1];
        if (!TextLimits::fits(u"tblTbl", day, cells[i]))
            return QStringLiteral("课程表%1第%2节最多只能输入%3个字符！")
                .arg(day)
                .arg(periodOf(i))
                .arg(TextLimits::limit(u"tblTbl", day));
    }
    return {};
}

Status ClassSettings::save(Database& db) const
{
    return saveFields(db, nullptr);
}

Status ClassSettings::save(Database& db, const ClassSettings& read) const
{
    return saveFields(db, &read);
}

namespace {
// "col=?" for what changed, "col=col" for the rest; `checks` keeps what the
// window read of each changed value, compared with the stored row under the
// write lock rather than in SQL, where text stored as bytes that are not
// UTF-8 would never match itself.
struct Assignments
{
    QStringList sets;
    QVariantList values;
    QVector<QPair<QString, QString>> checks;
    bool any = false;

    void add(const QString& column, const QString& typed, const QString* read)
    {
        if (read && typed == *read) {
            sets << QStringLiteral("%1=%1").arg(column);
            return;
        }
        any = true;
        sets << column + QStringLiteral("=?");
        values << typed;
        if (read)
            checks.push_back({ column, read->trimmed() });
    }
    // Whether the current row of `now` still holds every value read.
    bool unchangedIn(const RecordSet& now) const
    {
        for (const auto& [column, read] : checks) {
            if (now.text(column) != read)
                return false;
        }
        return true;
    }
};
} // namespace

Status ClassSettings::saveFields(Database& db, const ClassSettings* read) const
{
    if (Status allowed = UserRights::guardAdministrator(UserRights::kChangeClass); !allowed)
        return allowed;
    if (const QString problem = tooLong(); !problem.isEmpty())
        return Error::refused(problem);
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (read) {
        for (const char* table : { "tblClass", "tblTbl" }) {
            if (auto locked = db.exec(db.dialect().lockTableSql(QString::fromLatin1(table))); !locked)
                return locked.error();
        }
    }
    QStringList changedByOthers;
    Assignments row;
    for (const Field& f : kFields)
        row.add(QString::fromUtf8(f.column), this->*f.member, read ? &(read->*f.member) : nullptr);
    if (row.any) {
        auto current = db.select(QStringLiteral("select * from tblClass"));
        if (!current)
            return current.error();
        if (current->eof() && !read)
            return Error { QStringLiteral("3021"), QStringLiteral("数据库中没有班级信息（tblClass 中没有记录）。"),
                Error::Kind::Missing };
        if (current->eof() || !row.unchangedIn(*current)) {
            changedByOthers << QStringLiteral("班级信息");
        } else if (auto cls = db.exec(
                       QStringLiteral("update tblClass set %1").arg(row.sets.join(QStringLiteral(", "))), row.values);
                   !cls) {
            return cls.error();
        }
    }
    auto stored = periods(db);
    if (!stored)
        return stored.error();
    const bool numbered = stored->indexOf(u"节次") >= 0;
    // Each stored period's position in `stored`, to compare its cells.
    QVector<QVariant> where;
    QHash<int, int> positionOf;
    int position = 0;
    for (stored->moveFirst(); !stored->eof(); stored->moveNext(), ++position) {
        where << stored->value(numbered ? u"节次" : u"velmora_at");
        positionOf.insert(numbered ? stored->value(u"节次").toInt() : position + 1, position);
    }
    const QString match = numbered ? QStringLiteral("节次=?") : db.dialect().rowMatch();
    for (int period = 1; period <= kPeriods; ++period) {
        // Every row is written, changed or not: rows stored without a period
        // number keep their order only when all are rewritten in turn.
        Assignments cellsOf;
        for (int day = 1; day <= kWeekdays; ++day)
            cellsOf.add(weekdayNames()[day - 1], cells[cellIndex(period, day)],
                read ? &read->cells[cellIndex(period, day)] : nullptr);
        if (positionOf.contains(period)) {
            stored->moveFirst();
            for (int i = 0; i < positionOf.value(period); ++i)
                stored->moveNext();
            if (!cellsOf.unchangedIn(*stored)) {
                changedByOthers << QStringLiteral("课程表第%1节").arg(period);
                continue;
            }
            const QVariant at = numbered ? QVariant(period) : QVariant(where[positionOf.value(period)].toString());
            auto updated = db.exec(
                QStringLiteral("update tblTbl set %1 where ").arg(cellsOf.sets.join(QStringLiteral(", "))) + match,
                cellsOf.values + QVariantList { at });
            if (!updated)
                return updated.error();
            continue;
        }
        // A missing period is added after the others.
        QVariantList values;
        for (int day = 1; day <= kWeekdays; ++day)
            values << cells[cellIndex(period, day)];
        auto inserted = numbered
            ? db.exec(
                QStringLiteral(
                    "insert into tblTbl (节次, 星期一, 星期二, 星期三, 星期四, 星期五) values (?, ?, ?, ?, ?, ?)"),
                QVariantList { period } + values)
            : db.exec(
                QStringLiteral("insert into tblTbl (星期一, 星期二, 星期三, 星期四, 星期五) values (?, ?, ?, ?, ?)"),
                values);
        if (!inserted)
            return inserted.error();
    }
    if (!changedByOthers.isEmpty())
        return Error::conflict(
            QStringLiteral("别人刚修改了%1，本次没有保存，您输入的内容仍然保留。请返回后重新打开班级设置，再作修改。")
                .arg(changedByOthers.join(QStringLiteral("、"))));
    return tx.commit();
}

} // namespace velmora
