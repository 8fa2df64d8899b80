#include "exams/ScoreHistory.h"

#include "data/Schema.h"
#include "data/UserRights.h"
#include "exams/Points.h"
#include "exams/ScoreMarks.h"
#include "exams/TestLocks.h"

namespace velmora::ScoreHistory {

namespace {

// The columns a history entry may name: nothing else becomes SQL text.
bool isScoreColumn(const QString& column)
{
    return Schema::subjects().contains(column) || Schema::attendanceItems().contains(column)
        || column == QStringLiteral("教师评语");
}

// Where an entry's value is written back: the table, the column as the
// table names it, how the student's row is found, and the value to write.
struct Target
{
    QString table;
    QString column;
    QString rowMatch; // "… = ?", bound to key
    QString key;
    QVariant value;
    QString missing;
    int test = 0; // a subject's cell, which may hold a mark instead of a score
};

// Only while the cell still holds what the entry made it; recorded too.
Status writeBack(Database& db, const Entry& entry, const Target& to)
{
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (entry.test != kStudentRecords) {
        if (Status open = TestLocks::guard(db, entry.test); !open)
            return open;
    }
    // A student's record is no subject: only an unlimited user puts it back.
    if (Status allowed = UserRights::guard({ entry.column }); !allowed)
        return allowed;
    if (auto locked = db.exec(db.dialect().lockTableSql(to.table)); !locked)
        return locked.error();
    auto now
        = db.select(QStringLiteral("select %1 from %2 where %3").arg(to.column, to.table, to.rowMatch), { to.key });
    if (!now)
        return now.error();
    if (now->eof())
        return Error { QStringLiteral("3021"), to.missing, Error::Kind::Missing };
    // A score reads back as it is shown: 98, not the server's 98.0.
    QString current = to.test > 0 ? Points::storedText(now->value(0)) : now->text(0);
    QString mark;
    if (to.test > 0 && current.isEmpty()) {
        auto held = ScoreMarks::of(db, to.test, to.key, to.column);
        if (!held)
            return held.error();
        current = mark = *held;
    }
    if (current != entry.after)
        return Error::conflict(QStringLiteral("%1 的“%2”现在是“%3”，已不是这条记录改成的“%4”，没有恢复。")
                                   .arg(entry.student, entry.column, current, entry.after));
    if (auto set = db.exec(
            QStringLiteral("update %1 set %2=? where %3").arg(to.table, to.column, to.rowMatch), { to.value, to.key });
        !set)
        return set.error();
    if (to.test > 0) {
        const QString back = ScoreMarks::isMark(entry.before) ? entry.before : QString();
        if (Status marked = ScoreMarks::write(db, to.test, { { to.key, to.column, mark, back } }); !marked)
            return marked;
    }
    if (Status noted = record(db, entry.test, { { entry.student, entry.column, current, entry.before } }); !noted)
        return noted;
    return tx.commit();
}

} // namespace

Status putBack(Database& db, const Entry& entry)
{
    if (entry.test == kAttendance || entry.test == kConduct)
        return Error::refused(QStringLiteral("考勤和操行的修改记录只能查看，请在考勤登记或操行记录中修改。"));
    if (entry.test == kStudentRecords) {
        const TableDef* students = Schema::fixedTable(u"tblLogin");
        const ColumnDef* column = students ? students->column(entry.column) : nullptr;
        if (!column || column->kind != ColumnKind::Text || entry.column == QStringLiteral("学号"))
            return Error::refused(QStringLiteral("“%1”不是学生信息中的项目。").arg(entry.column));
        return writeBack(db, entry,
            { QStringLiteral("tblLogin"), column->name, QStringLiteral("trim(学号)=?"), entry.student.trimmed(),
                entry.before, QStringLiteral("学号为 %1 的学生已不存在。").arg(entry.student) });
    }
    if (!isScoreColumn(entry.column))
        return Error::refused(QStringLiteral("“%1”不是成绩表中的项目。").arg(entry.column));
    if (entry.testDeleted)
        return Error::refused(QStringLiteral("这次考试已被删除，不能恢复其中的成绩。"));
    const bool text = entry.column == QStringLiteral("教师评语");
    const QVariant value = text                                                ? QVariant(entry.before)
        : entry.before.trimmed().isEmpty() || ScoreMarks::isMark(entry.before) ? QVariant()
        : Schema::subjects().contains(entry.column)
        ? Points::value(Points::parse(entry.before.trimmed(), true).value_or(0))
        : QVariant(entry.before.trimmed().toInt());
    const bool subject = Schema::subjects().contains(entry.column);
    return writeBack(db, entry,
        { Schema::scoreTableName(entry.test), entry.column, QStringLiteral("学号=?"), entry.student, value,
            QStringLiteral("学号为 %1 的成绩记录已不存在。").arg(entry.student), subject ? entry.test : 0 });
}

} // namespace velmora::ScoreHistory
