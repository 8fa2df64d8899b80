// The term's calendar and the attendance register: codes as a teacher types
// them, totals against a month counted by hand, and who may write.
#include "attendance/Attendance.h"
#include "attendance/SchoolCalendar.h"
#include "data/UserRights.h"
#include "history/History.h"
#include "support/DbTestCase.h"

#include <QtTest>

using namespace velmora;
using Attendance::Kind;

namespace {

QDate oct(int day)
{
    return QDate(2026, 10, day);
}

Attendance::Change set(const char* student, const QDate& day, const char* typed)
{
    return { QString::fromUtf8(student), day, Attendance::parse(QString::fromUtf8(typed)) };
}

} // namespace

class TestAttendance : public velmora::test::DbTestCase
{
    Q_OBJECT

    // October 2026: the national holiday takes Thu 1 to Wed 7 (five weekdays),
    // Saturday 10 is a make-up day. Eighteen school days, counted on a calendar.
    void holidayMonth()
    {
        for (int day : { 1, 2, 5, 6, 7 })
            QVERIFY(SchoolCalendar::setDay(db(), oct(day), false, QStringLiteral("国庆节")));
        QVERIFY(SchoolCalendar::setDay(db(), oct(10), true, QStringLiteral("调休")));
    }

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("code"); // empty: not taken
        QTest::newRow("code") << QStringLiteral("病") << QStringLiteral("病");
        QTest::newRow("name") << QStringLiteral("事假") << QStringLiteral("事");
        QTest::newRow("initial") << QStringLiteral("K") << QStringLiteral("旷");
        QTest::newRow("half by 半") << QStringLiteral("旷半") << QStringLiteral("旷半");
        QTest::newRow("half by h") << QStringLiteral(" bh ") << QStringLiteral("病半");
        QTest::newRow("half by ½") << QStringLiteral("事½") << QStringLiteral("事半");
        QTest::newRow("late") << QStringLiteral("c") << QStringLiteral("迟");
        QTest::newRow("early") << QStringLiteral("早退") << QStringLiteral("早");
        QTest::newRow("late is never half") << QStringLiteral("迟半") << QString();
        QTest::newRow("half alone") << QStringLiteral("半") << QString();
        QTest::newRow("unknown") << QStringLiteral("x") << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void parse()
    {
        QFETCH(QString, typed);
        QFETCH(QString, code);
        const auto cell = Attendance::parse(typed);
        QCOMPARE(cell ? Attendance::code(*cell) : QString(), code);
    }

    void calendar()
    {
        holidayMonth();
        auto days = SchoolCalendar::schoolDays(db(), oct(1), oct(31));
        QVERIFY(days);
        QCOMPARE(days->size(), 18);
        QCOMPARE(days->front(), oct(8));
        QVERIFY(days->contains(oct(10)) && !days->contains(oct(11)) && !days->contains(oct(31)));
        // A day given back to its weekday is kept no more.
        QVERIFY(SchoolCalendar::setDay(db(), oct(7), std::nullopt));
        QCOMPARE(SchoolCalendar::schoolDays(db(), oct(1), oct(31))->size(), 19);
        QCOMPARE(valueOf(QStringLiteral("select count(*) from velmora_school_days")), QStringLiteral("5"));

        const SchoolCalendar::Term autumn { QStringLiteral("2026-2027学年第一学期"), QDate(2026, 9, 1),
            QDate(2027, 1, 22) };
        QVERIFY(SchoolCalendar::saveTerm(db(), autumn));
        const SchoolCalendar::Term spring { QStringLiteral("第二学期"), QDate(2027, 1, 20), QDate(2027, 7, 1) };
        Status overlapping = SchoolCalendar::saveTerm(db(), spring);
        QVERIFY(!overlapping);
        QVERIFY(overlapping.error().description.contains(autumn.name));
        QVERIFY(SchoolCalendar::saveTerm(db(), { spring.name, QDate(2027, 2, 20), spring.last }));
        auto on = SchoolCalendar::termOn(db(), oct(12));
        QVERIFY(on && *on);
        QCOMPARE((*on)->name, autumn.name);
        QVERIFY(!*SchoolCalendar::termOn(db(), QDate(2027, 2, 1)));
        // Renamed in place; the old name is gone.
        QVERIFY(SchoolCalendar::saveTerm(db(), { QStringLiteral("秋季学期"), autumn.first, autumn.last }, autumn.name));
        QCOMPARE(SchoolCalendar::terms(db())->size(), 2);
        QCOMPARE(SchoolCalendar::terms(db())->front().name, QStringLiteral("秋季学期"));
    }

    void monthTotals()
    {
        addStudents({ QStringLiteral("1"), QStringLiteral("2") });
        holidayMonth();
        Status month = Attendance::write(db(),
            { set("1", oct(10), "旷"), set("1", oct(12), "病"), set("1", oct(13), "病半"), set("1", oct(14), "迟"),
                set("1", oct(15), "早"), set("1", oct(30), "事半") });
        QVERIFY2(month, qPrintable(month ? QString() : month.error().description));
        auto totals = Attendance::totals(db(), oct(1), oct(31));
        QVERIFY(totals);
        QCOMPARE(totals->size(), 2);
        const Attendance::Totals one = totals->value(QStringLiteral("1"));
        QCOMPARE(one.schoolDays, 18);
        QCOMPARE(Attendance::daysText(one.sickHalves), QStringLiteral("1.5"));
        QCOMPARE(Attendance::daysText(one.personalHalves), QStringLiteral("0.5"));
        QCOMPARE(Attendance::daysText(one.truantHalves), QStringLiteral("1"));
        QCOMPARE(one.late, 1);
        QCOMPARE(one.early, 1);
        QCOMPARE(Attendance::daysText(one.presentHalves()), QStringLiteral("15"));
        QCOMPARE(Attendance::daysText(totals->value(QStringLiteral("2")).presentHalves()), QStringLiteral("18"));
        // One routine for the window, the export and a test's columns.
        auto sheet = Attendance::totalsSheet(db(), oct(1), oct(31));
        QVERIFY(sheet);
        QCOMPARE(sheet->headers.size(), 9);
        QStringList first;
        for (const QVariant& v : sheet->rows.value(0))
            first << v.toString();
        QCOMPARE(first.join(QLatin1Char(' ')), QStringLiteral("1 学生1 18 15 1.5 0.5 1 1 1"));
        const Attendance::TestCounts counts = Attendance::testCounts(one);
        QCOMPARE((QVector<int> { counts.present, counts.sick, counts.truant, counts.personal, counts.lateOrEarly }),
            (QVector<int> { 15, 2, 1, 1, 2 }));

        // The second week alone.
        const Attendance::Totals week = Attendance::totals(db(), oct(12), oct(16))->value(QStringLiteral("1"));
        QCOMPARE(week.schoolDays, 5);
        QCOMPARE(Attendance::daysText(week.presentHalves()), QStringLiteral("3.5"));

        // Cleared and changed cells, each in the history with before and after.
        QVERIFY(Attendance::write(db(), { set("1", oct(12), ""), set("1", oct(13), "病") }));
        auto history = ScoreHistory::list(db(), ScoreHistory::kAttendance, QStringLiteral("1"));
        QVERIFY(history);
        QCOMPARE(history->size(), 8);
        QStringList latest;
        for (int i = 0; i < 2; ++i)
            latest << (*history)[i].column + QLatin1Char(':') + (*history)[i].before + QLatin1Char('>')
                    + (*history)[i].after;
        latest.sort();
        QCOMPARE(latest, (QStringList { QStringLiteral("2026-10-12:病>"), QStringLiteral("2026-10-13:病半>病") }));
        QCOMPARE(Attendance::totals(db(), oct(1), oct(31))->value(QStringLiteral("1")).sickHalves, 2);

        // The day's list for the school: who is away and why; the late are there.
        Attendance::Cell fever = *Attendance::parse(QStringLiteral("病"));
        fever.reason = QStringLiteral("发热");
        fever.sawDoctor = true;
        QVERIFY(Attendance::write(db(), { { QStringLiteral("2"), oct(13), fever }, set("1", oct(14), "迟") }));
        QCOMPARE(*Attendance::awayOn(db(), oct(13)),
            (QStringList { QStringLiteral("学生1 病假"), QStringLiteral("学生2 病假（发热，已就诊）") }));
        QCOMPARE(*Attendance::awayOn(db(), oct(14)), QStringList());
    }

    void refusedWrites_data()
    {
        QTest::addColumn<int>("who"); // 0 administrator, 1 subject teacher, 2 read-only
        QTest::addColumn<QString>("student");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("words");
        QTest::newRow("a holiday") << 0 << QStringLiteral("1") << oct(5) << QStringLiteral("10月5日不上课");
        QTest::newRow("a Sunday") << 0 << QStringLiteral("1") << oct(11) << QStringLiteral("10月11日不上课");
        QTest::newRow("no such student") << 0 << QStringLiteral("9") << oct(12) << QStringLiteral("9");
        QTest::newRow("subject teacher") << 1 << QStringLiteral("1") << oct(12) << QString();
        QTest::newRow("read-only user") << 2 << QStringLiteral("1") << oct(12) << QString();
    }

    void refusedWrites()
    {
        QFETCH(int, who);
        QFETCH(QString, student);
        QFETCH(QDate, day);
        QFETCH(QString, words);
        addStudents({ QStringLiteral("1") });
        holidayMonth();
        // Something already there stays as it was.
        QVERIFY(Attendance::write(db(), { set("1", oct(8), "病") }));
        if (who > 0) {
            UserRights::setAdministrator(false);
            UserRights::setCurrent({ who == 1 ? QStringList { QStringLiteral("语文") } : QStringList(), who == 2 });
        }
        Status written = Attendance::write(
            db(), { set("1", oct(8), ""), { student, day, Attendance::parse(QStringLiteral("事")) } });
        UserRights::setAdministrator(true);
        UserRights::setCurrent({});
        QVERIFY(!written);
        QVERIFY2(written.error().description.contains(words), qPrintable(written.error().description));
        QCOMPARE(valueOf(QStringLiteral("select count(*) from velmora_attendance")), QStringLiteral("1"));
        QCOMPARE(valueOf(QStringLiteral("select 类别 from velmora_attendance where 日期=?"),
                     { QStringLiteral("2026-10-08") }),
            QStringLiteral("病假"));
    }
};

QTEST_GUILESS_MAIN(TestAttendance)
#include "tst_attendance.moc"
