#include "classes/ClassSettings.h"

#include "data/TextLimits.h"

namespace velmora {

namespace {
struct Field {
    const char* column;
    QString ClassSettings::*member;
};
const Field kFields[] = {
    { "班级代号", &ClassSettings::number }, { "班级名称", &ClassSettings::name },  { "入学时间", &ClassSettings::date },
    { "班主任", &ClassSettings::teacher },  { "班级人数", &ClassSettings::count },
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
        return DbError { QStringLiteral("3021"), QStringLiteral("数据库中没有班级信息（tblClass 中没有记录）。") };
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
    if (const QString problem = tooLong(); !problem.isEmpty())
        return DbError { QStringLiteral("-1"), problem };
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto cls = db.exec(QStringLiteral("update tblClass set 班级代号=?, 班主任=?, 入学时间=?, 班级名称=?, 班级人数=?"),
                       { number, teacher, date, name, count });
    if (!cls)
        return cls.error();
    if (*cls == 0)
        return DbError { QStringLiteral("3021"), QStringLiteral("数据库中没有班级信息（tblClass 中没有记录）。") };
    auto stored = periods(db);
    if (!stored)
        return stored.error();
    const bool numbered = stored->indexOf(u"节次") >= 0;
    QVector<QVariant> where;
    for (stored->moveFirst(); !stored->eof(); stored->moveNext())
        where << stored->value(numbered ? u"节次" : u"velmora_at");
    const QString match = numbered ? QStringLiteral("节次=?") : db.dialect().rowMatch();
    for (int period = 1; period <= kPeriods; ++period) {
        QVariantList values;
        for (int day = 1; day <= kWeekdays; ++day)
            values << cells[cellIndex(period, day)];
        if (!numbered) {
            // Each row saved in place, in period order, so the stored order stays; a missing one goes last.
            Result<qint64> written = qint64(0);
            if (period <= where.size()) {
                values << where[period - 1].toString();
                written = db.exec(QStringLiteral("update tblTbl set 星期一=?, 星期二=?, 星期三=?, 星期四=?, 星期五=? where ")
                                      + match,
                                  values);
            } else {
                written = db.exec(
                    QStringLiteral("insert into tblTbl (星期一, 星期二, 星期三, 星期四, 星期五) values (?, ?, ?, ?, ?)"), values);
            }
            if (!written)
                return written.error();
            continue;
        }
        values << period;
        auto updated = db.exec(
            QStringLiteral("update tblTbl set 星期一=?, 星期二=?, 星期三=?, 星期四=?, 星期五=? where 节次=?"), values);
        if (!updated)
            return updated.error();
        if (*updated == 0) {
            values.prepend(values.takeLast());
            auto inserted = db.exec(QStringLiteral("insert into tblTbl (节次, 星期一, 星期二, 星期三, 星期四, 星期五) "
                                                   "values (?, ?, ?, ?, ?, ?)"),
                                    values);
            if (!inserted)
                return inserted.error();
        }
    }
    return tx.commit();
}

} // namespace velmora
