#include "exams/TestRecord.h"

#include "data/Schema.h"
#include "data/ServerRoles.h"
#include "data/UserRights.h"
#include "exams/Points.h"
#include "exams/TestEvents.h"
#include "exams/TestLocks.h"
#include "history/History.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace velmora {

namespace {
bool g_failAfterCreate = false;

// A new score table is each subject teacher's on the server too, as far as
// their subjects go.
Status shareWithTeachers(Database& db, int number)
{
    auto grants = UserRights::grants(db);
    if (!grants)
        return grants.error();
    return ServerRoles::grantOnTable(db, Schema::scoreTableName(number), *grants);
}

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

// A test takes half points when its score table was made with decimal
// columns; an older one keeps its whole points.
Status readHalves(const Database& db, QVector<TestRecord>& tests)
{
    if (tests.isEmpty())
        return Done {};
    auto tables = db.texts(db.dialect().decimalTablesSql());
    if (!tables)
        return tables.error();
    for (TestRecord& t : tests)
        t.items.halves = tables->contains(Schema::scoreTableName(t.number).toLower());
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
    if (Status halves = readHalves(db, tests); !halves)
        return halves.error();
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
    if (Status halves = readHalves(db, test); !halves)
        return halves.error();
    return std::optional<TestRecord>(test.first());
}

namespace {

// The row of tblTestInfo: one flag column for each item the test assesses.
Status insertDefinition(Database& db, int number, const QString& name, const QString& date, const QString& type,
    const QString& memo, const TestItems& items)
{
    QStringList columns { QStringLiteral("考试号"), QStringLiteral("考试名称"), QStringLiteral("考试日期"),
        QStringLiteral("考试类型") };
    QVariantList values { number, name, date, type };
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        if (items.hasSubject(i)) {
            columns << Schema::subjects()[i];
            values << 1;
        }
    }
    if (items.attendance) {
        columns << QStringLiteral("出勤");
        values << 1;
    }
    if (items.comment) {
        columns << QStringLiteral("教师评语");
        values << 1;
    }
    columns << QStringLiteral("备注");
    values << memo;
    auto row = db.exec(QStringLiteral("insert into tblTestInfo (%1) values (%2)")
                           .arg(columns.join(QStringLiteral(", ")),
                               QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
        values);
    if (!row)
        return row.error();
    return Done {};
}

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

    if (Status row = insertDefinition(db, *number, test.name, test.date, test.type, test.memo, test.items); !row)
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
    if (Status shared = shareWithTeachers(db, *number); !shared)
        return shared.error();
    Status committed = tx.commit();
    if (!committed)
        return committed.error();
    return DefinedTest { *number, int(*students) };
}

} // namespace

Result<DefinedTest> define(Database& db, const NewTest& test)
{
    if (Status allowed = UserRights::guardAdministrator(QStringLiteral("添加考试")); !allowed)
        return allowed.error();
    // Another teacher may take the same number at the same moment; the loser
    // tries the next one. A busy database has had its few seconds: the caller says so.
    Result<DefinedTest> result = defineOnce(db, test);
    for (int attempt = 0; attempt < 5 && !result && db.dialect().isDuplicateKey(result.error()); ++attempt)
        result = defineOnce(db, test);
    if (result)
        TestEvents::changed();
    return result;
}

namespace {

const QString kDeleted = QStringLiteral("velmora_deleted_tests");

QString keptTableName(int number)
{
    return QStringLiteral("velmora_deleted_score%1").arg(number);
}

// Those deleted more than kKeptDays ago go for good.
Status purgeDeleted(Database& db)
{
    const QString before
        = QDateTime::currentDateTime().addDays(-kKeptDays).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    auto old = db.select(QStringLiteral("select 考试号 from velmora_deleted_tests where 删除时间<?"), { before });
    if (!old)
        return old.error();
    for (old->moveFirst(); !old->eof(); old->moveNext()) {
        const int number = old->value(0).toInt();
        if (auto dropped = db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(keptTableName(number))); !dropped)
            return dropped.error();
        if (auto gone = db.exec(QStringLiteral("delete from velmora_deleted_tests where 考试号=?"), { number }); !gone)
            return gone.error();
    }
    return Done {};
}

QString joined(const QVector<int>& values)
{
    QStringList out;
    for (int v : values)
        out << QString::number(v);
    return out.join(QLatin1Char(','));
}

QVector<int> numbersOf(const QString& text)
{
    QVector<int> out;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out << part.trimmed().toInt();
    return out;
}

// Puts the test and its score table aside, inside the caller's transaction.
Status keepDeleted(Database& db, const TestRecord& test)
{
    if (Status purged = purgeDeleted(db); !purged)
        return purged;
    const QString table = Schema::scoreTableName(test.number);
    auto exists = db.tableExists(table);
    if (!exists)
        return exists.error();
    if (auto stale = db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(keptTableName(test.number))); !stale)
        return stale.error();
    if (*exists) {
        if (auto renamed
            = db.exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(table, keptTableName(test.number)));
            !renamed)
            return renamed.error();
    }
    if (auto old = db.exec(QStringLiteral("delete from velmora_deleted_tests where 考试号=?"), { test.number }); !old)
        return old.error();
    auto kept = db.exec(QStringLiteral("insert into velmora_deleted_tests (考试号, 考试名称, 考试日期, 考试类型, 备注, "
                                       "科目, 出勤, 教师评语, 满分, 删除时间, 删除人) values (?, ?, ?, ?, ?, ?, ?, ?, "
                                       "?, ?, ?)"),
        { test.number, test.name, test.date, test.type, test.memo, joined(test.items.subjects),
            test.items.attendance ? 1 : 0, test.items.comment ? 1 : 0, joined(test.items.fullMarks),
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            ScoreHistory::user().isEmpty() ? db.settings().user : ScoreHistory::user() });
    if (!kept)
        return kept.error();
    return Done {};
}

} // namespace

Result<Removal> remove(Database& db, int number)
{
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (Status open = TestLocks::guard(db, number); !open)
        return open.error();
    if (Status allowed = UserRights::guardAll(); !allowed)
        return allowed.error();
    if (Status allowed = UserRights::guardAdministrator(QStringLiteral("删除考试")); !allowed)
        return allowed.error();
    auto test = fetch(db, number);
    if (!test)
        return test.error();
    auto row = db.exec(QStringLiteral("delete from tblTestInfo where 考试号=?"), { number });
    if (!row)
        return row.error();
    if (*row == 0 || !*test)
        return Removal::Missing;
    if (Status marked = ScoreHistory::markDeleted(db, number, (*test)->name); !marked)
        return marked.error();
    auto keeps = db.tableExists(kDeleted);
    if (!keeps)
        return keeps.error();
    if (*keeps) {
        if (Status kept = keepDeleted(db, **test); !kept)
            return kept.error();
    } else if (auto dropped = db.exec(QStringLiteral("DROP TABLE IF EXISTS tblScore%1").arg(number)); !dropped) {
        return dropped.error();
    }
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
    TestEvents::changed();
    return Removal::Deleted;
}

Result<QVector<DeletedTest>> deletedTests(Database& db)
{
    auto keeps = db.tableExists(kDeleted);
    if (!keeps)
        return keeps.error();
    if (!*keeps)
        return Error::refused(QStringLiteral("这个数据库还不能保留删除的考试，请管理员先升级数据库。"));
    {
        Transaction tx(db);
        if (!tx.started())
            return tx.error();
        if (Status purged = purgeDeleted(db); !purged)
            return purged.error();
        if (Status committed = tx.commit(); !committed)
            return committed.error();
    }
    auto rows
        = db.select(QStringLiteral("select 考试号, 考试名称, 考试日期, 考试类型, 备注, 科目, 出勤, 教师评语, 满分, "
                                   "删除时间, 删除人 from velmora_deleted_tests order by 删除时间 desc"));
    if (!rows)
        return rows.error();
    QVector<DeletedTest> out;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        DeletedTest d;
        d.test.number = rows->value(0).toInt();
        d.test.name = rows->text(1);
        d.test.date = rows->text(2);
        d.test.type = rows->text(3);
        d.test.memo = rows->text(4);
        for (int i : numbersOf(rows->text(5))) {
            if (i >= 0 && i < Schema::subjects().size())
                d.test.items.subjects << i;
        }
        d.test.items.attendance = rows->value(6).toInt() != 0;
        d.test.items.comment = rows->value(7).toInt() != 0;
        const QVector<int> marks = numbersOf(rows->text(8));
        for (int i = 0; i < marks.size() && i < d.test.items.fullMarks.size(); ++i) {
            if (marks[i] > 0 && marks[i] <= TestItems::kMaxFullMarks)
                d.test.items.fullMarks[i] = marks[i];
        }
        d.deletedAt = rows->text(9);
        d.deletedBy = rows->text(10);
        auto table = db.tableExists(keptTableName(d.test.number));
        if (!table)
            return table.error();
        d.scoresKept = *table;
        out << d;
    }
    return out;
}

Status restoreDeleted(Database& db, int number)
{
    if (Status allowed = UserRights::guardAdministrator(QStringLiteral("恢复已删除的考试")); !allowed)
        return allowed;
    auto all = deletedTests(db);
    if (!all)
        return all.error();
    const auto found
        = std::find_if(all->cbegin(), all->cend(), [number](const DeletedTest& d) { return d.test.number == number; });
    if (found == all->cend())
        return Error::missing(QStringLiteral("考试号为%1的考试已不在保留之列。").arg(number));
    const TestRecord& test = found->test;
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    auto inUse = fetch(db, number);
    if (!inUse)
        return inUse.error();
    auto tableInUse = db.tableExists(Schema::scoreTableName(number));
    if (!tableInUse)
        return tableInUse.error();
    if (*inUse || *tableInUse)
        return Error::conflict(QStringLiteral("考试号%1已被使用，不能恢复。").arg(number));
    if (Status row = insertDefinition(db, number, test.name, test.date, test.type, test.memo, test.items); !row)
        return row;
    if (found->scoresKept) {
        if (auto renamed = db.exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2")
                                       .arg(keptTableName(number), Schema::scoreTableName(number)));
            !renamed)
            return renamed.error();
    } else {
        // Only the definition was kept: the students start anew.
        if (auto made = db.exec(Schema::createScoreTableSql(
                db.dialect(), number, test.items.subjects, test.items.attendance, test.items.comment));
            !made)
            return made.error();
        if (auto students = db.exec(
                QStringLiteral("insert into %1 (学号) select 学号 from tblLogin").arg(Schema::scoreTableName(number)));
            !students)
            return students.error();
        if (Status shared = shareWithTeachers(db, number); !shared)
            return shared.error();
    }
    for (int i : test.items.subjects) {
        if (Status marks = writeFullMarks(db, number, i, test.items.fullMarksOf(i)); !marks)
            return marks;
    }
    if (auto gone = db.exec(QStringLiteral("delete from velmora_deleted_tests where 考试号=?"), { number }); !gone)
        return gone.error();
    if (Status unmarked = ScoreHistory::markDeleted(db, number, test.name, false); !unmarked)
        return unmarked;
    if (Status committed = tx.commit(); !committed)
        return committed;
    TestEvents::changed();
    return Done {};
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
    if (Status open = TestLocks::guard(db, number); !open)
        return open;
    if (Status allowed = UserRights::guard({ Schema::subjects()[subject] }); !allowed)
        return allowed;
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
    if (const auto top = Points::fromStored(highest->value(0)); top && *top > marks * Points::kTenths)
        return Error::refused(QStringLiteral("已有%1成绩高于%2分（最高%3分），不能把满分改为%2分。")
                                  .arg(name)
                                  .arg(marks)
                                  .arg(Points::text(*top)));
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
