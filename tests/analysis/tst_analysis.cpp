#include "analysis/Analysis.h"

#include <QtTest>

using namespace velmora;
using Analysis::chartValues;

class TestAnalysis : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void subjectStatistics()
    {
        auto s = Analysis::subjectStats({ 100, 95, 58 });
        // Highest, lowest, students, passes and their share, failures and theirs.
        QCOMPARE(QList<int>({ s.highest, s.lowest, s.students, s.passes, s.passShare, s.failures, s.failShare }),
            QList<int>({ 100, 58, 3, 2, 66, 1, 33 }));
        QCOMPARE(Analysis::formatAverage(s.average), QStringLiteral("84.3333333333333"));
        QCOMPARE(s.bands, (std::array<int, 6> { 1, 0, 0, 0, 1, 1 }));
        QCOMPARE(s.bandShares, (std::array<int, 6> { 33, 0, 0, 0, 33, 33 }));

        QCOMPARE(Analysis::formatAverage(Analysis::subjectStats({ 70, 90 }).average), QStringLiteral("80"));
        // Exact: the floating-point quotient made 57 of 100 into 56 and 29 of 100 into 28.
        QCOMPARE(Analysis::share(57, 100), 57);
        QCOMPARE(Analysis::share(29, 100), 29);
        QCOMPARE(Analysis::share(2, 3), 66);
        QCOMPARE(Analysis::share(45, 45), 100);
        for (int n = 1; n <= 200; ++n) {
            for (int k = 0; k <= n; ++k)
                QVERIFY(Analysis::share(k, n) * n <= k * 100 && (Analysis::share(k, n) + 1) * n > k * 100);
        }
        QCOMPARE(Analysis::share(1, 0), 0);

        // A score outside 0..full marks is counted but in no band.
        auto odd = Analysis::subjectStats({ 120, 40 });
        QCOMPARE(QList<int>({ odd.students, odd.passes + odd.failures, odd.highest }), QList<int>({ 2, 1, 120 }));
        QCOMPARE(Analysis::formatAverage(odd.average), QStringLiteral("80"));
        // The real extremes, also above 100, which entry allows.
        QCOMPARE(Analysis::subjectStats({ 101, 105 }).lowest, 101);
        QCOMPARE(Analysis::subjectStats({}).highest, 0);
        QCOMPARE(Analysis::subjectStats({}).passShare, 0);

        // Bands as shares of other full marks; 100 keeps its labels.
        QCOMPARE(Analysis::bandLabels(), QStringList({ "60分以下", "60-69", "70-79", "80-89", "90-99", "100" }));
        QCOMPARE(
            Analysis::bandLabels(150), QStringList({ "90分以下", "90-104", "105-119", "120-134", "135-149", "150" }));
        QCOMPARE(Analysis::bandLabels(120), QStringList({ "72分以下", "72-83", "84-95", "96-107", "108-119", "120" }));
        QCOMPARE(Analysis::bandLabels(5), QStringList({ "3分以下", "3", "—", "4", "—", "5" }));
        QCOMPARE(Analysis::subjectStats({ 89, 90, 150 }, 150).passes, 2);
    }

    // Band edges, in tenths of the full marks; -1 is no band.
    void bandBounds_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("full");
        QTest::addColumn<int>("band");
        const int rows[][3] = { { 6, 100, 0 }, { 59, 100, 0 }, { 60, 100, 1 }, { 99, 100, 4 }, { 100, 100, 5 },
            { 101, 100, -1 }, { 104, 150, 1 }, { 105, 150, 2 }, { 149, 150, 4 }, { 151, 150, -1 }, { 4, 5, 3 } };
        for (const auto& r : rows)
            QTest::addRow("%d of %d", r[0], r[1]) << r[0] << r[1] << r[2];
    }
    void bandBounds()
    {
        QFETCH(int, score);
        QFETCH(int, full);
        QFETCH(int, band);
        QCOMPARE(Analysis::bandOf(score, full), band);
    }

    void chartGapsStayInTheirSubject()
    {
        const QString gap = QStringLiteral("---");
        // Columns: two subjects; rows: tests.
        auto v = chartValues({ { "80", gap }, { gap, "60" }, { "90", gap } });
        QCOMPARE(*v[1][0], 85.0);
        // Never the other subject's score, never an invented 0.
        QCOMPARE(*v[0][1], 60.0);
        QCOMPARE(*v[2][1], 60.0);

        auto twoGaps = chartValues({ { "80" }, { gap }, { gap }, { "90" } });
        QVERIFY(*twoGaps[1][0] == 85.0 && *twoGaps[2][0] == 85.0);
        QCOMPARE(*chartValues({ { "70" }, { "75" }, { gap } })[2][0], 75.0);
        auto nothing = chartValues({ { "88", gap }, { "90", gap } });
        QVERIFY(!nothing[0][1] && !nothing[1][1]);
        QCOMPARE(*nothing[1][0], 90.0);
        QVERIFY(chartValues({}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
