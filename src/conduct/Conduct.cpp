#include "conduct/Conduct.h"

#include "data/UserRights.h"
#include "history/History.h"

#include <QDateTime>
#include <QSet>

namespace velmora::Conduct {

namespace {

const QString kItems = QStringLiteral("操行.项目");
const QString kBase = QStringLiteral("操行.基础分");
const QString kNames = QStringLiteral("操行.等级");
const QString kBounds = QStringLiteral("操行.分数线");
const QString kRecord = QStringLiteral("操行");
const QString kGrade = QStringLiteral("操行等级");
constexpr int kMaxPoints = 100;

QString who(const Database& db)
{
    return ScoreHistory::user().isEmpty() ? db.settings().user : ScoreHistory::user();
}

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// As the history keeps a record: "2026-10-12 纪律 -2 迟到三次".
QString describe(const Entry& e)
{
    return QStringLiteral("%1 %2 %3%4 %5")
        .arg(e.date.toString(Qt::ISODate), e.item, e.points > 0 ? QStringLiteral("+") : QString())
        .arg(e.points)
        .arg(e.note)
        .trimmed();
}

Status ready(const Database& db)
{
    auto exists = available(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能记操行，请管理员先升级数据库。"));
    return Done {};
}

Status checked(const Database& db, const Entry& e)
{
    auto rules = Rules::load(db);
    if (!rules)
        return rules.error();
    if (!e.date.isValid())
        return Error::refused(QStringLiteral("日期无效。"));
    if (!rules->items.contains(e.item))
        return Error::refused(QStringLiteral("“%1”不在班级的操行项目中。").arg(e.item));
    if (e.points == 0 || qAbs(e.points) > kMaxPoints)
        return Error::refused(QStringLiteral("分数应在 -%1 到 +%1 之间，且不为 0。").arg(kMaxPoints));
    if (e.note.trimmed().size() > 200)
        return Error::refused(QStringLiteral("备注最多200个字。"));
    return Done {};
}

Result<std::optional<Entry>> fetch(const Database& db, qint64 id)
{
    auto rows = db.select(QStringLiteral("select 编号, 学号, 日期, 项目, 分数, 备注, 记录人, 时间 from velmora_conduct "
                                         "where 编号=?"),
        { id });
    if (!rows)
        return rows.error();
    rows->moveFirst();
    if (rows->eof())
        return std::optional<Entry>();
    return std::optional<Entry>(
        Entry { rows->value(0).toLongLong(), rows->text(1), QDate::fromString(rows->text(2), Qt::ISODate),
            rows->text(3), rows->value(4).toInt(), rows->text(5), rows->text(6), rows->text(7) });
}

// The writer's own record, or any for an administrator; never for a read-only user.
Result<Entry> mayChange(const Database& db, qint64 id)
{
    if (UserRights::current().readOnly)
        return Error::refused(UserRights::current().refusal());
    auto found = fetch(db, id);
    if (!found)
        return found.error();
    if (!*found)
        return Error::missing(QStringLiteral("这条操行记录已不存在。"));
    if (!UserRights::administrator() && (*found)->writer != who(db))
        return Error::refused(QStringLiteral("这条记录是%1写的，只有%1本人或管理员可以修改。").arg((*found)->writer));
    return **found;
}

} // namespace

QString Rules::gradeOf(int score) const
{
    for (const Grade& g : grades) {
        if (score >= g.lower)
            return g.name;
    }
    return grades.isEmpty() ? QString() : grades.back().name;
}

QString Rules::problem() const
{
    QSet<QString> seen;
    for (const QString& item : items) {
        if (item.trimmed().isEmpty() || item.size() > 20)
            return QStringLiteral("操行项目不能为空，每项最多20个字。");
        if (item.contains(QLatin1Char(',')) || seen.contains(item))
            return QStringLiteral("操行项目“%1”重复或含有逗号。").arg(item);
        seen.insert(item);
    }
    if (items.isEmpty())
        return QStringLiteral("至少要有一个操行项目。");
    if (base < 0 || base > 1000)
        return QStringLiteral("基础分应在 0 到 1000 之间。");
    if (grades.size() < 2)
        return QStringLiteral("至少要有两个等级。");
    seen.clear();
    for (int i = 0; i < grades.size(); ++i) {
        const QString& name = grades[i].name;
        if (name.trimmed().isEmpty() || name.size() > 10 || name.contains(QLatin1Char(',')) || seen.contains(name))
            return QStringLiteral("等级的名称不能为空或重复，最多10个字。");
        seen.insert(name);
        if (i > 0 && i + 1 < grades.size() && grades[i].lower >= grades[i - 1].lower)
            return QStringLiteral("“%1”的分数线应低于“%2”的。").arg(name, grades[i - 1].name);
    }
    return QString();
}

Result<Rules> Rules::load(const Database& db)
{
    Rules rules;
    auto exists = db.tableExists(QStringLiteral("velmora_settings"));
    if (!exists)
        return exists.error();
    if (!*exists)
        return rules;
    auto rows = db.select(
        QStringLiteral("select 名称, 值 from velmora_settings where 名称 like ?"), { QStringLiteral("操行.%") });
    if (!rows)
        return rows.error();
    QHash<QString, QString> kept;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        kept.insert(rows->text(0), rows->text(1));
    Rules read = rules;
    if (kept.contains(kItems))
        read.items = kept.value(kItems).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (kept.contains(kBase))
        read.base = kept.value(kBase).toInt();
    if (kept.contains(kNames)) {
        const QStringList names = kept.value(kNames).split(QLatin1Char(','));
        const QStringList bounds = kept.value(kBounds).split(QLatin1Char(','));
        read.grades.clear();
        for (int i = 0; i < names.size(); ++i)
            read.grades.push_back({ names[i], i + 1 < names.size() ? bounds.value(i).toInt() : 0 });
    }
    // What a hand outside the program left unusable gives way to the defaults.
    return read.problem().isEmpty() ? read : rules;
}

Status Rules::save(Database& db) const
{
    if (Status allowed = UserRights::guardAdministrator(QStringLiteral("修改操行项目和等级标准")); !allowed)
        return allowed;
    if (const QString why = problem(); !why.isEmpty())
        return Error::refused(why);
    QStringList names, bounds;
    for (int i = 0; i < grades.size(); ++i) {
        names << grades[i].name;
        if (i + 1 < grades.size())
            bounds << QString::number(grades[i].lower);
    }
    const QString joined = items.join(QLatin1Char(','));
    if (joined.size() > 200 || names.join(QLatin1Char(',')).size() > 200)
        return Error::refused(QStringLiteral("操行项目太多，合起来最多200个字。"));
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto gone
        = db.exec(QStringLiteral("delete from velmora_settings where 名称 like ?"), { QStringLiteral("操行.%") });
        !gone)
        return gone.error();
    if (Status put = db.insertRows(QStringLiteral("velmora_settings"), { QStringLiteral("名称"), QStringLiteral("值") },
            { { kItems, joined }, { kBase, QString::number(base) }, { kNames, names.join(QLatin1Char(',')) },
                { kBounds, bounds.join(QLatin1Char(',')) } });
        !put)
        return put;
    return tx.commit();
}

Result<bool> available(const Database& db)
{
    return db.tableExists(QStringLiteral("velmora_conduct"));
}

Status add(
    Database& db, const QStringList& students, const QDate& date, const QString& item, int points, const QString& note)
{
    if (UserRights::current().readOnly)
        return Error::refused(UserRights::current().refusal());
    if (Status open = ready(db); !open)
        return open;
    if (students.isEmpty())
        return Error::refused(QStringLiteral("请先选择学生。"));
    const Entry entry { 0, QString(), date, item.trimmed(), points, note.trimmed(), who(db), now() };
    if (Status fine = checked(db, entry); !fine)
        return fine;
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto known = db.texts(QStringLiteral("select 学号 from tblLogin"));
    if (!known)
        return known.error();
    QSet<QString> numbers;
    for (const QString& n : std::as_const(*known))
        numbers.insert(n.trimmed());
    QVector<QVariantList> rows;
    QVector<ScoreHistory::Change> noted;
    for (const QString& s : students) {
        const QString student = s.trimmed();
        if (!numbers.contains(student))
            return Error::missing(QStringLiteral("学号为 %1 的学生已不存在。").arg(student));
        rows.push_back({ student, date.toString(Qt::ISODate), entry.item, points, entry.note, entry.writer, entry.at });
        noted.push_back({ student, kRecord, QString(), describe(entry) });
    }
    if (Status put = db.insertRows(QStringLiteral("velmora_conduct"),
            { QStringLiteral("学号"), QStringLiteral("日期"), QStringLiteral("项目"), QStringLiteral("分数"),
                QStringLiteral("备注"), QStringLiteral("记录人"), QStringLiteral("时间") },
            rows);
        !put)
        return put;
    if (Status kept = ScoreHistory::record(db, ScoreHistory::kConduct, noted); !kept)
        return kept;
    return tx.commit();
}

Status change(Database& db, const Entry& entry)
{
    if (Status open = ready(db); !open)
        return open;
    if (Status fine = checked(db, entry); !fine)
        return fine;
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto was = mayChange(db, entry.id);
    if (!was)
        return was.error();
    if (auto set = db.exec(QStringLiteral("update velmora_conduct set 日期=?, 项目=?, 分数=?, 备注=? where 编号=?"),
            { entry.date.toString(Qt::ISODate), entry.item.trimmed(), entry.points, entry.note.trimmed(), entry.id });
        !set)
        return set.error();
    if (Status kept = ScoreHistory::record(
            db, ScoreHistory::kConduct, { { was->student, kRecord, describe(*was), describe(entry) } });
        !kept)
        return kept;
    return tx.commit();
}

Status remove(Database& db, qint64 id)
{
    if (Status open = ready(db); !open)
        return open;
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto was = mayChange(db, id);
    if (!was)
        return was.error();
    if (auto gone = db.exec(QStringLiteral("delete from velmora_conduct where 编号=?"), { id }); !gone)
        return gone.error();
    if (Status kept
        = ScoreHistory::record(db, ScoreHistory::kConduct, { { was->student, kRecord, describe(*was), QString() } });
        !kept)
        return kept;
    return tx.commit();
}

Result<QVector<Entry>> of(const Database& db, const QString& student, const QDate& from, const QDate& to)
{
    if (Status open = ready(db); !open)
        return open.error();
    auto rows = db.select(QStringLiteral("select 编号, 学号, 日期, 项目, 分数, 备注, 记录人, 时间 from velmora_conduct "
                                         "where 学号=? and 日期>=? and 日期<=? order by 日期 desc, 编号 desc"),
        { student.trimmed(), from.toString(Qt::ISODate), to.toString(Qt::ISODate) });
    if (!rows)
        return rows.error();
    QVector<Entry> out;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out.push_back({ rows->value(0).toLongLong(), rows->text(1), QDate::fromString(rows->text(2), Qt::ISODate),
            rows->text(3), rows->value(4).toInt(), rows->text(5), rows->text(6), rows->text(7) });
    return out;
}

Result<TermGrade> termGrade(
    const Database& db, const QString& student, const QString& term, const QDate& from, const QDate& to)
{
    auto rules = Rules::load(db);
    if (!rules)
        return rules.error();
    auto entries = of(db, student, from, to);
    if (!entries)
        return entries.error();
    TermGrade out;
    out.score = rules->base;
    for (const Entry& e : std::as_const(*entries))
        out.score += e.points;
    out.grade = rules->gradeOf(out.score);
    auto set
        = db.select(QStringLiteral("select 等级, 原因, 设置人 from velmora_conduct_grades where 学期=? and 学号=?"),
            { term, student.trimmed() });
    if (!set)
        return set.error();
    set->moveFirst();
    if (!set->eof()) {
        out.grade = set->text(0);
        out.byHand = true;
        out.reason = set->text(1);
        out.setBy = set->text(2);
    }
    return out;
}

Status setGrade(Database& db, const QString& student, const QString& term, const QString& grade, const QString& reason)
{
    if (Status allowed = UserRights::guardAdministrator(QStringLiteral("手动设置操行等级")); !allowed)
        return allowed;
    if (Status open = ready(db); !open)
        return open;
    const QString g = grade.trimmed(), why = reason.trimmed();
    if (!g.isEmpty() && why.isEmpty())
        return Error::refused(QStringLiteral("手动设置等级要写明原因。"));
    if (g.size() > 10 || why.size() > 200 || term.trimmed().isEmpty())
        return Error::refused(QStringLiteral("等级最多10个字，原因最多200个字。"));
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto was = db.select(
        QStringLiteral("select 等级 from velmora_conduct_grades where 学期=? and 学号=?"), { term, student.trimmed() });
    if (!was)
        return was.error();
    was->moveFirst();
    const QString before = was->eof() ? QString() : was->text(0);
    if (auto gone = db.exec(
            QStringLiteral("delete from velmora_conduct_grades where 学期=? and 学号=?"), { term, student.trimmed() });
        !gone)
        return gone.error();
    if (!g.isEmpty()) {
        if (auto put
            = db.exec(QStringLiteral("insert into velmora_conduct_grades (学期, 学号, 等级, 原因, 设置人, 时间) "
                                     "values (?, ?, ?, ?, ?, ?)"),
                { term, student.trimmed(), g, why, who(db), now() });
            !put)
            return put.error();
    }
    const QString after = g.isEmpty() ? QString() : QStringLiteral("%1（%2）").arg(g, why);
    if (Status kept
        = ScoreHistory::record(db, ScoreHistory::kConduct, { { student.trimmed(), kGrade, before, after } });
        !kept)
        return kept;
    return tx.commit();
}

} // namespace velmora::Conduct
