#include "analysis/ClassTable.h"
#include "analysis/Progress.h"
#include "analysis/StatsTable.h"
#include "analysis/ui/Analyze_Stats.h"
#include "analysis/ui/Analyze_Subject.h"
#include "analysis/ui/StatsCharts.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/ui/GradeBandsDialog.h"
#include "data/Schema.h"
#include "exams/ReportCards.h"
#include "exams/ScoreMarks.h"
#include "exams/Slips.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChartView.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "sheets/SheetReader.h"
#include "support/DbTestCase.h"
#include "support/Modal.h"
#include "support/Ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::whenModal;

// The statistics table of a small class worked out by hand: 语文 of 100 and
// 数学 of 150, every mark, a score on each threshold.
class TestStats : public velmora::test::DbTestCase
{
    Q_OBJECT

    int m_test = 0;

    void prepare() override
    {
        // 学号: 语文, 数学 ("" empty; a word is a mark).
        const QList<std::pair<const char*, std::pair<const char*, const char*>>> cells { { "1", { "95", "140" } },
            { "2", { "85", "127" } }, { "3", { "60", "90" } }, { "4", { "39", "59" } }, { "5", { "缺考", "100" } },
            { "6", { "免考", "120" } }, { "7", { "作弊", "缓考" } }, { "8", { "", "150" } } };
        for (const auto& c : cells)
            QVERIFY(db().exec(QStringLiteral("insert into tblLogin (学号, 姓名) values (?, ?)"),
                { QString::fromLatin1(c.first), QStringLiteral("学生") + QString::fromLatin1(c.first) }));
        m_test = defineTest({ 0, 1 });
        QVERIFY(m_test > 0);
        QVERIFY(Exams::setFullMarks(db(), m_test, 1, 150));
        QVector<ScoreMarks::Change> marks;
        for (const auto& c : cells) {
            const QString number = QString::fromLatin1(c.first);
            int s = 0;
            for (const char* text : { c.second.first, c.second.second }) {
                const QString t = QString::fromUtf8(text),
                              subject = s++ ? QStringLiteral("数学") : QStringLiteral("语文");
                bool isScore = false;
                const int score = t.toInt(&isScore);
                QVERIFY(db().exec(
                    QStringLiteral("update %1 set %2=? where 学号=?").arg(Schema::scoreTableName(m_test), subject),
                    { isScore ? QVariant(score) : QVariant(), number }));
                if (ScoreMarks::isMark(t))
                    marks.push_back({ number, subject, {}, t });
            }
        }
        QVERIFY(ScoreMarks::write(db(), m_test, marks));
    }

    // A month test after the class's: everyone 50 in 语文, student 1 51; nobody sat 数学.
    int monthTest()
    {
        const int month = defineTest({ 0, 1 }, false, false, QStringLiteral("月考"), QStringLiteral("平时考试"));
        if (!db().exec(QStringLiteral("update %1 set 语文=50").arg(Schema::scoreTableName(month))))
            QTest::qFail("the month test's scores were not set", __FILE__, __LINE__);
        setScores(month, QStringLiteral("1"), QStringLiteral("语文=?"), { 51 });
        return month;
    }

    static QStringList texts(const QVector<QVariant>& row)
    {
        QStringList out;
        for (const QVariant& v : row)
            out << SheetReader::cellText(v);
        return out;
    }

private Q_SLOTS:
    void figuresByHand_data()
    {
        QTest::addColumn<StatsRules>("rules");
        QTest::addColumn<QStringList>("chinese");
        QTest::addColumn<QStringList>("maths");
        QTest::addColumn<QStringList>("total");
        QTest::addColumn<QStringList>("top"); // the bands' first row
        // 科目 应考 实考 缺考 免考 平均 最高 最低 σ, then count and rate of 优秀 良好 及格 低分.
        QTest::newRow("as schools count")
            << StatsRules {}
            << QStringList { "语文", "7", "5", "1", "1", "55.8", "95", "0", "34.1", "2", "40", "2", "40", "3", "60",
                   "2", "40" } // 85% of 150 is 127.5: 127 is good, not excellent.
            << QStringList { "数学", "8", "7", "0", "0", "112.3", "150", "59", "29.2", "2", "28.6", "4", "57.1", "6",
                   "85.7", "1", "14.3" }
            // The exempt student's total is measured against the full marks of what they sat.
            << QStringList { "总分", "8", "5", "1", "0", "163", "235", "98", "52.6", "1", "20", "3", "60", "4", "80",
                   "1", "20" }
            << QStringList { "90%～100%", "1", "20", "2", "28.6" };
        QTest::newRow("cheating left out, other thresholds")
            << StatsRules { 90, 80, 70, 30, false, true }
            << QStringList { "语文", "7", "4", "1", "1", "69.8", "95", "39", "21.9", "1", "25", "2", "50", "2", "50",
                   "0", "0" }
            << QStringList { "数学", "8", "7", "0", "0", "112.3", "150", "59", "29.2", "2", "28.6", "4", "57.1", "4",
                   "57.1", "0", "0" }
            << QStringList { "总分", "8", "5", "1", "0", "163", "235", "98", "52.6", "1", "20", "3", "60", "3", "60",
                   "0", "0" }
            << QStringList { "90%～100%", "1", "25", "2", "28.6" };
    }
    void figuresByHand()
    {
        QFETCH(StatsRules, rules);
        QFETCH(QStringList, chinese);
        QFETCH(QStringList, maths);
        QFETCH(QStringList, total);
        QFETCH(QStringList, top);
        auto test = Exams::fetch(db(), m_test);
        QVERIFY(test && *test);
        auto table = Analysis::statsOf(db(), **test, rules);
        QVERIFY(table);
        const SheetTable sheet = Analysis::statsSheet(*table, QStringLiteral("期中"));
        QCOMPARE(texts(sheet.rows[0]), chinese);
        QCOMPARE(texts(sheet.rows[1]), maths);
        QCOMPARE(texts(sheet.rows[2]), total);
        QCOMPARE(table->rows[0].absentees, QStringList({ "5" }));
        QCOMPARE(table->rows[1].deferrals, QStringList({ "7" }));
        // Bands in tenths of each subject's full marks: 数学 59 of 150 is in 30%～40%.
        QCOMPARE(texts(sheet.rows[5]).mid(0, 5), top);
        QCOMPARE(texts(sheet.rows[11]).mid(3, 2), QStringList({ "1", "14.3" }));
    }

    void exactShares_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("sat");
        QTest::addColumn<QString>("share");
        QTest::newRow("2 of 3") << 2 << 3 << QStringLiteral("66.7");
        QTest::newRow("1 of 8, a half rounds up") << 1 << 8 << QStringLiteral("12.5");
        QTest::newRow("1 of 16, 6.25 up") << 1 << 16 << QStringLiteral("6.3");
        QTest::newRow("1 of 80, 1.25 up") << 1 << 80 << QStringLiteral("1.3");
        QTest::newRow("all") << 7 << 7 << QStringLiteral("100.0");
    }
    void exactShares()
    {
        QFETCH(int, count);
        QFETCH(int, sat);
        QFETCH(QString, share);
        Analysis::StatsRow row;
        row.sat = sat;
        QCOMPARE(Analysis::tenthsText(*row.shareTenths(count)), share);
    }

    // Bands at their exact bounds: 89.9% is not 90%, for 100 and 150 points.
    void gradeBands_data()
    {
        QTest::addColumn<bool>("letters");
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("full");
        QTest::addColumn<QString>("band");
        QTest::newRow("90 of 100") << false << 90 << 100 << QStringLiteral("优秀");
        QTest::newRow("89 of 100") << false << 89 << 100 << QStringLiteral("良好");
        QTest::newRow("135 of 150") << false << 135 << 150 << QStringLiteral("优秀");
        QTest::newRow("134 of 150, 89.3%") << false << 134 << 150 << QStringLiteral("良好");
        QTest::newRow("59 of 100") << false << 59 << 100 << QStringLiteral("待合格");
        QTest::newRow("0") << false << 0 << 100 << QStringLiteral("待合格");
        QTest::newRow("A at 85%") << true << 85 << 100 << QStringLiteral("A");
        QTest::newRow("B below 85% of 150") << true << 127 << 150 << QStringLiteral("B");
    }
    void gradeBands()
    {
        QFETCH(bool, letters);
        QFETCH(int, score);
        QFETCH(int, full);
        QFETCH(QString, band);
        QCOMPARE((letters ? GradeBands::letters() : GradeBands {}).bandOf(score, full), band);
    }

    // The bands are the class's: set in their dialog, kept, counted in the table.
    void gradeBandsKeptAndCounted()
    {
        GradeBands wrong;
        wrong.bands[1].lower = 95;
        QVERIFY(!wrong.save(db()));
        Analyze_Stats window(mod());
        QVERIFY(window.load());
        window.show();
        child<QComboBox>(&window, "cmbTest")->setCurrentIndex(0);
        auto* grades = child<ResultGrid>(&window, "grdGrades");
        // 语文 95 is 优秀, 数学 140 and 150 of 150.
        QCOMPARE(grades->rowTexts(1).mid(0, 5), QStringList({ "优秀", "1", "20.0", "2", "28.6" }));
        whenModal<GradeBandsDialog>([](GradeBandsDialog* dialog) {
            test::click(dialog, "BN_Letters");
            test::click(dialog, "BN_OK");
        });
        test::click(&window, "BN_Grades");
        QCOMPARE(*GradeBands::load(db()), GradeBands::letters());
        QCOMPARE(grades->text(0, 0), QStringLiteral("等级（A ≥85%，B ≥70%，C ≥60%，D <60%）"));
        QCOMPARE(grades->rowTexts(1).mid(0, 3), QStringList({ "A", "2", "40.0" }));
    }

    // The subject analysis, the class analysis and the report cards count
    // as the table does; a 缺考 subject takes the total's rank away only
    // while the class says so.
    void sameCountsEverywhere_data()
    {
        QTest::addColumn<bool>("absentNoRank");
        QTest::newRow("no rank with 缺考") << true;
        QTest::newRow("ranked all the same") << false;
    }
    void sameCountsEverywhere()
    {
        QFETCH(bool, absentNoRank);
        StatsRules rules;
        rules.absentNoRank = absentNoRank;
        rules.pass = 70;
        QVERIFY(rules.save(db()));
        mod().setSelNo(QString::number(m_test));
        mod().setSubjectName(QStringLiteral("语文"));
        Analyze_Subject subject(mod());
        subject.load();
        QCOMPARE(child<QLineEdit>(&subject, "txtN")->text(), QStringLiteral("5"));
        QCOMPARE(child<QLineEdit>(&subject, "txtAve")->text(), QStringLiteral("55.8"));
        // 及格 at the class's 70%: 95 and 85.
        QCOMPARE(child<QLineEdit>(&subject, "txtPass")->text(), QStringLiteral("2"));

        auto test = Exams::fetch(db(), m_test);
        auto table = Analysis::classTable(db(), **test, {}, Analysis::ClassOrder::TotalDescending);
        QVERIFY(table);
        const auto row = [&](const QString& number) {
            for (const QStringList& r : table->rows) {
                if (r.value(0) == number)
                    return r;
            }
            return QStringList();
        };
        QCOMPARE(row(QStringLiteral("7")), QStringList({ "7", "0*", "作弊", "缓考" }));
        // 免考 leaves the subject out of a whole total.
        QCOMPARE(row(QStringLiteral("6")), QStringList({ "6", "120", "免考", "120" }));

        // Cards, slips and 进退步 take the table's whole totals: 缺考, 缓考 and
        // an empty score alike leave a partial total out of the average and the
        // bands, and out of the ranks while the class says so.
        auto cards = ReportCards::forTest(db(), m_test);
        QVERIFY(cards);
        QCOMPARE(*cards->cards[0].subjects[0].classAverage, 558);
        QCOMPARE(cards->card(QStringLiteral("7"))->subjects[0].mark, ScoreMarks::kCheated);
        QCOMPARE(*cards->totalAverage, 1630);
        for (const char* partial : { "5", "7", "8" })
            QCOMPARE(cards->card(QString::fromLatin1(partial))->totalRank.has_value(), !absentNoRank);
        QCOMPARE(cards->ranked, absentNoRank ? 5 : 8);
        ReportCards::Term term;
        term.addFirst(*cards);
        Slips::Choices choices;
        choices.shown = ReportCards::Shown::Both;
        const auto slips = Slips::slipsOf(term, term.everyone(), choices);
        QCOMPARE(slips[4].total.cell(choices.shown), QStringLiteral("100"));
        QCOMPARE(slips[5].total.cell(choices.shown), QStringLiteral("120（良好）"));
        QCOMPARE(slips[5].total.average, QStringLiteral("163.0"));
        const auto cells = Analysis::cellsOf(db(), **test);
        QCOMPARE(Analysis::resultsOf(*cells, {}, rules).ranks.size(), qsizetype(cards->ranked));
    }

    // Pictures for the parents' meeting from the table's own figures: the
    // score bands of each subject, the averages and rates over the tests; a
    // slide-sized PNG and a print, and no student named on any.
    void chartsForTheParentsMeeting()
    {
        monthTest();
        Analyze_Stats window(mod());
        QVERIFY(window.load());
        window.show();
        const auto open = [&window](int test) {
            child<QComboBox>(&window, "cmbTest")->setCurrentIndex(test);
            test::click(&window, "BN_Charts");
            auto* charts = window.findChild<StatsCharts*>();
            return charts;
        };
        const auto values = [](const ChartData& chart) {
            QStringList out;
            for (const ChartData::Series& s : chart.series) {
                QStringList v;
                for (double d : s.values)
                    v << (std::isnan(d) ? QStringLiteral("-") : QString::number(d));
                out << s.name + QLatin1Char(':') + v.join(QLatin1Char(','));
            }
            return out;
        };
        const auto named = [](const ChartData& chart) {
            const QString all = chart.title + chart.categories.join(QString()) + chart.legendTexts().join(QString());
            return all.contains(QStringLiteral("学生"));
        };

        // 语文 of 100: 95, 85, 60, 39 and 作弊 as 0; 数学 of 150: 140, 127, 90, 59, 100, 120, 150.
        StatsCharts* charts = open(1);
        QVERIFY(charts);
        auto* view = child<ChartView>(charts, "Chart");
        QCOMPARE(view->chart().categories.first(), QStringLiteral("90%～100%"));
        QCOMPARE(values(view->chart()), QStringList({ "语文:1,1,0,1,2", "数学:2,2,0,2,1" }));
        child<QComboBox>(charts, "cmbSubject")->setCurrentIndex(2);
        QCOMPARE(values(view->chart()), QStringList({ "数学:2,2,0,2,1" }));
        QVERIFY(!named(view->chart()));
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("数学.png"));
        FileDialogs::setNextFileName(png);
        test::click(charts, "BN_SavePng");
        QVERIFY(MessageService::lastText().startsWith(QStringLiteral("已保存图片")));
        const QImage slide(png);
        QCOMPARE(slide.size(), QSize(1920, 1080));
        int drawn = 0; // of every eighth pixel each way: the bars at least
        for (int y = 0; y < slide.height(); y += 8) {
            for (int x = 0; x < slide.width(); x += 8)
                drawn += slide.pixelColor(x, y) != Qt::white;
        }
        QVERIFY2(drawn > 1920 * 1080 / 64 / 10, qPrintable(QString::number(drawn)));
        test::click(charts, "BN_Print");
        auto* preview = charts->findChild<ReportPreview*>();
        QVERIFY(preview);
        preview->close();
        charts->close();
        QTRY_VERIFY(!window.findChild<StatsCharts*>());

        // The month test after it: 语文 401 of 8 is 50.1; nobody sat 数学 there.
        charts = open(0);
        view = child<ChartView>(charts, "Chart");
        auto* kind = child<QComboBox>(charts, "cmbChart");
        kind->setCurrentIndex(1);
        QCOMPARE(view->chart().categories, QStringList({ "期中", "月考" }));
        QCOMPARE(values(view->chart()), QStringList({ "语文:55.8,50.1", "数学:112.3,-" }));
        QCOMPARE(view->chart().high, 150.0);
        kind->setCurrentIndex(2);
        QCOMPARE(values(view->chart()), QStringList({ "语文:40,0", "数学:28.6,-" }));
        kind->setCurrentIndex(3);
        QCOMPARE(values(view->chart()), QStringList({ "语文:60,0", "数学:85.7,-" }));
        QVERIFY(!child<QComboBox>(charts, "cmbSubject")->isEnabled());
        QVERIFY(!named(view->chart()));
        charts->close();
    }

    // The window as the teacher uses it: the table shown, the thresholds
    // changed in their dialog, an earlier test beside it, out to a workbook.
    void windowRulesCompareExport()
    {
        const int earlier = monthTest();
        Analyze_Stats window(mod());
        QVERIFY(window.load());
        window.show();
        auto* stats = child<ResultGrid>(&window, "grdStats");
        // The newest test comes first.
        QCOMPARE(child<QComboBox>(&window, "cmbTest")->currentData().toInt(), earlier);
        child<QComboBox>(&window, "cmbTest")->setCurrentIndex(1);
        QCOMPARE(stats->rowTexts(1).mid(0, 6), QStringList({ "语文", "7", "5", "1", "1", "55.8" }));
        QVERIFY(child<QLabel>(&window, "lblCaption")->text().startsWith(QStringLiteral("优秀：≥85%满分")));
        // Which standard deviation, where a teacher checks it against Excel.
        QVERIFY(child<QLabel>(&window, "lblCaption")->text().contains(QStringLiteral("STDEV.P")));
        QCOMPARE(stats->text(0, 8), QStringLiteral("总体标准差"));
        QCOMPARE(child<QLabel>(&window, "lblMissing")->text(),
            QStringLiteral("语文缺考：学生5；语文作弊：学生7；数学缓考：学生7"));

        whenModal<StatsRulesDialog>([](StatsRulesDialog* rules) {
            auto* excellent = child<QSpinBox>(rules, "spnExcellent");
            excellent->setFocus();
            excellent->selectAll();
            QTest::keyClicks(excellent, "90");
            QTest::keyClick(excellent, Qt::Key_Tab);
            QTest::keyClick(child<QCheckBox>(rules, "chkCheatZero"), Qt::Key_Space); // now off
            QTest::keyClick(rules, Qt::Key_Return);
        });
        test::click(&window, "BN_Rules");
        QCOMPARE(stats->rowTexts(1).mid(0, 11),
            QStringList({ "语文", "7", "4", "1", "1", "69.8", "95", "39", "21.9", "1", "25.0" }));
        QCOMPARE(StatsRules::load(db())->excellent, 90);
        QVERIFY(!StatsRules::load(db())->cheatAsZero);

        // Against the month test, where everyone sat 语文 with 50.
        child<QComboBox>(&window, "cmbCompare")->setCurrentIndex(1);
        // 69.75 against 50.125, rounded once; 数学 of 150 against 100 by its share of full marks.
        QCOMPARE(stats->rowTexts(0).mid(6, 2), QStringList({ "平均分变化", "变化按" }));
        QCOMPARE(stats->rowTexts(1).mid(6, 2), QStringList({ "+19.6", "分数" }));
        QCOMPARE(stats->text(2, 7), QStringLiteral("得分率(百分点)"));
        QCOMPARE(stats->text(1, 16), QStringLiteral("+50.0")); // 良好率: 50% against none

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("统计.xlsx"));
        FileDialogs::setNextFileName(path);
        test::click(&window, "BN_Export");
        auto book = SheetReader::read(path);
        QVERIFY2(book, qPrintable(MessageService::lastText()));
        const SheetTable& sheet = book->at(0);
        QVERIFY2(sheet.title.contains(QStringLiteral("对比 %1 月考").arg(earlier)), qPrintable(sheet.title));
        QCOMPARE(sheet.rows.value(0).value(5), QVariant(QStringLiteral("平均分")));
        QCOMPARE(sheet.rows.value(1).value(5).toDouble(), 69.8);
        QCOMPARE(sheet.rows.value(1).value(5).typeId(), QMetaType::Double);
        QCOMPARE(sheet.rows.value(1).value(6), QVariant(19.6));

        // Who missed the test is named: asked first, once a run.
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&window, "BN_Print");
        auto* preview = window.findChild<ReportPreview*>();
        QVERIFY(preview);
        preview->close();

        // A test defined while the window is open comes into its lists; the choices stay.
        auto* tests = child<QComboBox>(&window, "cmbTest");
        const int listed = tests->count();
        defineTest({ 0 });
        QCOMPARE(tests->count(), listed + 1);
        QCOMPARE(tests->currentData().toInt(), m_test);
        QCOMPARE(child<QComboBox>(&window, "cmbCompare")->currentData().toInt(), earlier);
    }
};

QTEST_MAIN(TestStats)
#include "tst_stats.moc"
