#include "exams/ScoreMarks.h"

namespace velmora::ScoreMarks {

Total totalOf(const QVector<std::optional<int>>& scores, const QStringList& marks, const QVector<int>& fullMarks,
    const StatsRules& rules)
{
    Total t;
    t.exempt = !fullMarks.isEmpty();
    bool missing = false;
    for (int s = 0; s < fullMarks.size(); ++s) {
        std::optional<int> score = s < scores.size() ? scores[s] : std::nullopt;
        const QString mark = score ? QString() : marks.value(s);
        if (mark == kExempt)
            continue;
        t.exempt = false;
        t.fullMarks += fullMarks[s];
        if (!score && mark == kCheated && rules.cheatAsZero)
            score = 0;
        if (score) {
            t.sum += *score;
            t.any = true;
        } else {
            missing = true;
        }
    }
    t.whole = t.any && !missing;
    return t;
}

namespace {
const QString kTable = QStringLiteral("velmora_score_marks");
} // namespace

const QStringList& words()
{
    static const QStringList list { kAbsent, kExempt, kDeferred, kCheated };
    return list;
}

QString markFor(const QString& text)
{
    QString t = text.simplified();
    t.remove(QLatin1Char(' '));
    if (t.isEmpty())
        return {};
    if (t.startsWith(kAbsent) || t == u"缺" || t == u"未考" || t == u"未扫" || t == u"缺席")
        return kAbsent;
    if (t == kExempt || t == u"免")
        return kExempt;
    if (t == kDeferred || t == u"缓")
        return kDeferred;
    if (t == kCheated || t == u"弊" || t == u"违纪")
        return kCheated;
    return {};
}

Result<bool> kept(const Database& db)
{
    return db.tableExists(kTable);
}

Result<TestMarks> load(const Database& db, int test)
{
    TestMarks out;
    auto exists = kept(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 学号, 项目, 标记 from velmora_score_marks where 考试号=?"), { test });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        if (const QString mark = rows->text(2); isMark(mark))
            out[rows->text(0).trimmed()].insert(rows->text(1), mark);
    }
    return out;
}

Result<QHash<QString, QString>> ofStudent(const Database& db, int test, const QString& student)
{
    QHash<QString, QString> out;
    auto exists = kept(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 项目, 标记 from velmora_score_marks where 考试号=? and 学号=?"),
        { test, student.trimmed() });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        if (isMark(rows->text(1)))
            out.insert(rows->text(0), rows->text(1));
    }
    return out;
}

Result<QHash<int, QHash<QString, QString>>> ofStudentInAll(const Database& db, const QString& student)
{
    QHash<int, QHash<QString, QString>> out;
    auto exists = kept(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    auto rows = db.select(
        QStringLiteral("select 考试号, 项目, 标记 from velmora_score_marks where 学号=?"), { student.trimmed() });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        if (isMark(rows->text(2)))
            out[rows->value(0).toInt()].insert(rows->text(1), rows->text(2));
    }
    return out;
}

Result<QString> of(const Database& db, int test, const QString& student, const QString& subject)
{
    auto exists = kept(db);
    if (!exists)
        return exists.error();
    if (!*exists)
        return QString();
    auto mark = db.select(QStringLiteral("select 标记 from velmora_score_marks where 考试号=? and 学号=? and 项目=?"),
        { test, student.trimmed(), subject });
    if (!mark)
        return mark.error();
    return mark->eof() || !isMark(mark->text(0)) ? QString() : mark->text(0);
}

Status write(Database& db, int test, const QVector<Change>& changes)
{
    QVector<QVariantList> added;
    for (const Change& c : changes) {
        if (c.before == c.after)
            continue;
        // Few cells carry a mark: only those that had one, or take one, are
        // looked for; another program may have put one there meanwhile.
        if (!c.before.isEmpty() || !c.after.isEmpty()) {
            auto gone = db.exec(QStringLiteral("delete from velmora_score_marks where 考试号=? and 学号=? and 项目=?"),
                { test, c.student.trimmed(), c.subject });
            if (!gone)
                return gone.error();
        }
        if (!c.after.isEmpty())
            added.push_back({ test, c.student.trimmed(), c.subject, c.after });
    }
    return db.insertRows(kTable,
        { QStringLiteral("考试号"), QStringLiteral("学号"), QStringLiteral("项目"), QStringLiteral("标记") }, added);
}

} // namespace velmora::ScoreMarks
