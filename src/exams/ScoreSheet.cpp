#include "exams/ScoreSheet.h"

#include "data/Schema.h"
#include "data/TextLimits.h"
#include "data/UserRights.h"
#include "exams/Points.h"
#include "exams/ScoreMarks.h"
#include "exams/TestLocks.h"
#include "history/History.h"

#include <QRegularExpression>

namespace velmora::Scores {

namespace {
bool isCount(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    return digits.match(text.trimmed()).hasMatch();
}
} // namespace

Result<RecordSet> rows(const Database& db, int testNumber)
{
    return db.select(QStringLiteral("select * from tblScore%1 order by 学号").arg(testNumber));
}

Result<RecordSet> row(const Database& db, int testNumber, const QString& student)
{
    return db.select(QStringLiteral("select * from tblScore%1 where 学号=?").arg(testNumber), { student });
}

Result<SubjectColumn> subjectColumn(const Database& db, int testNumber, int subject)
{
    // The column name comes from the fixed list, never from what was typed.
    auto rows = db.select(QStringLiteral("select 学号,%1 from tblScore%2 order by 学号")
                              .arg(Schema::subjects().value(subject))
                              .arg(testNumber));
    if (!rows)
        return rows.error();
    auto marks = ScoreMarks::load(db, testNumber);
    if (!marks)
        return marks.error();
    SubjectColumn column;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        column.numbers << rows->text(0);
        if (const auto tenths = Points::fromStored(rows->value(1))) {
            column.texts << Points::text(*tenths);
            column.values << *tenths;
            continue;
        }
        const QString mark = marks->value(rows->text(0)).value(Schema::subjects().value(subject));
        column.texts << mark;
        column.cheated += mark == ScoreMarks::kCheated;
    }
    return column;
}

Result<std::optional<QStringList>> studentScores(
    const Database& db, int testNumber, const QString& student, const QVector<int>& subjects)
{
    QStringList columns;
    for (int i : subjects)
        columns << Schema::subjects().value(i);
    auto row = db.select(
        QStringLiteral("select %1 from TblScore%2 where 学号=?").arg(columns.join(QLatin1Char(','))).arg(testNumber),
        { student });
    if (!row)
        return row.error();
    if (row->eof())
        return std::optional<QStringList>();
    QStringList scores;
    for (int c = 0; c < columns.size(); ++c)
        scores << Points::storedText(row->value(c));
    return std::optional<QStringList>(scores);
}

Result<int> missingStudents(const Database& db, int testNumber)
{
    auto rows = db.select(QStringLiteral("select count(*) from tblLogin where 学号 not in (select 学号 from %1)")
                              .arg(Schema::scoreTableName(testNumber)));
    if (!rows)
        return rows.error();
    return rows->value(0).toInt();
}

Status addMissingStudents(Database& db, int testNumber)
{
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (Status open = TestLocks::guard(db, testNumber); !open)
        return open;
    if (Status allowed = UserRights::guardAll(); !allowed)
        return allowed;
    auto test = Exams::fetch(db, testNumber);
    if (!test)
        return test.error();
    if (!*test)
        return Error::missing(QStringLiteral("考试号为%1的考试已不存在。").arg(testNumber));
    const QString table = Schema::scoreTableName(testNumber);
    auto missing = db.select(
        QStringLiteral("select 学号 from tblLogin where 学号 not in (select 学号 from %1) order by 学号").arg(table));
    if (!missing)
        return missing.error();
    // Older tables give a score column the default 0: a student added is one
    // with nothing entered yet, so each subject is written empty.
    QStringList columns { QStringLiteral("学号") };
    for (int i : (*test)->items.subjects)
        columns << Schema::subjects().value(i);
    QVector<QVariantList> rows;
    QVector<ScoreHistory::Change> added;
    for (missing->moveFirst(); !missing->eof(); missing->moveNext()) {
        QVariantList row { missing->text(0) };
        row.resize(columns.size());
        rows << row;
        added.push_back({ missing->text(0), QStringLiteral("学号"), QString(), QStringLiteral("加入本次考试") });
    }
    if (Status put = db.insertRows(table, columns, rows); !put)
        return put;
    if (Status noted = ScoreHistory::record(db, testNumber, added); !noted)
        return noted;
    return tx.commit();
}

QString check(const TestItems& items, const ScoreEntry& e)
{
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        // An empty box is a score not entered (or under a mark, the mark kept).
        if (!items.hasSubject(i) || e.subjects.value(i).trimmed().isEmpty())
            continue;
        const auto tenths = Points::parse(e.subjects.value(i).trimmed(), items.halves);
        if (!tenths || *tenths > items.fullMarksOf(i) * Points::kTenths)
            return (items.halves ? QStringLiteral("“%1”的成绩必须是0到%2之间的数（最多一位小数），请重新填写！")
                                 : QStringLiteral("“%1”的成绩必须是0到%2之间的整数，请重新填写！"))
                .arg(Schema::subjects()[i])
                .arg(items.fullMarksOf(i));
    }
    if (items.attendance) {
        for (int d = 0; d < Schema::attendanceItems().size(); ++d) {
            if (!isCount(e.duties.value(d)))
                return QStringLiteral("“%1”的天数必须是0到%2之间的整数，请重新填写！")
                    .arg(Schema::attendanceItems()[d])
                    .arg(kMaxScore);
        }
    }
    if (items.comment && TextLimits::charCount(e.comment) > kMaxComment)
        return QStringLiteral("教师评语最多只能写%1个字，现在有%2个字，请删减后再保存！")
            .arg(kMaxComment)
            .arg(TextLimits::charCount(e.comment));
    return {};
}

namespace {

// The test as the window read it, or nothing is written: its number is
// never given to another test, but it may be gone or changed meanwhile, and
// its full marks may have been lowered since.
Status sameTest(const Database& db, int testNumber, const TestItems& items, const ScoreEntry& e)
{
    auto test = Exams::fetch(db, testNumber);
    if (!test)
        return test.error();
    if (!*test)
        return Error { QStringLiteral("3021"), QStringLiteral("考试 %1 已被删除，成绩没有保存。").arg(testNumber),
            Error::Kind::Missing };
    if ((*test)->items.subjects != items.subjects || (*test)->items.attendance != items.attendance
        || (*test)->items.comment != items.comment)
        return Error { QStringLiteral("3021"),
            QStringLiteral("考试 %1 的考核项目已被修改，成绩没有保存，请关闭本窗口后重新打开。").arg(testNumber),
            Error::Kind::Conflict };
    if (const QString problem = check((*test)->items, e); !problem.isEmpty())
        return Error::refused(problem);
    return Done {};
}

struct Field
{
    QString column;
    QString typed;
    QString read;
    bool text;
    QString mark; // a subject's mark as the window showed it
    bool score = false;
    bool halves = false;
    // What the window showed: the score, else the mark.
    QString shown() const { return read.trimmed().isEmpty() ? mark : read.trimmed(); }
};

// Every box the test uses, with what was typed and what the window read.
QVector<Field> fieldsOf(const TestItems& items, const ScoreEntry& e, const ScoreEntry& read)
{
    QVector<Field> fields;
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        // An empty box under a mark keeps it: nothing to write.
        if (items.hasSubject(i) && !(e.subjects[i].trimmed().isEmpty() && !read.marks.value(i).isEmpty()))
            fields.push_back({ Schema::subjects()[i], e.subjects[i], read.subjects.value(i), false, read.marks.value(i),
                true, items.halves });
    }
    if (items.attendance) {
        for (int d = 0; d < Schema::attendanceItems().size(); ++d)
            fields.push_back({ Schema::attendanceItems()[d], e.duties[d], read.duties.value(d), false, {} });
    }
    if (items.comment)
        fields.push_back({ QStringLiteral("教师评语"), e.comment, read.comment, true, {} });
    return fields;
}

QVariant stored(const Field& f, const QString& text)
{
    if (f.text)
        return text;
    if (text.trimmed().isEmpty())
        return QVariant();
    if (f.score)
        return Points::value(Points::parse(text.trimmed(), f.halves).value_or(0));
    return QVariant(text.trimmed().toInt());
}

// When guarded, only while each field still holds what the window read,
// compared under the table's write lock: a comment stored by another program
// as bytes that are not UTF-8 reads back altered and would never match in SQL.
// Each cell whose stored value changes goes into the history, in the same
// transaction.
Status write(Database& db, int testNumber, const QString& student, const QVector<Field>& fields, bool guarded)
{
    if (fields.isEmpty())
        return Done {};
    const QString table = Schema::scoreTableName(testNumber);
    QStringList sets;
    QVariantList values;
    for (const Field& f : fields) {
        sets << f.column + QStringLiteral("=?");
        values << stored(f, f.typed);
    }
    values << student;
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (Status open = TestLocks::guard(db, testNumber); !open)
        return open;
    QStringList columns;
    for (const Field& f : fields)
        columns << f.column;
    if (Status allowed = UserRights::guard(columns); !allowed)
        return allowed;
    if (auto locked = db.exec(db.dialect().lockTableSql(table)); !locked)
        return locked.error();
    auto now = db.select(QStringLiteral("select * from %1 where 学号=?").arg(table), { student });
    if (!now)
        return now.error();
    if (now->eof())
        return Error { QStringLiteral("3021"), QStringLiteral("学号为 %1 的成绩记录已不存在。").arg(student),
            Error::Kind::Missing };
    auto held = ScoreMarks::ofStudent(db, testNumber, student);
    if (!held)
        return held.error();
    // The score, else the subject's mark.
    const auto current = [&](const Field& f) {
        const QString score = f.score ? Points::storedText(now->value(f.column)) : now->text(f.column);
        return score.isEmpty() ? held->value(f.column) : score;
    };
    if (guarded) {
        QStringList changed;
        for (const Field& f : fields) {
            if (current(f) != f.shown())
                changed << QStringLiteral("%1：您打开时是“%2”，现在是“%3”").arg(f.column, f.shown(), current(f));
        }
        if (!changed.isEmpty())
            return Error::conflict(
                QStringLiteral("别人刚修改了这名学生的下列成绩，本次没有保存，您输入的内容仍然保留：\r\n")
                + changed.join(QStringLiteral("\r\n")));
    }
    QVector<ScoreHistory::Change> changes;
    QVector<ScoreMarks::Change> marks;
    for (const Field& f : fields) {
        const QString before = current(f);
        const QVariant value = stored(f, f.typed);
        const QString after = f.score ? Points::storedText(value) : value.toString();
        if (before != after)
            changes.push_back({ student, f.column, before, after });
        // A number typed over a mark replaces it.
        if (const QString mark = held->value(f.column); !mark.isEmpty())
            marks.push_back({ student, f.column, mark, QString() });
    }
    auto updated
        = db.exec(QStringLiteral("update %1 set %2 where 学号=?").arg(table, sets.join(QStringLiteral(", "))), values);
    if (!updated)
        return updated.error();
    if (*updated == 0)
        return Error { QStringLiteral("3021"), QStringLiteral("学号为 %1 的成绩记录已不存在。").arg(student),
            Error::Kind::Missing };
    if (Status unmarked = ScoreMarks::write(db, testNumber, marks); !unmarked)
        return unmarked;
    if (Status noted = ScoreHistory::record(db, testNumber, changes); !noted)
        return noted;
    return tx.commit();
}

} // namespace

Status save(Database& db, int testNumber, const TestItems& items, const ScoreEntry& e)
{
    if (const QString problem = check(items, e); !problem.isEmpty())
        return Error::refused(problem);
    if (Status same = sameTest(db, testNumber, items, e); !same)
        return same;
    return write(db, testNumber, e.student.trimmed(), fieldsOf(items, e, e), false);
}

Status save(Database& db, int testNumber, const TestItems& items, const ScoreEntry& e, const ScoreEntry& read)
{
    if (const QString problem = check(items, e); !problem.isEmpty())
        return Error::refused(problem);
    if (Status same = sameTest(db, testNumber, items, e); !same)
        return same;
    QVector<Field> changed;
    for (const Field& f : fieldsOf(items, e, read)) {
        if (f.typed != f.read)
            changed << f;
    }
    return write(db, testNumber, e.student.trimmed(), changed, true);
}

} // namespace velmora::Scores
