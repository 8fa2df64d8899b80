#include "exams/TestRecord.h"

#include "data/Schema.h"
#include "exams/ScoreHistory.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace velmora {

namespace {
bool g_failAfterCreate = false;

TestRecord fromRow(const RecordSet& rows)
{
    TestRecord t;
    t.number = rows.value(u"考试号").toInt();
    t.name = rows.text(u"考试名称");
    t.date = rows.text(u"考试日期");
    t.type = rows.text(u"考试类型");
    t.memo = rows.text(u"备注");
    const QStringList& subjects = Schema::subjects();
    for (int i = 0; i < subjects.size(); ++i) {
        if (rows.text(subjects[i]) == QLatin1String("1"))
            t.items.subjects << i;
    }
    t.items.attendance = rows.text(u"出勤") == QLatin1String("1");
    t.items.comment = rows.text(u"教师评语") == QLatin1String("1");
    return t;
}
} // namespace

QStringList TestItems::scoreColumns() const
{
    QStringList columns { QStringLiteral("学号") };
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        if (hasSubject(i))
            columns << Schema::subjects()[i];
    }
    if (attendance)
        columns << Schema::attendanceItems();
    if (comment)
        columns << QStringLiteral("教师评语");
    return columns;
}

QString TestItems::caption(int index) const
{
    const QString name = Schema::subjects().value(index);
    const int marks = fullMarksOf(index);
    return marks == kDefaultFullMarks ? name : QStringLiteral("%1(%2)").arg(name).arg(marks);
}

QString TestItems::subjectText() const
{
    QString text;
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        if (hasSubject(i))
            text += (i == 13 ? QStringLiteral("健康教育") : Schema::subjects()[i]) + QLatin1Char(' ');
    }
    return text;
}

namespace Exams {

const QStringList& types()
{
    static const QStringList list { QStringLiteral("平时考试"), QStringLiteral("期中考试1"), QStringLiteral("期末考试"),
        QStringLiteral("期中考试2"), QStringLiteral("期终考试") };
    return list;
}

bool isFinalType(const QString& type)
{
    return type == QStringLiteral("期终考试") || type == QStringLiteral("期末考试");
}

namespace {
const QString kHighestTest = QStringLiteral("考试号");
const QString kFullMarks = QStringLiteral("velmora_fullmarks");

// Full marks kept for the tests listed, or for every test when number is 0.
// A database from before they were kept has every subject out of 100.
Status readFullMarks(const Database& db, QVector<TestRecord>& tests, int number)
{
    auto kept = db.tableExists(kFullMarks);
    if (!kept)
        return kept.error();
    if (!*kept || tests.isEmpty())
        return Done {};
    auto rows = number
        ? db.select(QStringLiteral("select 考试号, 科目, 满分 from velmora_fullmarks where 考试号=?"), { number })
        : db.select(QStringLiteral("select 考试号, 科目, 满分 from velmora_fullmarks"));
    if (!rows)
        return rows.error();
    QHash<int, int> at;
    for (int i = 0; i < tests.size(); ++i)
        at.insert(tests[i].number, i);
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        const auto test = at.constFind(rows->value(0).toInt());
        const int subject = int(Schema::subjects().indexOf(rows->text(1)));
        const int marks = rows->value(2).toInt();
        if (test != at.constEnd() && subject >= 0 && marks > 0 && marks <= TestItems::kMaxFullMarks)
            tests[*test].items.fullMarks[subject] = marks;
    }
    return Done {};
}

Result<bool> fullMarksKept(const Database& db)
{
    return db.tableExists(kFullMarks);
}

const QString kNoFullMarksTable
    = QStringLiteral("这个数据库还不能保存满分，请管理员先升级数据库（velmora-initdb --upgrade）。");

// Inside the caller's transaction: only full marks other than 100 take a row.
Status writeFullMarks(Database& db, int number, int subject, int marks)
{
    auto kept = fullMarksKept(db);
    if (!kept)
        return kept.error();
    if (!*kept)
        return marks == TestItems::kDefaultFullMarks ? Status(Done {}) : Status(Error::refused(kNoFullMarksTable));
    const QString name = Schema::subjects()[subject];
    if (auto gone
        = db.exec(QStringLiteral("delete from velmora_fullmarks where 考试号=? and 科目=?"), { number, name });
        !gone)
        return gone.error();
    if (marks == TestItems::kDefaultFullMarks)
        return Done {};
    if (auto added = db.exec(QStringLiteral("insert into velmora_fullmarks (考试号, 科目, 满分) values (?, ?, ?)"),
            { number, name, marks });
        !added)
        return added.error();
    return Done {};
}
} // namespace

Result<int> nextNumber(const Database& db)
{
    auto rows = db.select(QStringLiteral("select max(考试号) from tblTestInfo"));
    if (!rows)
        return rows.error();
    int next = rows->value(0).isNull() ? 1 : rows->value(0).toInt() + 1;
    // A deleted test's number is never given again: score entry still open
    // on it must not save into a new test (databases made before the
    // counter know only the numbers in use).
    auto counted = db.tableExists(QStringLiteral("velmora_counters"));
    if (!counted)
        return counted.error();
    if (*counted) {
        auto highest = db.select(QStringLiteral("select 值 from velmora_counters where 名称=?"), { kHighestTest });
        if (!highest)
            return highest.error();
        if (!highest->eof())
            next = std::max(next, highest->value(0).toInt() + 1);
    }
    // A score table left behind without its test keeps its number too.
    for (;; ++next) {
        auto taken = db.tableExists(Schema::scoreTableName(next));
        if (!taken)
            return taken.error();
        if (!*taken)
            return next;
    }
}

namespace {
// The counter only ever grows.
Status rememberNumber(Database& db, int number)
{
    auto counted = db.tableExists(QStringLiteral("velmora_counters"));
    if (!counted)
        return counted.error();
    if (!*counted)
        return Done {};
    auto updated = db.exec(
        QStringLiteral("update velmora_counters set 值=? where 名称=? and 值<?"), { number, kHighestTest, number });
    if (!updated)
        return updated.error();
    auto present = db.select(QStringLiteral("select count(*) from velmora_counters where 名称=?"), { kHighestTest });
    if (!present)
        return present.error();
    if (present->value(0).toInt() == 0) {
        if (auto added = db.exec(
                QStringLiteral("insert into velmora_counters (名称, 值) values (?, ?)"), { kHighestTest, number });
            !added)
            return added.error();
    }
    return Done {};
}
} // namespace

Result<QVector<TestRecord>> list(const Database& db)
{
    auto rows = db.select(QStringLiteral("select * from tblTestInfo ORDER BY 考试号"));
    if (!rows)
        return rows.error();
    QVector<TestRecord> tests;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        tests << fromRow(*rows);
    if (Status marks = readFullMarks(db, tests, 0); !marks)
        return marks.error();
    return tests;
}

Result<std::optional<TestRecord>> fetch(const Database& db, int number)
{
    auto rows = db.select(QStringLiteral("select * from tblTestInfo where 考试号=?"), { number });
    if (!rows)
        return rows.error();
    if (rows->eof())
        return std::optional<TestRecord>();
    QVector<TestRecord> test { fromRow(*rows) };
    if (Status marks = readFullMarks(db, test, number); !marks)
        return marks.error();
    return std::optional<TestRecord>(test.first());
}

namespace {

Result<DefinedTest> defineOnce(Database& db, const NewTest& test)
{
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    const QString lock = db.dialect().lockTableSql(QStringLiteral("tblTestInfo"));
    if (!lock.isEmpty()) {
        if (auto locked = db.exec(lock); !locked)
            return locked.error();
    }
    auto number = nextNumber(db);
    if (!number)
        return number.error();
    if (Status kept = rememberNumber(db, *number); !kept)
        return kept.error();

    QStringList columns { QStringLiteral("考试号"), QStringLiteral("考试名称"), QStringLiteral("考试日期"),
        QStringLiteral("考试类型") };
    QVariantList values { *number, test.name, test.date, test.type };
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        if (test.items.hasSubject(i)) {
            columns << Schema::subjects()[i];
            values << 1;
        }
    }
    if (test.items.attendance) {
        columns << QStringLiteral("出勤");
        values << 1;
    }
    if (test.items.comment) {
        columns << QStringLiteral("教师评语");
        values << 1;
    }
    columns << QStringLiteral("备注");
    values << test.memo;
    auto row = db.exec(QStringLiteral("insert into tblTestInfo (%1) values (%2)")
                           .arg(columns.join(QStringLiteral(", ")),
                               QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
        values);
    if (!row)
        return row.error();
    auto table = db.exec(Schema::createScoreTableSql(
        db.dialect(), *number, test.items.subjects, test.items.attendance, test.items.comment));
    if (!table)
        return table.error();
    for (int i : test.items.subjects) {
        if (Status marks = writeFullMarks(db, *number, i, test.items.fullMarksOf(i)); !marks)
            return marks.error();
    }
    if (g_failAfterCreate)
        return Error { QString(), QStringLiteral("测试用的故障") };
    auto students = db.exec(
        QStringLiteral("insert into %1 (学号) select 学号 from tblLogin").arg(Schema::scoreTableName(*number)));
    if (!students)
        return students.error();
    Status committed = tx.commit();
    if (!committed)
        return committed.error();
    return DefinedTest { *number, int(*students) };
}

} // namespace

Result<DefinedTest> define(Database& db, const NewTest& test)
{
    // Another teacher may take the same number at the same moment; the loser
    // tries the next one. A busy database has had its few seconds: the caller says so.
    Result<DefinedTest> result = defineOnce(db, test);
    for (int attempt = 0; attempt < 5 && !result && db.dialect().isDuplicateKey(result.error()); ++attempt)
        result = defineOnce(db, test);
    return result;
}

Result<Removal> remove(Database& db, int number)
{
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto name = db.select(QStringLiteral("select 考试名称 from tblTestInfo where 考试号=?"), { number });
    if (!name)
        return name.error();
    auto row = db.exec(QStringLiteral("delete from tblTestInfo where 考试号=?"), { number });
    if (!row)
        return row.error();
    if (*row == 0)
        return Removal::Missing;
    if (Status marked = ScoreHistory::markDeleted(db, number, name->eof() ? QString() : name->text(0)); !marked)
        return marked.error();
    auto dropped = db.exec(QStringLiteral("DROP TABLE IF EXISTS tblScore%1").arg(number));
    if (!dropped)
        return dropped.error();
    auto kept = fullMarksKept(db);
    if (!kept)
        return kept.error();
    if (*kept) {
        if (auto marks = db.exec(QStringLiteral("delete from velmora_fullmarks where 考试号=?"), { number }); !marks)
            return marks.error();
    }
    Status committed = tx.commit();
    if (!committed)
        return committed.error();
    return Removal::Deleted;
}

QString fullMarksProblem(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch() || t.toInt() < 1)
        return QStringLiteral("满分应是1到%1的整数").arg(TestItems::kMaxFullMarks);
    return {};
}

Status setFullMarks(Database& db, int number, int subject, int marks)
{
    if (subject < 0 || subject >= Schema::subjects().size())
        return Error::refused(QStringLiteral("没有这个科目。"));
    if (const QString why = fullMarksProblem(QString::number(marks)); !why.isEmpty())
        return Error::refused(why + QStringLiteral("。"));
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto test = fetch(db, number);
    if (!test)
        return test.error();
    const QString name = Schema::subjects()[subject];
    if (!*test)
        return Error { QStringLiteral("3021"), QStringLiteral("考试 %1 已被删除。").arg(number), Error::Kind::Missing };
    if (!(*test)->items.hasSubject(subject))
        return Error::refused(QStringLiteral("考试 %1 没有考核%2。").arg(number).arg(name));
    const QString table = Schema::scoreTableName(number);
    // Scores typed meanwhile must not slip above the new full marks.
    if (auto locked = db.exec(db.dialect().lockTableSql(table)); !locked)
        return locked.error();
    auto highest = db.select(QStringLiteral("select max(%1) from %2").arg(name, table));
    if (!highest)
        return highest.error();
    if (!highest->value(0).isNull() && highest->value(0).toInt() > marks)
        return Error::refused(QStringLiteral("已有%1成绩高于%2分（最高%3分），不能把满分改为%2分。")
                                  .arg(name)
                                  .arg(marks)
                                  .arg(highest->value(0).toInt()));
    if (Status written = writeFullMarks(db, number, subject, marks); !written)
        return written;
    return tx.commit();
}

void failAfterCreateForTesting(bool fail)
{
    g_failAfterCreate = fail;
}

} // namespace Exams
} // namespace velmora
