#include "analysis/ui/Analyze_Progress.h"
#include "analysis/ui/Analyze_Stats.h"
#include "analysis/ui/TermGrade.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/StatsRules.h"
#include "data/Schema.h"
#include "exams/ScoreMarks.h"
#include "exams/TestRecord.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ReportPreview.h"
#include "platform/ui/ResultGrid.h"
#include "support/DbTestCase.h"
#include "support/Modal.h"
#include "support/Pdf.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::whenModal;

// Two tests of a class known by hand: a tie, a 缺考, a student in each test only.
class TestProgress : public velmora::test::DbTestCase
{
    Q_OBJECT

    int define(const QString& name, const QString& date)
    {
        auto made
            = Exams::define(db(), { name, date, QStringLiteral("期中考试"), QString(), { { 0, 1 }, false, false } });
        return made ? made->number : -1;
    }
    void set(int test, const char* number, const QVariant& chinese, const QVariant& maths)
    {
        setScores(test, QString::fromLatin1(number), QStringLiteral("语文=?, 数学=?"), { chinese, maths });
    }

    void prepare() override
    {
        addStudents({ "1", "2", "3", "4", "5" });
        const int a = define(QStringLiteral("期中"), QStringLiteral("2026-11-01"));
        set(a, "1", 90, 80);
        set(a, "2", 80, 80);
        set(a, "3", 80, 80);
        set(a, "4", 70, 60);
        set(a, "5", 60, 50);
        // 5 has left, 6 has come.
        QVERIFY(db().exec(QStringLiteral("delete from tblLogin where 学号='5'")));
        addStudents({ "6" });
        const int b = define(QStringLiteral("期末"), QStringLiteral("2027-01-10"));
        set(b, "1", 70, 70);
        set(b, "2", 95, 90);
        set(b, "3", QVariant(), 90);
        set(b, "4", 80, 80);
        set(b, "6", 85, 85);
        QVERIFY(
            ScoreMarks::write(db(), b, { { QStringLiteral("3"), QStringLiteral("语文"), {}, ScoreMarks::kAbsent } }));
    }

    static QStringList rowOf(ResultGrid* grid, const QString& number)
    {
        for (int r = 1; r < grid->rows(); ++r) {
            if (grid->text(r, 0) == number)
                return grid->rowTexts(r);
        }
        return {};
    }

private Q_SLOTS:
    void ranksAndTheirChanges_data()
    {
        QTest::addColumn<bool>("absentNoRank");
        QTest::addColumn<QStringList>("absentee");
        QTest::newRow("缺考 not ranked") << true << QStringList { "3", "学生3", "160", "2", "90", "", "", "−70" };
        QTest::newRow("缺考 ranked") << false << QStringList { "3", "学生3", "160", "2", "90", "5", "↓3", "−70" };
    }
    void ranksAndTheirChanges()
    {
        QFETCH(bool, absentNoRank);
        QFETCH(QStringList, absentee);
        StatsRules rules;
        rules.absentNoRank = absentNoRank;
        QVERIFY(rules.save(db()));
        Analyze_Progress window(mod());
        QVERIFY(test::showLoaded(window, false));
        auto* grid = child<ResultGrid>(&window, "Grid");
        // The later test is the newest, the earlier the one before; ties share a rank.
        QCOMPARE(rowOf(grid, "1"), QStringList({ "1", "学生1", "170", "1", "140", "4", "↓3", "−30" }));
        QCOMPARE(rowOf(grid, "2"), QStringList({ "2", "学生2", "160", "2", "185", "1", "↑1", "+25" }));
        QCOMPARE(rowOf(grid, "3"), absentee);
        QCOMPARE(child<QLabel>(&window, "lblOnce")->text(), QStringLiteral("只参加了一次考试的学生：5、学生6"));

        // One who has left is named by 学号.
        // A click on 名次变化 sorts by it, the biggest step up first; none last.
        auto* header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(6) + header->sectionSize(6) / 2, header->height() / 2));
        QCOMPARE(test::columnTexts(grid, 0), QStringList({ "2", "4", "1", "3" }));

        auto* top = child<QLineEdit>(&window, "txtTop");
        top->selectAll();
        QTest::keyClicks(top, "1");
        test::click(&window, "BN_Down");
        QCOMPARE(test::columnTexts(grid, 0), absentNoRank ? QStringList({ "1" }) : QStringList({ "1", "3" }));
        // Everyone tied at the last place is listed: 2 and 4 both went up one.
        test::click(&window, "BN_Up");
        QCOMPARE(test::columnTexts(grid, 0), QStringList({ "2", "4" }));
    }

    // Standard scores against a hand computation, a subject, and 临界生.
    void standardScoresSubjectsAndTheLine()
    {
        QVERIFY(
            Exams::setFullMarks(db(), valueOf(QStringLiteral("select max(考试号) from tblTestInfo")).toInt(), 1, 120));
        Analyze_Progress window(mod());
        QVERIFY(window.load());
        window.show();
        auto* grid = child<ResultGrid>(&window, "Grid");
        test::tick(&window, "chkStandard");
        QCOMPARE(grid->text(0, 6), QStringLiteral("标准分变化"));
        QCOMPARE(rowOf(grid, "1").mid(2, 5), QStringList({ "170", "60.7", "140", "35.5", "−25.2" }));
        QVERIFY(child<QLabel>(&window, "lblCaption")->text().startsWith(QStringLiteral("按标准分比较")));
        test::click(&window, "BN_Up");
        QCOMPARE(test::columnTexts(grid, 0), QStringList({ "2", "4", "1" }));

        auto* item = child<QComboBox>(&window, "cmbItem");
        item->setCurrentIndex(item->findText(QStringLiteral("语文")));
        QCOMPARE(grid->text(0, 2), QStringLiteral("前次语文"));
        QCOMPARE(rowOf(grid, "3").mid(2, 3), QStringList({ "80", "53.9", "" }));
        // The line defaults to 及格 of the later test.
        QCOMPARE(child<QLineEdit>(&window, "txtLine")->text(), QStringLiteral("60"));
        item->setCurrentIndex(0);
        auto* line = child<QLineEdit>(&window, "txtLine");
        line->selectAll();
        QTest::keyClicks(line, "150");
        auto* margin = child<QLineEdit>(&window, "txtMargin");
        margin->selectAll();
        QTest::keyClicks(margin, "15");
        QCOMPARE(child<QLabel>(&window, "lblBorder")->text(),
            QStringLiteral("临界生（本次总分低于150分、差距在15分以内）：学生1（140）"));
        // 80 of 100, then 70 of 120: compared as shares of full marks, and said so.
        item->setCurrentIndex(item->findText(QStringLiteral("数学")));
        QCOMPARE(grid->text(0, 7), QStringLiteral("数学得分率变化(百分点)"));
        QCOMPARE(rowOf(grid, "1").value(7), QStringLiteral("−21.7"));
        QVERIFY(child<QLabel>(&window, "lblCaption")->text().contains(QStringLiteral("得分率")));
    }

    // A term grade of the two tests, 40% and 60%: defined through its dialog
    // (weights that do not make 100 refused), a missed test scaled out and
    // marked, 免考 in both giving no grade, ranks among whole totals only.
    void termGrade()
    {
        MessageService::clearMessages();
        TermGrade window(mod());
        QVERIFY(window.load());
        window.show();
        whenModal<TermDialog>([](TermDialog* dialog) {
            test::typeText(child<QLineEdit>(dialog, "txtName"), QStringLiteral("第一学期总评"));
            for (int k = 0; k < 2; ++k) {
                auto* test = child<QComboBox>(dialog, QStringLiteral("cmbTest%1").arg(k));
                test->setFocus();
                for (int down = 0; down <= k; ++down)
                    QTest::keyClick(test, Qt::Key_Down);
                auto* weight = child<QSpinBox>(dialog, QStringLiteral("spnWeight%1").arg(k));
                weight->selectAll();
                QTest::keyClicks(weight, k ? "60" : "30");
            }
            test::click(dialog, "BN_OK");
            auto* first = child<QSpinBox>(dialog, "spnWeight0");
            first->selectAll();
            QTest::keyClicks(first, "40");
            test::click(dialog, "BN_OK");
        });
        test::click(&window, "BN_New");
        QCOMPARE(MessageService::texts().value(0), QStringLiteral("权重合计应为100%，现在是90%。"));
        auto* grid = child<ResultGrid>(&window, "Grid");
        QCOMPARE(grid->rowTexts(0), QStringList({ "学号", "姓名", "语文", "数学", "总评总分", "等级", "名次" }));
        QCOMPARE(rowOf(grid, "1"), QStringList({ "1", "学生1", "78.0", "74.0", "152.0", "合格", "2" }));
        QCOMPARE(rowOf(grid, "2"), QStringList({ "2", "学生2", "89.0", "86.0", "175.0", "良好", "1" }));
        QCOMPARE(rowOf(grid, "3"), QStringList({ "3", "学生3", "80.0*", "86.0", "166.0*", "", "—" }));
        QCOMPARE(rowOf(grid, "6"), QStringList({ "6", "学生6", "85.0*", "85.0*", "170.0*", "", "—" }));
        // Why the star, for the cell clicked.
        grid->setCurrentIndex(grid->model()->index(2, 2));
        Q_EMIT grid->clicked(grid->currentIndex());
        QCOMPARE(child<QLabel>(&window, "lblWhy")->text(), QStringLiteral("期末缺考，其余按比例计"));
        // The weights and every star's reason stand under the grid, as on paper, and take their room.
        auto* notes = child<QLabel>(&window, "lblNotes");
        QVERIFY(notes->text().contains(QStringLiteral("学生3语文：期末缺考，其余按比例计")));
        QTRY_VERIFY(notes->isVisible() && notes->height() >= notes->fontMetrics().height());
        if (test::canReadPdf()) {
            MessageService::setNextAnswer(MsgAnswer::Yes);
            test::click(&window, "BN_Print");
            auto* preview = window.findChild<ReportPreview*>();
            QVERIFY(preview);
            const QString file = m_db->dir() + QStringLiteral("/term.pdf");
            FileDialogs::setNextFileName(file);
            preview->findChild<QAction*>(QStringLiteral("ExportPdf"))->trigger();
            const QString printed = test::squeezed(test::pdfPages(file, 1).value(0));
            QVERIFY2(printed.contains(QStringLiteral("（期中40%、期末60%）")), qPrintable(printed));
            QVERIFY(printed.contains(QStringLiteral("3学生380.0*86.0166.0*—")));
            QVERIFY(printed.contains(QStringLiteral("学生3语文：期末缺考，其余按比例计")));
            preview->close();
        }

        const auto tests = Exams::list(db());
        QVERIFY(tests);
        for (const TestRecord& t : *tests) {
            QVERIFY(ScoreMarks::write(
                db(), t.number, { { QStringLiteral("4"), QStringLiteral("数学"), {}, ScoreMarks::kExempt } }));
            QVERIFY(db().exec(
                QStringLiteral("update %1 set 数学=NULL where 学号='4'").arg(Schema::scoreTableName(t.number))));
        }
        QVERIFY(window.load());
        QCOMPARE(rowOf(grid, "4"), QStringList({ "4", "学生4", "76.0", "免考", "76.0*", "", "—" }));

        // The statistics table takes the term grade as a test: 语文 of 6 on a scale of 100.
        Analyze_Stats stats(mod());
        QVERIFY(stats.load());
        auto* chosen = child<QComboBox>(&stats, "cmbTest");
        chosen->setCurrentIndex(chosen->findText(QStringLiteral("学期总评：第一学期总评")));
        QCOMPARE(child<ResultGrid>(&stats, "grdStats")->rowTexts(1).mid(0, 9),
            QStringList({ "语文", "6", "6", "0", "0", "78.0", "89", "60", "9.1" }));

        // 进退步 from 期中 to the term grade: its ranks as the term sheet gives them, values in tenths.
        Analyze_Progress progress(mod());
        QVERIFY(progress.load());
        auto* later = child<QComboBox>(&progress, "cmbLater");
        later->setCurrentIndex(later->findText(QStringLiteral("学期总评：第一学期总评")));
        auto* steps = child<ResultGrid>(&progress, "Grid");
        QCOMPARE(rowOf(steps, "2"), QStringList({ "2", "学生2", "160", "2", "175", "1", "↑1", "+15" }));
        QCOMPARE(rowOf(steps, "3"), QStringList({ "3", "学生3", "160", "2", "166", "", "", "+6" }));
        // Each subject of 100 on both sides: points compare as points.
        QVERIFY(!child<QLabel>(&progress, "lblCaption")->text().contains(QStringLiteral("得分率")));
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
