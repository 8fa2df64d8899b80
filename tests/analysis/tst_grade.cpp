#include "analysis/GradeCompare.h"
#include "analysis/ui/Analyze_Grade.h"
#include "analysis/ui/Analyze_Stats.h"
#include "analysis/ui/StatsCharts.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "exams/ClassFigures.h"
#include "exams/TestRecord.h"
#include "exams/ui/ScoreGrid.h"
#include "exams/ui/ScoreImportDialog.h"
#include "platform/ui/ChartView.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ResultGrid.h"
#include "sheets/SheetReader.h"
#include "support/DbTestCase.h"
#include "support/Modal.h"
#include "support/Office.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::whenModal;

// A whole grade's export of three classes, every figure worked out by hand:
// ours (初二(3)班) 语文 of 120 110/98.5/90, 数学 95/80/缺考; 初二(1)班 语文
// 100/80/60, 数学 90/70/59; 初二(2)班 语文 105/缺考, 数学 60/88.
class TestGrade : public velmora::test::DbTestCase
{
    Q_OBJECT

    int m_test = 0;

    void prepare() override
    {
        addStudents({ "01", "02", "03" });
        QVERIFY(db().exec(QStringLiteral("update tblLogin set 姓名='某'")));
        QVERIFY(db().exec(QStringLiteral("update tblClass set 班级名称=?"), { QStringLiteral("初二(3)班") }));
        m_test = defineTest({ 0, 1 });
        QVERIFY(m_test > 0);
        QVERIFY(Exams::setFullMarks(db(), m_test, 0, 120));
    }

    // The export imported through the grid as a teacher does, and saved.
    void import()
    {
        QTemporaryDir dir;
        QString why;
        const QStringList made
            = test::Office::make({ QStringLiteral("grade") }, QStringLiteral("xlsx"), dir.path(), &why);
        QVERIFY2(!made.isEmpty(), qPrintable(why));
        mod().setSelNo(QString::number(m_test));
        ScoreGrid grid(mod());
        QVERIFY(grid.load());
        grid.show();
        FileDialogs::setNextFileName(made.first());
        whenModal<ScoreImportDialog>([](ScoreImportDialog* preview) { test::click(preview, "BN_Import"); });
        test::click(&grid, "BN_Import");
        QVERIFY2(
            MessageService::lastText().contains(QStringLiteral("其他班级 5 行没有导入，只记下了 2 个班各科的统计")),
            qPrintable(MessageService::lastText()));
        QVERIFY(QTest::qWaitForWindowActive(&grid));
        QTest::keyClick(child<QWidget>(&grid, "Grid"), Qt::Key_S, Qt::ControlModifier);
    }

private Q_SLOTS:
    void grade()
    {
        VELMORA_REQUIRE_OFFICE();
        import();
        if (QTest::currentTestFailed())
            return;
        // Nothing of another class's students is kept: neither a row nor a fact.
        QCOMPARE(valueOf(QStringLiteral("select count(*) from tblLogin")), QStringLiteral("3"));
        QCOMPARE(valueOf(QStringLiteral("select count(*) from velmora_test_facts where 学号 not in "
                                        "(select 学号 from tblLogin)")),
            QStringLiteral("0"));
        auto kept = ClassFigures::load(db(), m_test);
        QVERIFY(kept);
        QCOMPARE(kept->size(), qsizetype(6)); // two classes, 语文 数学 总分 each

        Analyze_Grade window(mod());
        QVERIFY(window.load());
        window.show();
        auto* grid = child<ResultGrid>(&window, "grdGrade");
        const QStringList header { grid->text(0, 0), grid->text(0, 1), grid->text(0, 2), grid->text(0, 9),
            grid->text(0, 15), grid->text(0, 23) };
        QCOMPARE(header, QStringList({ "科目", "本班实考", "本班平均分", "平均分名次", "年级实考", "初二(1)班实考" }));
        // 本班: 实考 平均分 最高分 标准差 优秀率 良好率 及格率 低分率, then its places.
        QCOMPARE(grid->rowTexts(1).mid(0, 15),
            QStringList({ "语文", "3", "99.5", "110", "8.2", "33.3", "100.0", "100.0", "0.0", "第2/3", "第1/3", "第2/3",
                "第1/3", "第1/3", "第1/3" }));
        QCOMPARE(grid->rowTexts(2).mid(9, 1), QStringList({ "第1/3" }));
        // The grade: all three classes; then 初二(1)班 (初二（1）班 is the same class) and 初二(2)班.
        QCOMPARE(grid->rowTexts(1).mid(15, 4), QStringList({ "7", "91.9", "110", "15.9" }));
        QCOMPARE(grid->rowTexts(1).mid(23, 4), QStringList({ "3", "80.0", "100", "16.3" }));
        QCOMPARE(grid->rowTexts(2).mid(31, 3), QStringList({ "2", "74.0", "88" }));
        QCOMPARE(grid->rowTexts(3).mid(0, 3), QStringList({ "总分", "2", "191.8" }));
        QCOMPARE(grid->rowTexts(3).mid(15, 2), QStringList({ "6", "167.9" }));
        // Ours among the grade's first N by the export's 校次: 1 and 3.
        auto* tops = child<ResultGrid>(&window, "grdTops");
        QCOMPARE(tops->rowTexts(1), QStringList({ "本班人数", "2", "2", "2", "2" }));
        auto* n = child<QLineEdit>(&window, "txtTops");
        n->selectAll();
        test::typeText(n, QStringLiteral("3，2\n"));
        QCOMPARE(tops->text(0, 1), QStringLiteral("前2名"));
        QCOMPARE(tops->rowTexts(1), QStringList({ "本班人数", "1", "2" }));

        // The classes by their names, 初二（1）班 as 初二(1)班.
        const auto stats = Analysis::gradeTable({}, *kept);
        QCOMPARE(stats.classes, QStringList({ "初二(1)班", "初二(2)班" }));

        // The statistics table's export carries the comparison below its own parts, numbers as numbers.
        Analyze_Stats table(mod());
        QVERIFY(table.load());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("统计.xlsx"));
        FileDialogs::setNextFileName(path);
        test::click(&table, "BN_Export");
        auto book = SheetReader::read(path);
        QVERIFY2(book, qPrintable(MessageService::lastText()));
        const SheetTable& exported = book->at(0);
        const auto heading = std::find_if(exported.rows.cbegin(), exported.rows.cend(),
            [](const QVector<QVariant>& r) { return r.value(2) == QVariant(QStringLiteral("本班平均分")); });
        QVERIFY(heading != exported.rows.cend() && heading + 1 != exported.rows.cend());
        QCOMPARE((heading + 1)->value(2), QVariant(99.5));

        // The chart for the parents' meeting: our class beside the grade.
        auto test = Exams::fetch(db(), m_test);
        QVERIFY(test && *test);
        auto own = Analysis::statsOf(db(), **test, StatsRules {});
        QVERIFY(own);
        StatsCharts charts({ { QStringLiteral("期中"), *own, Analysis::gradeTable(*own, *kept) } }, QString());
        auto* kind = child<QComboBox>(&charts, "cmbChart");
        kind->setCurrentIndex(kind->findText(QStringLiteral("本班与年级")));
        const ChartData chart = child<ChartView>(&charts, "Chart")->chart();
        QCOMPARE(chart.categories, QStringList({ "语文", "数学" }));
        QCOMPARE(chart.series.value(0).values, QVector<double>({ 99.5, 87.5 }));
        QCOMPARE(chart.series.value(1).values, QVector<double>({ 91.9, 77.4 }));
    }

    // A place is shared by equal figures, and the lower 低分率 is the better.
    void places_data()
    {
        QTest::addColumn<QVector<int>>("lows"); // ours first, of 10 each
        QTest::addColumn<QString>("place");
        QTest::newRow("fewest") << QVector<int> { 0, 1, 2 } << QStringLiteral("第1/3");
        QTest::newRow("tied") << QVector<int> { 1, 1, 0 } << QStringLiteral("第2/3");
        QTest::newRow("most") << QVector<int> { 3, 1, 2 } << QStringLiteral("第3/3");
    }
    void places()
    {
        QFETCH(QVector<int>, lows);
        QFETCH(QString, place);
        Analysis::StatsTable own;
        own.rows.resize(1);
        own.rows[0].item = QStringLiteral("语文");
        own.rows[0].sat = 10;
        own.rows[0].low = lows[0];
        own.rows[0].scale = 10;
        QVector<ClassFigures::Figures> others;
        for (int c = 1; c < lows.size(); ++c) {
            ClassFigures::Figures f { {}, QStringLiteral("%1班").arg(c), QStringLiteral("语文") };
            f.sat = 10;
            f.low = lows[c];
            others << f;
        }
        const auto table = Analysis::gradeTable(own, others);
        QCOMPARE(Analysis::placeText(Analysis::placeOf(table, 0, Analysis::Figure::Low)), place);
        const SheetTable sheet = Analysis::gradeSheet(table, QString(), &table);
        QCOMPARE(sheet.rows[0][sheet.headers.indexOf(QStringLiteral("低分率名次"))].toString(),
            place + QStringLiteral("→") + place);
    }
};

QTEST_MAIN(TestGrade)
#include "tst_grade.moc"
