// A whole class database copied between the embedded file and a server:
// every table, photos, score tables, users and our own tables, checked.
#include "app/DemoData.h"
#include "data/DatabaseCopy.h"
#include "data/Schema.h"
#include "exams/ScoreTable.h"
#include "exams/TestRecord.h"
#include "history/History.h"
#include "support/TestDb.h"

#include <QtTest>

using namespace velmora;
using velmora::test::TestDb;

class TestCopy : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDb> m_target;
    std::unique_ptr<QTemporaryDir> m_files;

    ConnectionSettings file(const QString& name) const
    {
        return { QStringLiteral("(local)"), name, QStringLiteral("adm"), QStringLiteral("adm"), m_files->path() };
    }
    // 2024003's 语文 in test 3, saved as the score grid saves it.
    static bool setChinese(Database& db, const QString& score)
    {
        auto test = Exams::fetch(db, 3);
        ScoreTable table;
        if (!test || !*test || !table.load(db, **test))
            return false;
        table.edit({ { 2, 0, score } });
        return bool(table.save(db));
    }

private Q_SLOTS:
    void init()
    {
        VELMORA_REQUIRE_BACKEND();
        m_files = std::make_unique<QTemporaryDir>();
        m_target = std::make_unique<TestDb>();
        QVERIFY2(m_target->create(), qPrintable(m_target->lastError()));
    }
    void cleanup() { m_target.reset(); }

    // The demo class with photos, other full marks, a history and a deleted
    // test goes to the test's database and back to a new file, whole.
    void thereAndBack()
    {
        QVERIFY(DemoData::create(file(QStringLiteral("demo")), false, true));
        Database demo;
        QVERIFY(demo.open(file(QStringLiteral("demo"))));
        QByteArray photo(100 * 1024, '\0');
        for (int i = 0; i < photo.size(); ++i)
            photo[i] = char(i * 7 + i / 251);
        QVERIFY(
            demo.exec(QStringLiteral("update tblLogin set 照片=? where 学号 in ('2024001', '2024002')"), { photo }));
        QVERIFY(Exams::setFullMarks(demo, 3, 1, 150));
        QVERIFY(setChinese(demo, QStringLiteral("12")));
        QVERIFY(Exams::remove(demo, 1));

        Database& target = m_target->db();
        auto all = DatabaseCopy::tables(demo);
        QVERIFY(all);
        QVERIFY(all->contains(QStringLiteral("velmora_deleted_score1")));
        Status copied = DatabaseCopy::copy(demo, target);
        QVERIFY2(copied, qPrintable(copied.error().description));
        auto there = DatabaseCopy::count(target, *all);
        QVERIFY(there);
        QCOMPARE(*there, *DatabaseCopy::count(demo, *all));
        QVERIFY(there->photoBytes >= 2 * photo.size());
        QCOMPARE(test::rowCount(target, QStringLiteral("tblLogin")), DemoData::kStudents);
        auto marks = Exams::fetch(target, 3);
        QCOMPARE((*marks)->items.fullMarksOf(1), 150);
        QCOMPARE(ScoreHistory::list(target, 3, QStringLiteral("2024003"))->first().after, QStringLiteral("12"));
        QCOMPARE(Exams::deletedTests(target)->size(), 1);
        QVERIFY(Exams::restoreDeleted(target, 1));
        // Numbers the copy brought do not block new ones.
        QVERIFY(setChinese(target, QStringLiteral("13")));
        QCOMPARE(ScoreHistory::list(target, 3)->size(), 2);
        auto next = Exams::define(target,
            { QStringLiteral("新"), QString(), QStringLiteral("平时考试"), QString(), { { 0 }, false, false } });
        QVERIFY(next);
        QCOMPARE(next->number, 4);

        // A copy into a database that holds a class is refused, and changes nothing.
        auto refused = DatabaseCopy::copy(demo, target);
        QVERIFY(!refused);
        QVERIFY(refused.error().description.contains(QStringLiteral("只能复制到新建的空数据库中")));

        // Back into a new file.
        QVERIFY(DemoData::create(file(QStringLiteral("back")), false, false));
        Database back;
        QVERIFY(back.open(file(QStringLiteral("back"))));
        QVERIFY(DatabaseCopy::copy(target, back));
        auto both = DatabaseCopy::tables(target);
        QCOMPARE(*DatabaseCopy::count(back, *both), *DatabaseCopy::count(target, *both));
    }

    // A target holding anything of its own is never emptied for a copy, and a
    // source holding what the copy cannot carry is never called copied.
    void nothingReplacedNothingLeftBehind_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("says");
        const auto row = [](const char* name, const char* target, const char* source, const char* says) {
            QTest::newRow(name) << QString::fromUtf8(target) << QString::fromUtf8(source) << QString::fromUtf8(says);
        };
        row("a user of the target", "insert into tblUsers (UserName, Grade) values ('王老师', 'User')", "",
            "用户 王老师");
        row("a column of the school's", "", "alter table tblLogin add column 身份证号 varchar(18)",
            "tblLogin.身份证号");
        row("a score column", "", "alter table TblScore1 add column 口语 integer", "TblScore1.口语");
        row("a table of the school's", "", "create table school_own (x integer)", "school_own");
        row("a planted trigger", "", "create trigger wipe after update on tblClass begin delete from tblLogin; end",
            "wipe（触发器）");
    }
    void nothingReplacedNothingLeftBehind()
    {
        QFETCH(QString, target);
        QFETCH(QString, source);
        QFETCH(QString, says);
        QVERIFY(DemoData::create(file(QStringLiteral("demo")), false, true));
        Database demo;
        QVERIFY(demo.open(file(QStringLiteral("demo"))));
        Database& into = m_target->db();
        if (!target.isEmpty())
            QVERIFY(into.exec(target));
        if (!source.isEmpty())
            QVERIFY(demo.exec(source));
        const int users = test::rowCount(into, QStringLiteral("tblUsers"));
        Status refused = DatabaseCopy::copy(demo, into);
        QVERIFY(!refused);
        QVERIFY2(refused.error().description.contains(says), qPrintable(refused.error().description));
        QCOMPARE(test::rowCount(into, QStringLiteral("tblUsers")), users);
        QCOMPARE(test::rowCount(into, QStringLiteral("tblLogin")), 0);
        QVERIFY(!*into.tableExists(Schema::scoreTableName(1)));
    }

    // Stopped halfway: the target is as it was, without a class or score tables.
    void stoppedCopyLeavesTargetEmpty()
    {
        QVERIFY(DemoData::create(file(QStringLiteral("demo")), false, true));
        Database demo;
        QVERIFY(demo.open(file(QStringLiteral("demo"))));
        Database& target = m_target->db();
        QVERIFY(!DatabaseCopy::copy(demo, target, [](int done, int) { return done < 6; }));
        QCOMPARE(test::rowCount(target, QStringLiteral("tblLogin")), 0);
        QCOMPARE(test::rowCount(target, QStringLiteral("tblUsers")), 2);
        QVERIFY(!*target.tableExists(Schema::scoreTableName(1)));
        QVERIFY(DatabaseCopy::copy(demo, target));
    }
};

QTEST_GUILESS_MAIN(TestCopy)
#include "tst_copy.moc"
