#include "data/DatabaseCopy.h"

#include "data/Passwords.h"
#include "data/Schema.h"

#include <QCryptographicHash>

namespace velmora::DatabaseCopy {

namespace {

// Ours, in the order they are filled; the embedded file's own login and the
// version row are each database's own.
QStringList ownTables()
{
    return { QString::fromLatin1(Passwords::kTable), QStringLiteral("velmora_phrases"),
        QStringLiteral("velmora_counters"), QStringLiteral("velmora_fullmarks"),
        QStringLiteral("velmora_score_history"), QStringLiteral("velmora_deleted_tests"),
        QStringLiteral("velmora_student_ids"), QStringLiteral("velmora_test_facts"),
        QStringLiteral("velmora_questions"), QStringLiteral("velmora_question_scores"),
        QStringLiteral("velmora_import_columns"), QStringLiteral("velmora_score_marks"),
        QStringLiteral("velmora_settings"), QStringLiteral("velmora_terms"), QStringLiteral("velmora_test_locks"),
        QStringLiteral("velmora_user_rights"), QStringLiteral("velmora_class_figures"),
        QStringLiteral("velmora_school_terms"), QStringLiteral("velmora_school_days"),
        QStringLiteral("velmora_attendance"), QStringLiteral("velmora_conduct"),
        QStringLiteral("velmora_conduct_grades"), QStringLiteral("velmora_term_book"),
        QStringLiteral("velmora_term_notices") };
}

struct ScoreTable
{
    QString name;
    int number;
    QVector<int> subjects;
    bool attendance;
    bool comment;
};

// Every test's score table and every kept one of a deleted test, with what
// each holds, read from the definitions.
Result<QVector<ScoreTable>> scoreTables(const Database& db)
{
    QVector<ScoreTable> out;
    auto tests = db.select(QStringLiteral("select * from tblTestInfo order by 考试号"));
    if (!tests)
        return tests.error();
    for (tests->moveFirst(); !tests->eof(); tests->moveNext()) {
        ScoreTable t { Schema::scoreTableName(tests->value(u"考试号").toInt()), tests->value(u"考试号").toInt(), {},
            tests->value(u"出勤").toInt() != 0, tests->value(u"教师评语").toInt() != 0 };
        for (int i = 0; i < Schema::subjects().size(); ++i) {
            if (tests->value(Schema::subjects()[i]).toInt() != 0)
                t.subjects << i;
        }
        out << t;
    }
    auto keeps = db.tableExists(QStringLiteral("velmora_deleted_tests"));
    if (!keeps)
        return keeps.error();
    if (*keeps) {
        auto deleted = db.select(QStringLiteral("select 考试号, 科目, 出勤, 教师评语 from velmora_deleted_tests"));
        if (!deleted)
            return deleted.error();
        for (deleted->moveFirst(); !deleted->eof(); deleted->moveNext()) {
            const int number = deleted->value(0).toInt();
            const QString name = QStringLiteral("velmora_deleted_score%1").arg(number);
            auto kept = db.tableExists(name);
            if (!kept)
                return kept.error();
            if (!*kept)
                continue;
            ScoreTable t { name, number, {}, deleted->value(2).toInt() != 0, deleted->value(3).toInt() != 0 };
            for (const QString& s : deleted->text(1).split(QLatin1Char(','), Qt::SkipEmptyParts))
                t.subjects << s.toInt();
            out << t;
        }
    }
    return out;
}

// Whether a column holds numbers: the embedded file takes text in them
// ("" for an unticked flag), a server does not.
bool numeric(const QString& table, const QString& column)
{
    if (const TableDef* fixed = Schema::fixedTable(table)) {
        const ColumnDef* c = fixed->column(column);
        return c && c->kind == ColumnKind::Integer;
    }
    const bool scores = table.startsWith(QLatin1String("tblScore"), Qt::CaseInsensitive)
        || table.startsWith(QLatin1String("velmora_deleted_score"));
    return scores && column != QStringLiteral("学号") && column != QStringLiteral("教师评语");
}

QVariant asStored(const QVariant& value, bool number)
{
    // A typed null would go to the server as text ("").
    if (value.isNull())
        return QVariant();
    if (!number || value.typeId() != QMetaType::QString)
        return value;
    const QString t = value.toString().trimmed();
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    if (ok)
        return QVariant(n);
    // A half point (98.5) of a score.
    const double d = t.toDouble(&ok);
    return ok ? QVariant(d) : QVariant();
}

Status copyRows(const Database& from, Database& to, const QString& table)
{
    auto rows = from.select(QStringLiteral("select * from %1").arg(table));
    if (!rows)
        return rows.error();
    auto target = to.select(QStringLiteral("select * from %1 where 1=0").arg(table));
    if (!target)
        return target.error();
    // Columns by name; the server folds unquoted ones to lower case.
    QStringList columns;
    QVector<int> sources;
    QVector<bool> numbers;
    for (const QString& name : target->fieldNames()) {
        const int at = rows->indexOf(name);
        if (at >= 0) {
            columns << name;
            sources << at;
            numbers << numeric(table, rows->fieldName(at));
        }
    }
    if (columns.isEmpty())
        return Done {};
    const QString sql = QStringLiteral("insert into %1 (%2) values (%3)")
                            .arg(table, columns.join(QStringLiteral(", ")),
                                QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    for (const QVector<QVariant>& row : rows->rows()) {
        QVariantList values;
        values.reserve(sources.size());
        for (int i = 0; i < sources.size(); ++i)
            values << asStored(row.value(sources[i]), numbers[i]);
        if (auto added = to.exec(sql, values); !added)
            return Error { added.error().number,
                QStringLiteral("复制表 %1 时出错：%2").arg(table, added.error().description), added.error().kind };
    }
    return Done {};
}

Result<qint64> rowCount(const Database& db, const QString& table)
{
    auto rows = db.select(QStringLiteral("select count(*) from %1").arg(table));
    if (!rows)
        return rows.error();
    return rows->value(0).toLongLong();
}

// What the target holds beyond a new database's starting rows, as the user
// reads it: a copy would replace it, so any of it refuses the copy.
Result<QStringList> heldBy(const Database& db)
{
    QStringList held;
    const QList<std::pair<QString, QString>> counted {
        { QStringLiteral("tblLogin"), QStringLiteral("学生") },
        { QStringLiteral("tblTestInfo"), QStringLiteral("考试") },
        { QStringLiteral("velmora_phrases"), QStringLiteral("自己的评语") },
        { QStringLiteral("velmora_counters"), QStringLiteral("考试号记录") },
        { QStringLiteral("velmora_fullmarks"), QStringLiteral("满分设置") },
        { QStringLiteral("velmora_score_history"), QStringLiteral("成绩修改记录") },
        { QStringLiteral("velmora_deleted_tests"), QStringLiteral("已删除的考试") },
        { QStringLiteral("velmora_student_ids"), QStringLiteral("学生考号") },
        { QStringLiteral("velmora_test_facts"), QStringLiteral("成绩单信息") },
        { QStringLiteral("velmora_questions"), QStringLiteral("小题设置") },
        { QStringLiteral("velmora_import_columns"), QStringLiteral("导入表头设置") },
        { QStringLiteral("velmora_score_marks"), QStringLiteral("缺考等标记") },
        { QStringLiteral("velmora_settings"), QStringLiteral("统计标准") },
        { QStringLiteral("velmora_terms"), QStringLiteral("学期总评设置") },
        { QStringLiteral("velmora_test_locks"), QStringLiteral("锁定的考试") },
        { QStringLiteral("velmora_user_rights"), QStringLiteral("用户任教科目") },
        { QStringLiteral("velmora_class_figures"), QStringLiteral("平行班统计") },
        { QStringLiteral("velmora_school_terms"), QStringLiteral("学期") },
        { QStringLiteral("velmora_school_days"), QStringLiteral("放假和调休") },
        { QStringLiteral("velmora_attendance"), QStringLiteral("考勤") },
        { QStringLiteral("velmora_conduct"), QStringLiteral("操行记录") },
        { QStringLiteral("velmora_conduct_grades"), QStringLiteral("手动操行等级") },
        { QStringLiteral("velmora_term_book"), QStringLiteral("学期评语") },
        { QStringLiteral("velmora_term_notices"), QStringLiteral("假期通知") },
    };
    for (const auto& [table, what] : counted) {
        auto exists = db.tableExists(table);
        if (!exists)
            return exists.error();
        if (!*exists)
            continue;
        auto n = rowCount(db, table);
        if (!n)
            return n.error();
        if (*n > 0)
            held << QStringLiteral("%1 %2 条").arg(what).arg(*n);
    }
    auto users = db.texts(QStringLiteral("select UserName from tblUsers where UserName not in (?, ?)"),
        { QStringLiteral("admin"), QStringLiteral("teacher") });
    if (!users)
        return users.error();
    for (const QString& u : std::as_const(*users))
        held << QStringLiteral("用户 %1").arg(u);
    auto all = db.texts(db.dialect().tablesSql());
    if (!all)
        return all.error();
    for (const QString& t : std::as_const(*all)) {
        if (t.startsWith(QLatin1String("tblscore"), Qt::CaseInsensitive)
            || t.startsWith(QLatin1String("velmora_deleted_score"), Qt::CaseInsensitive))
            held << QStringLiteral("成绩表 %1").arg(t);
    }
    return held;
}

// The tables a database of ours holds beside the class's: each its own.
bool isInfrastructure(const QString& table)
{
    return table.compare(QLatin1String("velmora_schema"), Qt::CaseInsensitive) == 0
        || table.compare(QLatin1String("velmora_dblogin"), Qt::CaseInsensitive) == 0;
}

// What the source holds that a copy would not carry: tables and columns
// this program does not know (a school's own table, a 身份证号 column).
Result<QStringList> unknownIn(const Database& from, const Database& to, const QStringList& copied)
{
    auto hidden = from.texts(from.dialect().viewsAndTriggersSql());
    if (!hidden)
        return hidden.error();
    QStringList unknown = *hidden;
    auto all = from.texts(from.dialect().tablesSql());
    if (!all)
        return all.error();
    for (const QString& t : std::as_const(*all)) {
        if (!copied.contains(t, Qt::CaseInsensitive) && !isInfrastructure(t))
            unknown << t;
    }
    for (const QString& t : copied) {
        auto source = from.select(QStringLiteral("select * from %1 where 1=0").arg(t));
        auto target = to.select(QStringLiteral("select * from %1 where 1=0").arg(t));
        if (!source)
            return source.error();
        if (!target)
            return target.error();
        for (const QString& c : source->fieldNames()) {
            if (!target->fieldNames().contains(c, Qt::CaseInsensitive))
                unknown << t + QLatin1Char('.') + c;
        }
    }
    return unknown;
}

} // namespace

Result<QStringList> tables(const Database& db)
{
    QStringList out;
    for (const TableDef& t : Schema::fixedTables())
        out << t.name;
    for (const QString& t : ownTables()) {
        auto exists = db.tableExists(t);
        if (!exists)
            return exists.error();
        if (*exists)
            out << t;
    }
    auto scores = scoreTables(db);
    if (!scores)
        return scores.error();
    for (const ScoreTable& t : std::as_const(*scores))
        out << t.name;
    return out;
}

Result<Counts> count(const Database& db, const QStringList& tables)
{
    Counts c;
    for (const QString& t : tables) {
        auto n = rowCount(db, t);
        if (!n)
            return n.error();
        c.rows.insert(t, *n);
    }
    auto photos = db.select(QStringLiteral("select 学号, 照片 from tblLogin order by 学号"));
    if (!photos)
        return photos.error();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (photos->moveFirst(); !photos->eof(); photos->moveNext()) {
        const QByteArray bytes = photos->value(1).toByteArray();
        c.photoBytes += bytes.size();
        hash.addData(photos->value(0).toString().toUtf8());
        hash.addData(QByteArray::number(bytes.size()));
        hash.addData(bytes);
    }
    c.photoHash = hash.result();
    return c;
}

Status copy(const Database& from, Database& to, const Progress& progress)
{
    auto source = Schema::version(from);
    auto target = Schema::version(to);
    if (!source)
        return source.error();
    if (!target)
        return target.error();
    if (*source != Schema::kLatestVersion || *target != Schema::kLatestVersion)
        return Error::refused(
            QStringLiteral("两个数据库都要是本版本的（版本 %1），请先升级数据库。").arg(Schema::kLatestVersion));
    auto held = heldBy(to);
    if (!held)
        return held.error();
    if (!held->isEmpty())
        return Error::refused(QStringLiteral("目标数据库里已有数据（%1），只能复制到新建的空数据库中。")
                                  .arg(held->mid(0, 6).join(QStringLiteral("、"))));
    auto all = tables(from);
    if (!all)
        return all.error();
    auto scores = scoreTables(from);
    if (!scores)
        return scores.error();
    auto before = count(from, *all);
    if (!before)
        return before.error();

    Transaction tx(to);
    if (!tx.started())
        return tx.error();
    // The new database's starting rows (class row, periods, two users) give way.
    for (const TableDef& t : Schema::fixedTables()) {
        if (auto cleared = to.exec(QStringLiteral("delete from %1").arg(t.name)); !cleared)
            return cleared.error();
    }
    for (const QString& t : ownTables()) {
        auto exists = to.tableExists(t);
        if (!exists)
            return exists.error();
        if (*exists)
            if (auto cleared = to.exec(QStringLiteral("delete from %1").arg(t)); !cleared)
                return cleared.error();
    }
    for (const ScoreTable& s : std::as_const(*scores)) {
        QString sql = Schema::createScoreTableSql(to.dialect(), s.number, s.subjects, s.attendance, s.comment);
        sql.replace(Schema::scoreTableName(s.number), s.name);
        if (auto made = to.exec(sql); !made)
            return made.error();
    }
    // Counting only what was copied would call a copy that dropped them verified.
    auto unknown = unknownIn(from, to, *all);
    if (!unknown)
        return unknown.error();
    if (!unknown->isEmpty())
        return Error::refused(QStringLiteral("来源数据库中有本程序不认识的表或列（%1），复制不了它们，所以没有复制。"
                                             "请先把它们另外保存或移走。")
                                  .arg(unknown->mid(0, 8).join(QStringLiteral("、"))));
    int done = 0;
    for (const QString& t : *all) {
        if (Status copied = copyRows(from, to, t); !copied)
            return copied;
        if (progress && !progress(++done, int(all->size())))
            return Error::refused(QStringLiteral("已取消，目标数据库没有改动。"));
    }
    for (const QString& numbered : { QStringLiteral("velmora_score_history"), QStringLiteral("velmora_conduct") }) {
        const QString follow = to.dialect().followIdsSql(numbered, QStringLiteral("编号"));
        if (follow.isEmpty() || !all->contains(numbered))
            continue;
        if (auto followed = to.select(follow); !followed)
            return followed.error();
    }
    auto after = count(to, *all);
    if (!after)
        return after.error();
    if (!(*after == *before)) {
        QStringList differ;
        for (auto it = before->rows.cbegin(); it != before->rows.cend(); ++it) {
            if (after->rows.value(it.key()) != it.value())
                differ << QStringLiteral("%1（%2 行，复制后 %3 行）")
                              .arg(it.key())
                              .arg(it.value())
                              .arg(after->rows.value(it.key()));
        }
        if (after->photoHash != before->photoHash)
            differ << QStringLiteral("照片（%1 字节，复制后 %2 字节）").arg(before->photoBytes).arg(after->photoBytes);
        return Error { QString(), QStringLiteral("复制后核对不一致，已撤销：") + differ.join(QStringLiteral("、")) };
    }
    return tx.commit();
}

} // namespace velmora::DatabaseCopy
