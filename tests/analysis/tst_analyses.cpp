#include "analysis/ui/Analyze_Class.h"
#include "analysis/ui/Analyze_Person.h"
#include "analysis/ui/Analyze_Subject.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "exams/TestRecord.h"
#include "platform/ui/ChartView.h"
#include "platform/ui/ResultGrid.h"
#include "support/DbTestCase.h"
#include "support/Ui.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <cmath>

using namespace velmora;
using velmora::test::child;

class TestAnalyses : public velmora::test::DbTestCase
{
    Q_OBJECT

    int define(const QVector<int>& subjects, const QString& type = QStringLiteral("平时考试"))
    {
        return defineTest(subjects, false, false, QStringLiteral("测验"), type);
    }

    // The pie as the chart on screen holds it.
    // 英语 of students 1, 2 and 3.
    void english(int test, const QVariantList& scores)
    {
        for (int i = 0; i < 3; ++i)
            setScores(test, QString::number(i + 1), QStringLiteral("英语=?"), { scores[i] });
    }
    static const ChartData& pie(QWidget* window) { return child<ChartView>(window, "Chart")->chart(); }

private Q_SLOTS:
    void classTableSortsAndCuts()
    {
        addStudents({ "1", "2", "3", "4", "5" });
        const int t = define({ 0, 1 });
        const int totals[5][2] = { { 90, 80 }, { 60, 99 }, { 70, 70 }, { 100, 100 }, { 0, 30 } };
        for (int i = 0; i < 5; ++i)
            setScores(t, QString::number(i + 1), QStringLiteral("语文=?, 数学=?"), { totals[i][0], totals[i][1] });
        mod().setSelNo(QString::number(t));
        Analyze_Class a(mod());
        a.show();
        a.load();
        auto* grid = child<ResultGrid>(&a, "Grid");
        const auto click = [&](const char* name) {
            test::click(&a, name);
            return test::columnTexts(grid, 0);
        };
        QCOMPARE(grid->rowTexts(0), QStringList({ "学号", "总分", "语文", "数学" }));
        QCOMPARE(test::columnTexts(grid, 0), QStringList({ "5", "4", "3", "2", "1" }));
        QCOMPARE(test::columnTexts(grid, 1), QStringList({ "30", "200", "140", "159", "170" }));
        QCOMPARE(click("BN_Sort"), QStringList({ "4", "1", "2", "3", "5" }));

        // By the selected subjects: only enabled, checked boxes count.
        click("Check2_0");
        QVERIFY(child<QRadioButton>(&a, "Sort1")->isChecked());
        QCOMPARE(click("BN_Sort"), QStringList({ "4", "2", "1", "3", "5" }));
        QCOMPARE(grid->text(0, 1), QStringLiteral("所选1门总分"));
        QCOMPARE(test::columnTexts(grid, 1), QStringList({ "100", "99", "80", "70", "30" }));
        // Only a disabled box (英语, not in the test) left checked: no empty ORDER BY.
        MessageService::clearMessages();
        click("Check2_1");
        click("BN_Sort");
        QCOMPARE(MessageService::texts(), QStringList({ "至少要选一项！" }));

        // First and last N.
        child<QCheckBox>(&a, "Check2_1")->setChecked(true);
        child<QRadioButton>(&a, "Sort0")->setChecked(true);
        click("BN_Sort");
        QVERIFY(!child<QPushButton>(&a, "BN_Filter")->isEnabled());
        child<QLineEdit>(&a, "txtFront")->setFocus();
        QTRY_VERIFY(child<QRadioButton>(&a, "Filter0")->isChecked());
        const auto cut = [&](const char* box, const char* typed) {
            child<QLineEdit>(&a, box)->setText(QString::fromUtf8(typed));
            return click("BN_Filter");
        };
        MessageService::clearMessages();
        for (const char* typed : { "", "5", "x; drop table tblLogin", "3" })
            cut("txtFront", typed);
        QCOMPARE(MessageService::texts().mid(0, 2), QStringList({ "请输入数据", "不允许再筛选，请先排序，再筛选！" }));
        QVERIFY(MessageService::texts().value(2) != QStringLiteral("完成筛选"));
        QCOMPARE(MessageService::lastText(), QStringLiteral("完成筛选"));
        QCOMPARE(test::columnTexts(grid, 0), QStringList({ "4", "1", "2" }));
        child<QRadioButton>(&a, "Filter1")->setChecked(true);
        QCOMPARE(cut("txtLast", "3"), QStringList({ "4", "1", "2" }));
        QCOMPARE(cut("txtLast", "2"), QStringList({ "1", "2" }));

        // Flags that name a column the score table lacks, or the test deleted meanwhile: a clear message.
        QVERIFY(db().exec(QStringLiteral("update tblTestInfo set 物理=1 where 考试号=?"), { t }));
        const auto showAllSays = [&](const char* says) {
            MessageService::clearMessages();
            click("BN_ShowAll");
            QCOMPARE(MessageService::texts().size(), 1);
            QVERIFY(MessageService::lastText().contains(QString::fromUtf8(says)));
        };
        showAllSays("物理");
        QVERIFY(Exams::remove(db(), t));
        showAllSays("已不存在");
    }

    // A total is of the entered scores, marked "*" when one is empty, and the
    // order follows the totals shown, ties by 学号, on every database.
    void emptyScoresSortByTheTotalShown()
    {
        addStudents({ "1", "2", "3", "4" });
        const int t = define({ 0, 1 });
        setScores(t, QStringLiteral("1"), QStringLiteral("语文=?, 数学=?"), { 50, 40 });
        setScores(t, QStringLiteral("2"), QStringLiteral("语文=?, 数学=?"), { 95, QVariant() });
        setScores(t, QStringLiteral("3"), QStringLiteral("语文=?, 数学=?"), { QVariant(), QVariant() });
        setScores(t, QStringLiteral("4"), QStringLiteral("语文=?, 数学=?"), { 60, 35 });
        mod().setSelNo(QString::number(t));
        Analyze_Class a(mod());
        a.show();
        a.load();
        test::click(&a, "BN_Sort");
        QCOMPARE(test::columnTexts(child<ResultGrid>(&a, "Grid"), 0), QStringList({ "2", "4", "1", "3" }));
        QCOMPARE(test::columnTexts(child<ResultGrid>(&a, "Grid"), 1), QStringList({ "95*", "95", "90", "0*" }));
        QVERIFY(child<QLabel>(&a, "lblMissing")->isVisible());
        test::click(&a, "Check2_0");
        test::click(&a, "BN_Sort");
        QCOMPARE(test::columnTexts(child<ResultGrid>(&a, "Grid"), 0), QStringList({ "1", "4", "2", "3" }));
        QCOMPARE(test::columnTexts(child<ResultGrid>(&a, "Grid"), 1), QStringList({ "40", "35", "0*", "0*" }));
        child<QLineEdit>(&a, "txtFront")->setText(QStringLiteral("2"));
        test::click(&a, "Filter0");
        test::click(&a, "BN_Filter");
        QVERIFY(!child<QLabel>(&a, "lblMissing")->isVisible());
    }

    void subjectSummary()
    {
        addStudents({ "3", "1", "2" });
        const int t = define({ 2 });
        english(t, { 100, 95, 58 });
        Analyze_Subject_Sel sel(mod());
        sel.setAttribute(Qt::WA_DeleteOnClose, false); // on the stack here
        sel.load();
        child<QComboBox>(&sel, "txtNumber")->setCurrentIndex(0);
        Q_EMIT child<QComboBox>(&sel, "txtNumber")->activated(0);
        QCOMPARE(child<QComboBox>(&sel, "txtSubject")->count(), 1);
        QCOMPARE(child<QComboBox>(&sel, "txtSubject")->itemText(0), QStringLiteral("英语"));
        QSignalSpy chosen(&sel, &Analyze_Subject_Sel::chosen);
        test::click(&sel, "BN_OK");
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(mod().SubjectName(), QStringLiteral("英语"));

        Analyze_Subject a(mod());
        a.load();
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(child<QLineEdit>(&a, "txtN")->text(), QStringLiteral("3"));
        QCOMPARE(child<QLineEdit>(&a, "txtAve")->text(), QStringLiteral("84.3333333333333"));
        QCOMPARE(child<QLineEdit>(&a, "txtPass_P")->text(), QStringLiteral("66"));
        QCOMPARE(child<QLineEdit>(&a, "txtMin")->text(), QStringLiteral("58"));
        QCOMPARE(child<ResultGrid>(&a, "Grid")->rowTexts(1), QStringList({ "英语成绩", "100", "95", "58" }));
        QCOMPARE(child<QTableWidget>(&a, "Grid1")->item(1, 4)->text(), QStringLiteral("33%"));
        QCOMPARE(pie(&a).categories[5], QStringLiteral("100：1人"));
        // Every band header reads whole at the opening size.
        a.show();
        QVERIFY(QTest::qWaitForWindowExposed(&a));
        auto* bands = child<QTableWidget>(&a, "Grid1");
        for (int b = 0; b < 6; ++b) {
            const QString header = bands->horizontalHeaderItem(b)->text();
            QVERIFY2(bands->columnWidth(b) >= bands->horizontalHeader()->fontMetrics().horizontalAdvance(header) + 6,
                qPrintable(header));
        }

        // An empty score is left out; a score above 100 is a real highest.
        english(t, { 100, 120, QVariant() });
        Analyze_Subject gaps(mod());
        gaps.load();
        QCOMPARE(child<QLineEdit>(&gaps, "txtN")->text(), QStringLiteral("2"));
        QCOMPARE(child<QLineEdit>(&gaps, "txtMax")->text(), QStringLiteral("120"));
        QCOMPARE(child<QLineEdit>(&gaps, "txtMin")->text(), QStringLiteral("100"));
        QCOMPARE(child<QLineEdit>(&gaps, "txtAve")->text(), QStringLiteral("110"));
        QCOMPARE(child<ResultGrid>(&gaps, "Grid")->text(1, 3), QString());

        // Out of 150: a pass is 90, the bands are shares of 150.
        QVERIFY(Exams::setFullMarks(db(), t, 2, 150));
        english(t, { 89, 150, 90 });
        Analyze_Subject high(mod());
        high.load();
        QCOMPARE(child<QTableWidget>(&high, "Grid1")->horizontalHeaderItem(1)->text(), QStringLiteral("90-104"));
        QCOMPARE(child<QLineEdit>(&high, "txtPass")->text(), QStringLiteral("2"));
        mod().setSelNo(QString::number(t));
        Analyze_Class c(mod());
        c.load();
        QCOMPARE(child<ResultGrid>(&c, "Grid")->rowTexts(0), QStringList({ "学号", "总分", "英语(150)" }));

        // A subject the test lacks never reaches the statement.
        mod().setSubjectName(QStringLiteral("语文 from tblLogin --"));
        Analyze_Subject b(mod());
        b.load();
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(child<QLineEdit>(&b, "txtN")->text().isEmpty());
    }

    void personalTableAndChart()
    {
        addStudents({ "002", "001" });
        const int a = define({ 0, 1, 2 });
        const int b = define({ 0, 2 }, QStringLiteral("期末考试"));
        define({ 5 }, QStringLiteral("期中考试1"));
        const int d = define({ 0, 1 });
        setScores(a, QStringLiteral("001"), QStringLiteral("语文=?, 数学=?, 英语=?"), { 80, 70, 60 });
        setScores(b, QStringLiteral("001"), QStringLiteral("语文=?, 英语=?"), { 85, 65 });
        setScores(d, QStringLiteral("001"), QStringLiteral("语文=?, 数学=?"), { 90, 90 });
        setScores(a, QStringLiteral("002"), QStringLiteral("语文=0, 数学=0, 英语=0"), {});
        setScores(b, QStringLiteral("002"), QStringLiteral("语文=0, 英语=0"), {});
        QVERIFY(db().exec(QStringLiteral("delete from tblScore%1 where 学号=?").arg(d), { QStringLiteral("002") }));
        Analyze_Person p(mod());
        QVERIFY(p.load());
        QCOMPARE(child<QLineEdit>(&p, "txtNumber")->text(), QStringLiteral("001"));
        QCOMPARE(child<ResultGrid>(&p, "Grid")->rowTexts(0),
            QStringList({ "考试号", "考试类型", "考试名称", "语文", "数学", "英语" }));
        QCOMPARE(child<ResultGrid>(&p, "Grid")->rowTexts(2),
            QStringList({ QString::number(b), "期末考试", "测验", "85", "---", "65" }));
        // A test with none of the checked subjects keeps an empty row.
        QCOMPARE(child<ResultGrid>(&p, "Grid")->rowTexts(3), QStringList({ "", "", "", "---", "---", "---" }));
        QCOMPARE(child<ResultGrid>(&p, "Grid")->rows(), 5);
        // Gaps are estimated within their own subject (the rule itself is tst_analysis's).
        const PersonChartData& chart = p.chartData();
        QCOMPARE(chart.values[1][1], 80.0);
        QVERIFY(chart.estimated[1][1] && !chart.estimated[1][0] && chart.estimated[3][2]);
        QVERIFY(chart.anyEstimated());
        // The enlarged chart names the estimated bars in its legend.
        Analyze_Person_Chart big(p.chartData());
        const ChartData& large = child<ChartView>(&big, "Chart")->chart();
        QVERIFY(large.legendTexts().contains(PersonChartData::estimateLegend()));

        test::click(&p, "BN_Previous");
        QCOMPARE(child<QLineEdit>(&p, "txtNumber")->text(), QStringLiteral("001"));
        test::click(&p, "BN_Next");
        QCOMPARE(child<QLineEdit>(&p, "txtNumber")->text(), QStringLiteral("002"));
        QCOMPARE(child<ResultGrid>(&p, "Grid")->rows(), 4); // no row in test d
        // The class rank of the total in each test, as a line: second in a and b, not in d.
        const ChartData& line = child<ChartView>(&p, "RankChart")->chart();
        QCOMPARE(line.points(0), QList<QPointF>({ QPointF(0, 2), QPointF(1, 2) }));
        test::click(&p, "BN_Next");
        QCOMPARE(child<QLineEdit>(&p, "txtNumber")->text(), QStringLiteral("002"));

        child<QLineEdit>(&p, "txtFind")->setText(QStringLiteral("1"));
        test::click(&p, "BN_Find");
        QCOMPARE(child<QLineEdit>(&p, "txtNumber")->text(), QStringLiteral("001"));
        for (const char* typed : { "9", "1 or 1=1" }) {
            MessageService::clearMessages();
            child<QLineEdit>(&p, "txtFind")->setText(QString::fromLatin1(typed));
            test::click(&p, "BN_Find");
            QCOMPARE(MessageService::texts().size(), 1);
        }
        QCOMPARE(child<QLineEdit>(&p, "txtNumber")->text(), QStringLiteral("001"));

        // An empty score reads 缺 and has no bar; the gap beside it is
        // estimated from the real scores only.
        setScores(a, QStringLiteral("001"), QStringLiteral("数学=?"), { QVariant() });
        test::click(&p, "BN_Next");
        test::click(&p, "BN_Previous");
        QCOMPARE(child<ResultGrid>(&p, "Grid")->rowTexts(1).mid(3), QStringList({ "80", "缺", "60" }));
        QVERIFY(std::isnan(p.chartData().values[0][1]) && !p.chartData().estimated[0][1]);
        QCOMPARE(p.chartData().values[1][1], 90.0);

        // Unchecking the last type that has tests is refused.
        p.show();
        for (int i : { 0, 1 })
            test::click(&p, QStringLiteral("Check1_%1").arg(i));
        MessageService::clearMessages();
        test::click(&p, "Check1_2");
        QCOMPARE(MessageService::texts(), QStringList({ "至少表中要有一项！" }));
        QVERIFY(child<QCheckBox>(&p, "Check1_2")->isChecked());
        QCOMPARE(child<ResultGrid>(&p, "Grid")->rows(), 2);
    }
};

QTEST_MAIN(TestAnalyses)
#include "tst_analyses.moc"
