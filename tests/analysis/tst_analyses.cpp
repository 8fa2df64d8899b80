#include "analysis/ui/Analyze_Class.h"
#include "analysis/ui/Analyze_Person.h"
#include "analysis/ui/Analyze_Subject.h"
#include "app/Module1.h"
#include "exams/TestRecord.h"
#include "platform/MessageService.h"
#include "platform/ui/ResultGrid.h"
#include "support/DbTestCase.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <cmath>

using namespace velmora;

class TestAnalyses : public velmora::test::DbTestCase
{
    Q_OBJECT

    int define(const QVector<int>& subjects, const QString& type = QStringLiteral("平时考试"))
    {
        auto made = Exams::define(db(),
            { QStringLiteral("测验"), QStringLiteral("2024-10-01"), type, QString(), { subjects, false, false } });
        return made ? made->number : -1;
    }
    void scores(int test, const QString& student, const QString& sets, const QVariantList& values)
    {
        QVariantList params = values;
        params << student;
        QVERIFY(db().exec(QStringLiteral("update tblScore%1 set %2 where 学号=?").arg(test).arg(sets), params));
    }
    void students(const QStringList& numbers)
    {
        for (const QString& n : numbers)
            QVERIFY(db().exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别) values (?, ?, ?)"),
                { n, QStringLiteral("学生") + n, QStringLiteral("女") }));
    }
    static QStringList column(ResultGrid* g, int c)
    {
        QStringList out;
        for (int r = 1; r < g->rows(); ++r)
            out << g->text(r, c);
        return out;
    }

private Q_SLOTS:
    void classTableSortsAndCuts()
    {
        students({ "1", "2", "3", "4", "5" });
        const int t = define({ 0, 1 });
        const int totals[5][2] = { { 90, 80 }, { 60, 99 }, { 70, 70 }, { 100, 100 }, { 0, 30 } };
        for (int i = 0; i < 5; ++i)
            scores(t, QString::number(i + 1), QStringLiteral("语文=?, 数学=?"), { totals[i][0], totals[i][1] });
        mod().SelNo = QString::number(t);
        Analyze_Class a;
        a.show();
        a.load();
        QCOMPARE(a.Grid->rowTexts(0), QStringList({ "学号", "总分", "语文", "数学" }));
        QCOMPARE(column(a.Grid, 0), QStringList({ "5", "4", "3", "2", "1" }));
        QCOMPARE(column(a.Grid, 1), QStringList({ "30", "200", "140", "159", "170" }));
        QVERIFY(!a.Check2[2]->isEnabled());
        QVERIFY(a.Check2[2]->isChecked());
        QCOMPARE(a.Grid->background(2, 1), QColor(224, 224, 224));

        QTest::mouseClick(a.BN_Sort, Qt::LeftButton);
        QCOMPARE(column(a.Grid, 0), QStringList({ "4", "1", "2", "3", "5" }));

        // By the selected subjects: only enabled, checked boxes count.
        QTest::mouseClick(a.Check2[0], Qt::LeftButton);
        QVERIFY(a.Sort[1]->isChecked());
        QTest::mouseClick(a.BN_Sort, Qt::LeftButton);
        QCOMPARE(a.Grid->text(0, 1), QStringLiteral("所选1门总分"));
        QCOMPARE(column(a.Grid, 0), QStringList({ "4", "2", "1", "3", "5" }));
        QCOMPARE(column(a.Grid, 1), QStringList({ "100", "99", "80", "70", "30" }));
        // Only a disabled box left checked: no empty ORDER BY.
        MessageService::clearMessages();
        QTest::mouseClick(a.Check2[1], Qt::LeftButton);
        QVERIFY(!a.Check2[1]->isChecked());
        QVERIFY(MessageService::messages().isEmpty());
        QTest::mouseClick(a.BN_Sort, Qt::LeftButton);
        QCOMPARE(MessageService::texts(), QStringList({ "至少要选一项！" }));

        // First and last N.
        a.Check2[1]->setChecked(true);
        a.Sort[0]->setChecked(true);
        QTest::mouseClick(a.BN_Sort, Qt::LeftButton);
        QVERIFY(!a.BN_Filter->isEnabled());
        a.txtFront->setFocus();
        QTRY_VERIFY(a.Filter[0]->isChecked());
        QVERIFY(a.BN_Filter->isEnabled());
        MessageService::clearMessages();
        QTest::mouseClick(a.BN_Filter, Qt::LeftButton);
        a.txtFront->setText(QStringLiteral("5"));
        QTest::mouseClick(a.BN_Filter, Qt::LeftButton);
        a.txtFront->setText(QStringLiteral("x; drop table tblLogin"));
        QTest::mouseClick(a.BN_Filter, Qt::LeftButton);
        a.txtFront->setText(QStringLiteral("3"));
        QTest::mouseClick(a.BN_Filter, Qt::LeftButton);
        QCOMPARE(MessageService::texts().mid(0, 2), QStringList({ "请输入数据", "不允许再筛选，请先排序，再筛选！" }));
        QVERIFY(MessageService::texts()[2] != QStringLiteral("完成筛选"));
        QCOMPARE(MessageService::texts().last(), QStringLiteral("完成筛选"));
        QCOMPARE(column(a.Grid, 0), QStringList({ "4", "1", "2" }));
        a.Filter[1]->setChecked(true);
        a.txtLast->setText(QStringLiteral("3"));
        QTest::mouseClick(a.BN_Filter, Qt::LeftButton);
        QCOMPARE(column(a.Grid, 0), QStringList({ "4", "1", "2" }));
        a.txtLast->setText(QStringLiteral("2"));
        QTest::mouseClick(a.BN_Filter, Qt::LeftButton);
        QCOMPARE(column(a.Grid, 0), QStringList({ "1", "2" }));
        QCOMPARE(a.Grid->background(1, 0), QColor(192, 255, 255));

        // Flags that name a column the score table lacks: a clear message.
        QVERIFY(db().exec(QStringLiteral("update tblTestInfo set 物理=1 where 考试号=?"), { t }));
        MessageService::clearMessages();
        QTest::mouseClick(a.BN_ShowAll, Qt::LeftButton);
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::texts().first().contains(QStringLiteral("物理")));

        // The test deleted meanwhile: a clear message.
        QVERIFY(Exams::remove(db(), t));
        MessageService::clearMessages();
        QTest::mouseClick(a.BN_ShowAll, Qt::LeftButton);
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(MessageService::texts().first().contains(QStringLiteral("已不存在")));
    }

    // A total is of the entered scores, marked "*" when one is empty, and the
    // order follows the totals shown, ties by 学号, on every database.
    void emptyScoresSortByTheTotalShown()
    {
        students({ "1", "2", "3", "4" });
        const int t = define({ 0, 1 });
        scores(t, QStringLiteral("1"), QStringLiteral("语文=?, 数学=?"), { 50, 40 });
        scores(t, QStringLiteral("2"), QStringLiteral("语文=?, 数学=?"), { 95, QVariant() });
        scores(t, QStringLiteral("3"), QStringLiteral("语文=?, 数学=?"), { QVariant(), QVariant() });
        scores(t, QStringLiteral("4"), QStringLiteral("语文=?, 数学=?"), { 60, 35 });
        mod().SelNo = QString::number(t);
        Analyze_Class a;
        a.show();
        a.load();
        QTest::mouseClick(a.BN_Sort, Qt::LeftButton);
        QCOMPARE(column(a.Grid, 0), QStringList({ "2", "4", "1", "3" }));
        QCOMPARE(column(a.Grid, 1), QStringList({ "95*", "95", "90", "0*" }));
        QVERIFY(a.lblMissing->isVisible());
        QTest::mouseClick(a.Check2[0], Qt::LeftButton);
        QTest::mouseClick(a.BN_Sort, Qt::LeftButton);
        QCOMPARE(column(a.Grid, 0), QStringList({ "1", "4", "2", "3" }));
        QCOMPARE(column(a.Grid, 1), QStringList({ "40", "35", "0*", "0*" }));
        a.txtFront->setText(QStringLiteral("2"));
        QTest::mouseClick(a.Filter[0], Qt::LeftButton);
        QTest::mouseClick(a.BN_Filter, Qt::LeftButton);
        QVERIFY(!a.lblMissing->isVisible());
    }

    void subjectSummary()
    {
        students({ "3", "1", "2" });
        const int t = define({ 2 });
        scores(t, QStringLiteral("1"), QStringLiteral("英语=?"), { 100 });
        scores(t, QStringLiteral("2"), QStringLiteral("英语=?"), { 95 });
        scores(t, QStringLiteral("3"), QStringLiteral("英语=?"), { 58 });
        Analyze_Subject_Sel sel;
        sel.setAttribute(Qt::WA_DeleteOnClose, false); // on the stack here
        sel.load();
        sel.txtNumber->setCurrentIndex(0);
        Q_EMIT sel.txtNumber->activated(0);
        QCOMPARE(sel.txtSubject->count(), 1);
        QCOMPARE(sel.txtSubject->itemText(0), QStringLiteral("英语"));
        QSignalSpy chosen(&sel, &Analyze_Subject_Sel::chosen);
        QTest::mouseClick(sel.BN_OK, Qt::LeftButton);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(mod().SubjectName, QStringLiteral("英语"));

        Analyze_Subject a;
        a.load();
        QVERIFY(MessageService::messages().isEmpty());
        QCOMPARE(a.txtN->text(), QStringLiteral("3"));
        QCOMPARE(a.txtAve->text(), QStringLiteral("84.3333333333333"));
        QCOMPARE(a.txtPass_P->text(), QStringLiteral("66"));
        QCOMPARE(a.txtMin->text(), QStringLiteral("58"));
        QCOMPARE(a.Grid->rowTexts(0), QStringList({ "学号", "1", "2", "3" }));
        QCOMPARE(a.Grid->rowTexts(1), QStringList({ "英语成绩", "100", "95", "58" }));
        QCOMPARE(a.Grid1->item(1, 4)->text(), QStringLiteral("33%"));
        QCOMPARE(a.Pie->count(), 6);
        QCOMPARE(a.Pie->slices()[5]->label(), QStringLiteral("100：1人"));
        QCOMPARE(a.Pie->slices()[0]->value(), 1.0);
        // Every band header reads whole at the opening size.
        a.show();
        QVERIFY(QTest::qWaitForWindowExposed(&a));
        for (int b = 0; b < 6; ++b) {
            const QString header = a.Grid1->horizontalHeaderItem(b)->text();
            QVERIFY2(a.Grid1->horizontalHeader()->sectionSize(b)
                    >= a.Grid1->horizontalHeader()->fontMetrics().horizontalAdvance(header) + 6,
                qPrintable(header));
        }

        // An empty score is left out; a score above 100 is a real highest.
        scores(t, QStringLiteral("3"), QStringLiteral("英语=?"), { QVariant() });
        scores(t, QStringLiteral("2"), QStringLiteral("英语=?"), { 120 });
        Analyze_Subject gaps;
        gaps.load();
        QCOMPARE(gaps.txtN->text(), QStringLiteral("2"));
        QCOMPARE(gaps.txtMax->text(), QStringLiteral("120"));
        QCOMPARE(gaps.txtMin->text(), QStringLiteral("100"));
        QCOMPARE(gaps.txtAve->text(), QStringLiteral("110"));
        QCOMPARE(gaps.Grid->text(1, 3), QString());

        // Out of 150: a pass is 90, the bands are shares of 150.
        QVERIFY(Exams::setFullMarks(db(), t, 2, 150));
        scores(t, QStringLiteral("1"), QStringLiteral("英语=?"), { 89 });
        scores(t, QStringLiteral("2"), QStringLiteral("英语=?"), { 150 });
        scores(t, QStringLiteral("3"), QStringLiteral("英语=?"), { 90 });
        Analyze_Subject high;
        high.load();
        QStringList bands;
        for (int b = 0; b < 6; ++b)
            bands << high.Grid1->horizontalHeaderItem(b)->text() + QLatin1Char('=') + high.Grid1->item(0, b)->text();
        QCOMPARE(bands, QStringList({ "90分以下=1", "90-104=1", "105-119=0", "120-134=0", "135-149=0", "150=1" }));
        QCOMPARE(high.txtPass->text(), QStringLiteral("2"));
        QCOMPARE(high.Pie->slices()[5]->label(), QStringLiteral("150：1人"));
        mod().SelNo = QString::number(t);
        Analyze_Class c;
        c.load();
        QCOMPARE(c.Grid->rowTexts(0), QStringList({ "学号", "总分", "英语(150)" }));

        // A subject the test lacks never reaches the statement.
        mod().SubjectName = QStringLiteral("语文 from tblLogin --");
        Analyze_Subject b;
        b.load();
        QCOMPARE(MessageService::texts().size(), 1);
        QVERIFY(b.txtN->text().isEmpty());
    }

    void personalTableAndChart()
    {
        students({ "002", "001" });
        const int a = define({ 0, 1, 2 });
        const int b = define({ 0, 2 }, QStringLiteral("期末考试"));
        define({ 5 }, QStringLiteral("期中考试1"));
        const int d = define({ 0, 1 });
        scores(a, QStringLiteral("001"), QStringLiteral("语文=?, 数学=?, 英语=?"), { 80, 70, 60 });
        scores(b, QStringLiteral("001"), QStringLiteral("语文=?, 英语=?"), { 85, 65 });
        scores(d, QStringLiteral("001"), QStringLiteral("语文=?, 数学=?"), { 90, 90 });
        QVERIFY(db().exec(QStringLiteral("delete from tblScore%1 where 学号=?").arg(d), { QStringLiteral("002") }));
        Analyze_Person p;
        QVERIFY(p.load());
        QCOMPARE(p.txtNumber->text(), QStringLiteral("001"));
        QCOMPARE(p.Grid->rowTexts(0), QStringList({ "考试号", "考试类型", "考试名称", "语文", "数学", "英语" }));
        QCOMPARE(p.Grid->rowTexts(2), QStringList({ QString::number(b), "期末考试", "测验", "85", "---", "65" }));
        // A test with none of the checked subjects keeps an empty row.
        QCOMPARE(p.Grid->rowTexts(3), QStringList({ "", "", "", "---", "---", "---" }));
        QCOMPARE(p.Grid->rows(), 5);
        const PersonChartData& chart = p.chartData();
        QCOMPARE(chart.categories, QStringList({ "语文", "数学", "英语" }));
        QCOMPARE(chart.values[1][1], 80.0); // between 70 and 90, in its own subject
        QCOMPARE(chart.values[3][2], 65.0); // one side only
        QCOMPARE(chart.values[2][0], 87.5);
        QVERIFY(chart.estimated[1][1] && !chart.estimated[1][0] && chart.estimated[3][2]);
        QVERIFY(chart.anyEstimated());
        // Estimated bars: paler, and named in the legend; labels readable on white.
        Analyze_Person_Chart big(p.chartData());
        QCOMPARE(big.windowTitle(), QStringLiteral("图形放大"));
        const auto bars = qobject_cast<QBarSeries*>(big.Chart->chart()->series().first());
        QVERIFY(bars->isLabelsVisible());
        for (QBarSet* set : bars->barSets())
            QVERIFY(qGray(set->labelColor().rgb()) < 128);
        QStringList legend;
        for (QAbstractSeries* s : big.Chart->chart()->series())
            legend << s->name();
        QVERIFY(legend.contains(PersonChartData::estimateLegend()));
        QBarSet* second = bars->barSets()[1];
        QVERIFY(second->isBarSelected(1) && !second->isBarSelected(0));
        QVERIFY(qGray(second->selectedColor().rgb()) > qGray(second->color().rgb()));

        QTest::mouseClick(p.BN_Previous, Qt::LeftButton);
        QCOMPARE(p.txtNumber->text(), QStringLiteral("001"));
        QTest::mouseClick(p.BN_Next, Qt::LeftButton);
        QCOMPARE(p.txtNumber->text(), QStringLiteral("002"));
        QCOMPARE(p.Grid->rows(), 4); // no row in test d
        QTest::mouseClick(p.BN_Next, Qt::LeftButton);
        QCOMPARE(p.txtNumber->text(), QStringLiteral("002"));

        p.txtFind->setText(QStringLiteral("1"));
        QTest::mouseClick(p.BN_Find, Qt::LeftButton);
        QCOMPARE(p.txtNumber->text(), QStringLiteral("001"));
        for (const char* typed : { "9", "1 or 1=1" }) {
            MessageService::clearMessages();
            p.txtFind->setText(QString::fromLatin1(typed));
            QTest::mouseClick(p.BN_Find, Qt::LeftButton);
            QCOMPARE(MessageService::texts().size(), 1);
        }
        QCOMPARE(p.txtNumber->text(), QStringLiteral("001"));

        // An empty score reads 缺 and has no bar; the gap beside it is
        // estimated from the real scores only.
        scores(a, QStringLiteral("001"), QStringLiteral("数学=?"), { QVariant() });
        QTest::mouseClick(p.BN_Next, Qt::LeftButton);
        QTest::mouseClick(p.BN_Previous, Qt::LeftButton);
        QCOMPARE(p.Grid->rowTexts(1).mid(3), QStringList({ "80", "缺", "60" }));
        QVERIFY(std::isnan(p.chartData().values[0][1]) && !p.chartData().estimated[0][1]);
        QCOMPARE(p.chartData().values[1][1], 90.0);

        // Unchecking the last type that has tests is refused.
        p.show();
        for (int i : { 0, 1 })
            QTest::mouseClick(p.Check1[i], Qt::LeftButton);
        MessageService::clearMessages();
        QTest::mouseClick(p.Check1[2], Qt::LeftButton);
        QCOMPARE(MessageService::texts(), QStringList({ "至少表中要有一项！" }));
        QVERIFY(p.Check1[2]->isChecked());
        QCOMPARE(p.Grid->rows(), 2);
    }
};

QTEST_MAIN(TestAnalyses)
#include "tst_analyses.moc"
