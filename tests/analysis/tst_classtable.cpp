#include "analysis/ClassTable.h"
#include "data/Schema.h"
#include "support/DbTestCase.h"

#include <QtTest>

using namespace velmora;

// The class table without its window: totals of the subjects chosen, an
// empty score counting 0, equal totals by 学号, and the cuts.
class TestClassTable : public velmora::test::DbTestCase
{
    Q_OBJECT

    TestRecord m_test;

    void prepare() override
    {
        for (const char* number : { "03", "01", "02", "04" })
            QVERIFY(db().exec(
                QStringLiteral("insert into tblLogin (学号, 姓名) values (?, '某')"), { QString::fromLatin1(number) }));
        // 语文, 数学, 英语.
        auto defined = Exams::define(db(),
            { QStringLiteral("期中"), QStringLiteral("2026-11-01"), QStringLiteral("期中考试"), QString(),
                { { 0, 1, 2 }, false, false } });
        QVERIFY2(defined, qPrintable(defined.error().description));
        m_test = **Exams::fetch(db(), defined->number);
        const QString set = QStringLiteral("update %1 set 语文=?, 数学=?, 英语=? where 学号=?")
                                .arg(Schema::scoreTableName(m_test.number));
        QVERIFY(db().exec(set, { 90, 80, 70, QStringLiteral("01") }));
        QVERIFY(db().exec(set, { 70, 80, 90, QStringLiteral("02") }));
        QVERIFY(db().exec(set, { 100, 100, QVariant(), QStringLiteral("03") })); // 英语 not entered
        QVERIFY(db().exec(set, { 60, 60, 60, QStringLiteral("04") }));
    }

    static QStringList column(const Analysis::ClassTable& t, int c)
    {
        QStringList out;
        for (const QStringList& row : t.rows)
            out << row.value(c);
        return out;
    }

private Q_SLOTS:
    void totalsOrderAndCuts()
    {
        auto all = Analysis::classTable(db(), m_test, {}, Analysis::ClassOrder::NumberDescending);
        QVERIFY(all);
        QCOMPARE(column(*all, 0), QStringList({ "04", "03", "02", "01" }));
        QCOMPARE(all->rows[1], QStringList({ "03", "200*", "100", "100", "" }));

        // 240, 240, 200, 180: the tie goes by 学号.
        auto byTotal = Analysis::classTable(db(), m_test, {}, Analysis::ClassOrder::TotalDescending);
        QCOMPARE(column(*byTotal, 0), QStringList({ "01", "02", "03", "04" }));
        QCOMPARE(column(*byTotal, 1), QStringList({ "240", "240", "200*", "180" }));

        // 英语 alone: the total of no entered score is 0 and sorts last.
        auto english = Analysis::classTable(db(), m_test, { 2 }, Analysis::ClassOrder::TotalDescending);
        QCOMPARE(column(*english, 0), QStringList({ "02", "01", "04", "03" }));
        QCOMPARE(column(*english, 1), QStringList({ "90", "70", "60", "0*" }));

        Analysis::ClassTable cut = *byTotal;
        cut.keep(1, 2);
        QCOMPARE(column(cut, 0), QStringList({ "01", "02" }));
        cut = *byTotal;
        cut.keep(3, 5); // clamped to what there is
        QCOMPARE(column(cut, 0), QStringList({ "03", "04" }));
        cut.keep(9, 1);
        QVERIFY(cut.rows.isEmpty());
    }

    void missingColumnIsRefusedByName()
    {
        TestRecord claims = m_test;
        claims.items.subjects << 5; // 生物, which the score table never had
        auto table = Analysis::classTable(db(), claims, {}, Analysis::ClassOrder::NumberDescending);
        QVERIFY(!table);
        QVERIFY(table.error().is(Error::Kind::Refused));
        QCOMPARE(
            table.error().message(), QStringLiteral("考试%1的成绩表中没有“生物”这一列，无法分析！").arg(m_test.number));
    }
};

QTEST_GUILESS_MAIN(TestClassTable)
#include "tst_classtable.moc"
