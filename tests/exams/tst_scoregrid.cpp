#include "analysis/ClassTable.h"
#include "analysis/StatsTable.h"
#include "analysis/ui/Analyze_Questions.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/ScoreExport.h"
#include "exams/ScoreHistory.h"
#include "exams/ScoreImport.h"
#include "exams/ScoreMarks.h"
#include "exams/ScoreSheet.h"
#include "exams/Slips.h"
#include "exams/TestRecord.h"
#include "exams/ui/ScoreGrid.h"
#include "exams/ui/ScoreImportDialog.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ResultGrid.h"
#include "sheets/SheetWriter.h"
#include "students/StudentIds.h"
#include "support/DbTestCase.h"
#include "support/Files.h"
#include "support/Modal.h"
#include "support/Office.h"
#include "support/Typing.h"
#include "support/Ui.h"

#include <QAbstractItemModelTester>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace velmora;
using velmora::test::child;
using velmora::test::whenModal;

// The score sheet as a teacher types into it: keys, not setters.
class TestScoreGrid : public velmora::test::DbTestCase
{
    Q_OBJECT

    int m_test = 0;

    void prepare() override
    {
        addStudents({ "01", "02", "03" });
        QVERIFY(db().exec(QStringLiteral("update tblLogin set 姓名='某'")));
        m_test = defineTest({ 0, 1 }, false, true); // 语文, 数学 and the comment
        QVERIFY(m_test > 0);
    }

    static ScoreView* cells(ScoreGrid& grid) { return child<ScoreView>(&grid, "Grid"); }
    static void key(ScoreGrid& grid, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(cells(grid), k, m);
    }
    void open(ScoreGrid& grid)
    {
        mod().setSelNo(QString::number(m_test));
        QVERIFY(grid.load());
        // Every edit, paste, undo and reload below is also checked against the
        // model rules, on the score table and on the view's colouring of it.
        auto* shown = qobject_cast<QAbstractProxyModel*>(cells(grid)->model());
        QVERIFY(shown && shown->sourceModel());
        for (QAbstractItemModel* model : { static_cast<QAbstractItemModel*>(shown), shown->sourceModel() })
            new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest, &grid);
        grid.show();
        QVERIFY(QTest::qWaitForWindowActive(&grid));
    }
    // The grid open, its next import the design as LibreOffice makes it in `format`.
    void openToImport(ScoreGrid& grid, const QString& design, const QString& format, const QTemporaryDir& dir)
    {
        QString why;
        const QStringList made = test::Office::make({ design }, format, dir.path(), &why);
        QVERIFY2(!made.isEmpty(), qPrintable(why));
        open(grid);
        FileDialogs::setNextFileName(made.first());
    }
    // The preview of an import, taken as it stands.
    static void acceptPreview()
    {
        whenModal<ScoreImportDialog>([](ScoreImportDialog* preview) { test::click(preview, "BN_Import"); });
    }
    // A cell as the sheet shows it.
    static QString cell(ScoreGrid& grid, int row, int column)
    {
        return cells(grid)->model()->index(row, column).data().toString();
    }
    // Each kept mark as 学号, subject and mark.
    QStringList marks()
    {
        auto kept = db().texts(QStringLiteral("select 学号 || 项目 || 标记 from velmora_score_marks where 考试号=? "
                                              "order by 学号, 项目"),
            { m_test });
        return kept ? *kept : QStringList { QStringLiteral("<error>") };
    }
    void select(ScoreGrid& grid, int row, int column)
    {
        cells(grid)->setCurrentIndex(cells(grid)->model()->index(row, column));
    }

private Q_SLOTS:
    void typeDownAColumnAndSave()
    {
        ScoreGrid grid(mod());
        open(grid);
        QCOMPARE(cells(grid)->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("01  某"));
        test::typeKeys(QStringLiteral("95\n88\n"));
        QCOMPARE(cells(grid)->currentIndex().row(), 2);
        key(grid, Qt::Key_Delete); // not entered: stored as NULL, not 0
        test::typeKeys(QStringLiteral("101\n"));
        QCOMPARE(child<QLabel>(&grid, "lblStatus")->text(), QStringLiteral("已修改 3 格，其中 1 格有误"));
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(MessageService::lastText().startsWith(QStringLiteral("有 1 格有误")));
        QCOMPARE(scoreOf(m_test, "01", "语文"), QString());

        select(grid, 2, 0);
        key(grid, Qt::Key_Delete);
        QCOMPARE(cell(grid, 3, 0), QStringLiteral("已录 2/3\n均分 91.5\n最高 95\n最低 88"));
        // The saved cells are repainted without their colour at once.
        QSignalSpy repainted(cells(grid)->model(), &QAbstractItemModel::dataChanged);
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(std::any_of(repainted.cbegin(), repainted.cend(), [](const QList<QVariant>& range) {
            return range[0].toModelIndex().row() == 0 && range[1].toModelIndex().row() >= 1;
        }));
        QCOMPARE(scoresOf(m_test, "语文"), QStringList({ "95", "88", "" }));
        QVERIFY(!grid.hasUnsavedChanges());
        QVERIFY(child<QLabel>(&grid, "lblStatus")->text().startsWith(QStringLiteral("保存完毕！")));

        // Bands in place of scores, the score in the tooltip; still numbers for a spreadsheet.
        test::tick(&grid, "chkGrades");
        QCOMPARE(cell(grid, 0, 0), QStringLiteral("优秀"));
        QCOMPARE(cells(grid)->model()->index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("88分"));
        // Out to a spreadsheet as shown: the empty score stays empty, never 0.
        // A class list of scores: first the reminder, whose 否 writes nothing.
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("grid.csv"));
        FileDialogs::setNextFileName(csv);
        MessageService::clearMessages();
        test::click(&grid, "BN_Export");
        QCOMPARE(MessageService::lastText(),
            QStringLiteral("学生的考试成绩和名次只能告知本人和家长，不得公开张贴或在群里发布。是否继续？"));
        QCOMPARE(MessageService::messages().last().defaultAnswer, MsgAnswer::No);
        QVERIFY(!QFile::exists(csv));
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&grid, "BN_Export");
        QCOMPARE(QString::fromUtf8(test::readFile(csv).mid(3)).split(QStringLiteral("\r\n")).mid(0, 4),
            QStringList({ "学号,姓名,语文,数学,教师评语", "\"=\"\"01\"\"\",某,95,,", "\"=\"\"02\"\"\",某,88,,",
                "\"=\"\"03\"\"\",某,,," }));
    }

    void pasteFillDownUndoRedo()
    {
        ScoreGrid grid(mod());
        open(grid);
        QApplication::clipboard()->setText(QStringLiteral("90\t80\r\n7x\t60\r\n"));
        key(grid, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(MessageService::lastText(),
            QStringLiteral("有 1 格没有粘贴：\r\n02 语文：语文的成绩应是0到100之间的数，最多一位小数"));
        QCOMPARE(cell(grid, 0, 1), QStringLiteral("80"));
        QCOMPARE(cell(grid, 1, 1), QStringLiteral("60"));

        auto* selection = cells(grid)->selectionModel();
        selection->select(QItemSelection(cells(grid)->model()->index(0, 0), cells(grid)->model()->index(2, 0)),
            QItemSelectionModel::ClearAndSelect);
        key(grid, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(cell(grid, 2, 0), QStringLiteral("90"));
        key(grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(grid, 2, 0), QString());
        key(grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(grid, 0, 0), QString());
        QVERIFY(!grid.hasUnsavedChanges());
        key(grid, Qt::Key_Y, Qt::ControlModifier);
        key(grid, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(cell(grid, 2, 0), QStringLiteral("90"));
        QCOMPARE(grid.table().changedCells(), 5);

        // A comment with a tab, a line break and quotes comes back whole from its own copy.
        const QString comment = QStringLiteral("上课认真\t作业工整\n“继续”\"加油\"");
        grid.table().edit({ { 0, 2, comment } });
        const QString copied = grid.table().copyText({ cells(grid)->model()->index(0, 2) });
        QVERIFY(grid.table().paste(2, 2, copied).isEmpty());
        QCOMPARE(cell(grid, 2, 2), comment);
    }

    // Another teacher's change is never overwritten: nothing is saved, both values are named.
    void conflictKeepsBoth()
    {
        ScoreGrid grid(mod());
        open(grid);
        auto other = m_db->connect();
        QVERIFY(
            other->exec(QStringLiteral("update %1 set 语文=77 where 学号='01'").arg(Schema::scoreTableName(m_test))));
        test::typeKeys(QStringLiteral("95\n88\n"));
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(MessageService::lastText().contains(QStringLiteral("01 语文：您打开时是“”，现在是“77”")),
            qPrintable(MessageService::lastText()));
        QCOMPARE(scoresOf(m_test, "语文"), QStringList({ "77", "", "" })); // all or nothing
        QCOMPARE(cell(grid, 0, 0), QStringLiteral("95"));

        // Another teacher holds the table: busy, said so, nothing lost.
        {
            const QString table = Schema::scoreTableName(m_test);
            Transaction holding(*other);
            QVERIFY(other->exec(other->dialect().lockTableSql(table)));
            key(grid, Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(MessageService::lastText(), QStringLiteral("数据库正被其他用户或程序使用，请稍后再试。"));
        }
        // Another teacher deleted the test: said as score entry says it.
        QVERIFY(Exams::remove(*other, m_test));
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(MessageService::lastText(), QStringLiteral("考试 %1 已被删除，成绩没有保存。").arg(m_test));
        QCOMPARE(cell(grid, 0, 0), QStringLiteral("95"));
    }

    // A student who joined after the test is offered a row; Ctrl+F finds by 学号 or name.
    void latecomerAndFind()
    {
        QVERIFY(db().exec(QStringLiteral("insert into tblLogin (学号, 姓名) values ('04', '张新来')")));
        MessageService::setNextAnswer(MsgAnswer::Yes);
        ScoreGrid grid(mod());
        open(grid);
        QCOMPARE(MessageService::texts().value(0), QStringLiteral("有 1 名学生不在本次考试中，是否加入？"));
        QCOMPARE(grid.table().students(), 4);
        // Nothing entered yet: empty, not 0, and the joining is in the history.
        QCOMPARE(scoreOf(m_test, "04", "语文"), QString());
        QCOMPARE(valueOf(QStringLiteral("select 新值 from velmora_score_history where 学号='04'")),
            QStringLiteral("加入本次考试"));

        key(grid, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(&grid, "txtFind"));
        QTest::keyClicks(child<QLineEdit>(&grid, "txtFind"), "03");
        QTest::keyClick(child<QLineEdit>(&grid, "txtFind"), Qt::Key_Return);
        QCOMPARE(cells(grid)->currentIndex().row(), 2);
        QCOMPARE(QApplication::focusWidget(), cells(grid));
        key(grid, Qt::Key_F, Qt::ControlModifier);
        child<QLineEdit>(&grid, "txtFind")->clear();
        test::typeText(child<QLineEdit>(&grid, "txtFind"), QStringLiteral("新来"));
        QTest::keyClick(child<QLineEdit>(&grid, "txtFind"), Qt::Key_Return);
        QCOMPARE(cells(grid)->currentIndex().row(), 3);
    }

    // A column in tenths, as stored on either backend.
    QStringList tenthsOf(const QString& column)
    {
        auto kept = db().texts(QStringLiteral("select cast(%1 * 10 as integer) from %2 order by 学号")
                                   .arg(column, Schema::scoreTableName(m_test)));
        return kept ? *kept : QStringList { QStringLiteral("<error>") };
    }

    // Half points from a marking system's file, typed and kept exactly, and
    // every figure of them as computed by hand: 语文 of 120 98.5/100/87.5,
    // 数学 90/缺考/75.5, 英语 of 150 112.5/120.5/112.5.
    void halfPointsEverywhere()
    {
        m_test = defineTest({ 0, 1, 2 });
        QVERIFY(m_test > 0);
        QVERIFY(Exams::setFullMarks(db(), m_test, 0, 120));
        QVERIFY(Exams::setFullMarks(db(), m_test, 2, 150));
        QTemporaryDir dir;
        ScoreGrid grid(mod());
        openToImport(grid, QStringLiteral("halves"), QStringLiteral("xlsx"), dir);
        if (QTest::currentTestFailed())
            return;
        acceptPreview();
        test::click(&grid, "BN_Import");
        QCOMPARE(grid.table().refusedCells(), 0);
        QVERIFY(QTest::qWaitForWindowActive(&grid));
        select(grid, 2, 1);
        test::typeKeys(QStringLiteral("75.55\n"));
        QCOMPARE(grid.table().problem(2, 1), QStringLiteral("数学的成绩应是0到100之间的数，最多一位小数"));
        select(grid, 2, 1);
        test::typeKeys(QStringLiteral("75.5\n"));
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(tenthsOf(QStringLiteral("语文")), QStringList({ "985", "1000", "875" }));
        QCOMPARE(tenthsOf(QStringLiteral("数学")), QStringList({ "900", "", "755" }));
        QCOMPARE(tenthsOf(QStringLiteral("英语")), QStringList({ "1125", "1205", "1125" }));
        QVERIFY(grid.load());
        QCOMPARE(cell(grid, 1, 0), QStringLiteral("100")); // the server's 100.0
        QCOMPARE(cell(grid, 3, 0), QStringLiteral("已录 3/3\n均分 95.3\n最高 100\n最低 87.5"));
        QCOMPARE(cell(grid, 3, 1), QStringLiteral("已录 3/3\n均分 82.8\n最高 90\n最低 75.5"));

        auto test = Exams::fetch(db(), m_test);
        QVERIFY(test && *test && (*test)->items.halves);
        auto rules = StatsRules::load(db());
        QVERIFY(rules);
        auto stats = Analysis::statsOf(db(), **test, *rules);
        QVERIFY(stats);
        QCOMPARE(stats->rows[2].averageTenths(), std::optional<qint64>(1152));
        QCOMPARE(stats->rows[3].averageTenths(), std::optional<qint64>(2883)); // (301 + 275.5) ÷ 2
        const SheetTable sheet = Analysis::statsSheet(*stats, QString());
        const int highest = int(sheet.headers.indexOf(QStringLiteral("最高分")));
        QCOMPARE(sheet.rows[0][highest].toString(), QStringLiteral("100"));
        QCOMPARE(sheet.rows[2][highest].toDouble(), 120.5);

        auto cards = ReportCards::forTest(db(), m_test);
        QVERIFY(cards);
        QCOMPARE(cards->cards[0].total, std::optional<int>(3010));
        QCOMPARE(cards->cards[2].subjects[2].rank, std::optional<int>(2)); // 112.5 tied
        ReportCards::Term term;
        term.addFirst(*cards);
        const auto slips = Slips::slipsOf(term, term.everyone(), {});
        QCOMPARE(slips[0].subjects[0].score, QStringLiteral("98.5"));
        QCOMPARE(slips[0].total.score, QStringLiteral("301"));
        QCOMPARE(slips[0].total.average, QStringLiteral("288.3"));
        QCOMPARE(slips[1].total.score, QStringLiteral("220.5"));
        QVERIFY(Slips::notice(Slips::defaultTemplate(), slips[0], ReportCards::Shown::Scores)
                    .contains(QStringLiteral("语文98.5分（满分120）")));

        auto book = ScoreExport::allTests(db());
        QVERIFY(book);
        const SheetTable& scores = book->last();
        QCOMPARE(scores.rows[0].mid(2), QVector<QVariant>({ 98.5, qint64(90), 112.5 }));
        QCOMPARE(book->first().rows[1].last(), QVariant(220.5));
        auto shown = Analysis::classTable(db(), **test, {}, Analysis::ClassOrder::TotalDescending);
        QVERIFY(shown);
        QStringList totals;
        for (const QStringList& row : std::as_const(shown->rows))
            totals << row.value(1);
        QCOMPARE(totals, QStringList({ "301", "275.5", "220.5*" }));
    }

    // A test made before half points keeps its whole-number columns and refuses a half.
    void wholePointsInAnOlderTest()
    {
        const QString table = Schema::scoreTableName(m_test);
        QVERIFY(db().exec(QStringLiteral("drop table %1").arg(table)));
        QVERIFY(db().exec(QStringLiteral("create table %1 (学号 varchar(10) DEFAULT ' ' NOT NULL UNIQUE, 语文 int, "
                                         "数学 int, 教师评语 varchar(900))")
                              .arg(table)));
        QVERIFY(db().exec(QStringLiteral("insert into %1 (学号, 语文) select 学号, 98 from tblLogin").arg(table)));
        auto test = Exams::fetch(db(), m_test);
        QVERIFY(test && *test && !(*test)->items.halves);
        ScoreEntry entry;
        entry.student = QStringLiteral("01");
        entry.subjects[0] = QStringLiteral("98.5");
        QCOMPARE(
            Scores::check((*test)->items, entry), QStringLiteral("“语文”的成绩必须是0到100之间的整数，请重新填写！"));
        ScoreGrid grid(mod());
        open(grid);
        QCOMPARE(cell(grid, 0, 0), QStringLiteral("98"));
        QCOMPARE(cell(grid, 3, 0), QStringLiteral("已录 3/3\n均分 98.0\n最高 98\n最低 98"));
        select(grid, 1, 1);
        test::typeKeys(QStringLiteral("98.5\n"));
        QCOMPARE(grid.table().problem(1, 1), QStringLiteral("数学的成绩应是0到100的整数"));
    }

    // 数学 out of 150 from the column's menu; a comment written at length with F2.
    void fullMarksAndLongComments()
    {
        ScoreGrid grid(mod());
        open(grid);
        whenModal<QWidget>([](QWidget* ask) {
            auto* box = ask->findChild<QSpinBox*>();
            box->selectAll();
            QTest::keyClicks(box, "150");
            QTest::keyClick(box, Qt::Key_Return);
        });
        grid.editFullMarks(1);
        QVERIFY(QTest::qWaitForWindowActive(&grid));
        QCOMPARE(cells(grid)->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("数学(150)"));
        QCOMPARE((*Exams::fetch(db(), m_test))->items.fullMarksOf(1), 150);
        select(grid, 0, 1);
        test::typeKeys(QStringLiteral("150\n151\n"));
        QCOMPARE(grid.table().problem(1, 1), QStringLiteral("数学的成绩应是0到150之间的数，最多一位小数"));
        QCOMPARE(grid.table().problem(0, 1), QString());

        select(grid, 1, 2);
        whenModal<QWidget>([](QWidget* editor) {
            auto* text = child<QPlainTextEdit>(editor, "txtComment");
            QCOMPARE(QApplication::focusWidget(), text);
            test::typeText(text, QStringLiteral("认真"));
            QTest::keyClick(text, Qt::Key_Return);
            test::typeText(text, QStringLiteral("踏实"));
            test::click(editor, "BN_OK");
        });
        key(grid, Qt::Key_F2);
        QCOMPARE(cell(grid, 1, 2), QStringLiteral("认真\n踏实"));
        QVERIFY(QTest::qWaitForWindowActive(&grid));
        QCOMPARE(QApplication::focusWidget(), cells(grid));
        whenModal<QWidget>([](QWidget* editor) { QTest::keyClick(editor, Qt::Key_Escape); });
        key(grid, Qt::Key_F2);
        QCOMPARE(cell(grid, 1, 2), QStringLiteral("认真\n踏实"));
    }

    // A save that fails halfway leaves every row as it was, and the typed cells on screen.
    void failedSaveChangesNothing()
    {
        ScoreGrid grid(mod());
        open(grid);
        test::typeKeys(QStringLiteral("95\n88\n"));
        test::commitText(QStringLiteral("缺"));
        test::typeKeys(QStringLiteral("\n"));
        const QString table = Schema::scoreTableName(m_test);
        const bool sqlite = db().dialect().name() == QLatin1String("SQLite");
        if (sqlite) {
            QVERIFY(db().exec(QStringLiteral("create trigger fail_03 before update on %1 when new.学号='03' "
                                             "begin select raise(abort, 'disk gone'); end")
                                  .arg(table)));
        } else {
            QVERIFY(db().exec(QStringLiteral("create function fail_03() returns trigger as $$ "
                                             "begin raise exception 'disk gone'; end $$ language plpgsql")));
            QVERIFY(db().exec(QStringLiteral("create trigger fail_03 before update on %1 for each row "
                                             "when (new.学号='03') execute function fail_03()")
                                  .arg(table)));
        }
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(MessageService::lastText().contains(QStringLiteral("disk gone")));
        QCOMPARE(scoresOf(m_test, "语文"), QStringList({ "", "", "" }));
        QVERIFY(ScoreHistory::list(db(), m_test)->isEmpty()); // rolled back with the scores
        QCOMPARE(cell(grid, 0, 0), QStringLiteral("95"));
        QCOMPARE(marks(), QStringList());
        QVERIFY(grid.hasUnsavedChanges());
        QVERIFY(
            db().exec(QStringLiteral("drop trigger fail_03") + (sqlite ? QString() : QStringLiteral(" on ") + table)));
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(scoreOf(m_test, "03", "语文"), QString());
        QCOMPARE(marks(), QStringList({ "03语文缺考" }));
        QCOMPARE(ScoreHistory::list(db(), m_test)->size(), 3);
    }

    // A mark where a score goes: typed as one character, chosen from the
    // cell's menu, pasted as a marking system writes it; grey, saved as NULL
    // beside its mark, cleared by Delete, put back from the history.
    void marksTypedChosenAndPasted()
    {
        ScoreGrid grid(mod());
        open(grid);
        auto* view = cells(grid);
        view->setFocus();
        test::commitText(QStringLiteral("免"));
        test::typeKeys(QStringLiteral("\n"));
        QCOMPARE(cell(grid, 0, 0), QStringLiteral("免考"));
        // 标记为… → 缓考, by keys, as the menu is used without a mouse.
        const QRect at = view->visualRect(view->model()->index(1, 0));
        QTimer::singleShot(0, [] {
            for (Qt::Key k : { Qt::Key_Down, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return }) {
                QTest::keyClick(QApplication::activePopupWidget(), k);
                QTest::qWait(20);
            }
        });
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at.center(), view->viewport()->mapToGlobal(at.center()));
        QApplication::sendEvent(view->viewport(), &menu);
        QCOMPARE(cell(grid, 1, 0), QStringLiteral("缓考"));
        select(grid, 2, 0);
        QApplication::clipboard()->setText(QStringLiteral("缺考，不计排名\t作弊\r\n"));
        key(grid, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(cell(grid, 2, 0), QStringLiteral("缺考"));
        QCOMPARE(cell(grid, 2, 1), QStringLiteral("作弊"));
        QCOMPARE(cell(grid, 3, 0), QStringLiteral("已录 3/3\n均分 —\n最高 —\n最低 —"));
        // 作弊 counts as 0 in the figures, as the class counts it.
        select(grid, 0, 1);
        test::typeKeys(QStringLiteral("90\n"));
        QCOMPARE(cell(grid, 3, 1), QStringLiteral("已录 2/3\n均分 45.0\n最高 90\n最低 0"));
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(scoreOf(m_test, "01", "语文"), QString());
        QCOMPARE(scoreOf(m_test, "03", "数学"), QString());
        QCOMPARE(marks(), QStringList({ "01语文免考", "02语文缓考", "03数学作弊", "03语文缺考" }));

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at.center());
        key(grid, Qt::Key_Delete);
        test::typeKeys(QStringLiteral("88\n"));
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(scoreOf(m_test, "02", "语文"), QStringLiteral("88"));
        QCOMPARE(marks(), QStringList({ "01语文免考", "03数学作弊", "03语文缺考" }));
        auto history = ScoreHistory::list(db(), m_test, QStringLiteral("02"), QStringLiteral("语文"));
        QVERIFY(history && !history->isEmpty());
        QCOMPARE(history->first().before, QStringLiteral("缓考"));
        QVERIFY(ScoreHistory::putBack(db(), history->first()));
        QCOMPARE(scoreOf(m_test, "02", "语文"), QString());
        QCOMPARE(marks().size(), 4);
        QVERIFY(!ScoreHistory::putBack(db(), history->first())); // no longer 88
    }

    // A database not upgraded yet has nowhere to keep a mark: the cell says so.
    void markRefusedBeforeTheUpgrade()
    {
        QVERIFY(db().exec(QStringLiteral("drop table velmora_score_marks")));
        ScoreGrid grid(mod());
        open(grid);
        cells(grid)->setFocus();
        test::commitText(QStringLiteral("缺"));
        test::typeKeys(QStringLiteral("\n"));
        QCOMPARE(cells(grid)->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
            QStringLiteral("这个数据库还不能记录缺考等标记，请管理员先升级数据库"));
        QCOMPARE(grid.table().refusedCells(), 1);
    }

    // A header the program does not know is mapped in the preview, and the
    // choice stands for the next file with that header.
    void previewMapsAndRemembers()
    {
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("期中.csv"));
        QVERIFY(test::writeFile(csv, QStringLiteral("学号,姓名,期中语文\r\n01,某,77\r\n").toUtf8()));
        ScoreGrid grid(mod());
        open(grid);
        QString first;
        whenModal<ScoreImportDialog>([&first](ScoreImportDialog* preview) {
            auto* column = child<QComboBox>(preview, "cmbColumn2");
            first = column->currentText();
            for (int i = 0; i < 5; ++i) // （不导入）, 学号, 考号, 姓名, 班级, 语文
                QTest::keyClick(column, Qt::Key_Down);
            test::click(preview, "BN_Import");
        });
        FileDialogs::setNextFileName(csv);
        QVERIFY(grid.importFile());
        QCOMPARE(first, QStringLiteral("（不导入）"));
        QCOMPARE(cell(grid, 0, 0), QStringLiteral("77"));
        ScoreGrid again(mod());
        open(again);
        whenModal<ScoreImportDialog>([&first](ScoreImportDialog* preview) {
            first = child<QComboBox>(preview, "cmbColumn2")->currentText();
            test::click(preview, "BN_Cancel");
        });
        FileDialogs::setNextFileName(csv);
        QVERIFY(!again.importFile());
        QCOMPARE(first, QStringLiteral("语文"));
    }

    // One column per question with a 满分 row: the marks are kept with the
    // save, and 小题分析 gives each question's figures and who scored low.
    void questionsOfAnExport()
    {
        const auto row = [](std::initializer_list<QVariant> cells) { return QVector<QVariant>(cells); };
        const SheetTable sheet { QStringLiteral("小题"), {},
            { row({ "学号", "姓名", "数学", "1", "2", "3", "21(1)" }), row({ "满分", {}, {}, 3, 3, 4, QVariant() }),
                row({ "01", "某", 90, 3, 3, 4, 8 }), row({ "02", "某", 60, 0, 3, 2, 4 }),
                row({ "03", "某", 30, 3, 0, 0, "—" }) } };
        ScoreGrid grid(mod());
        open(grid);
        QCOMPARE(grid.table().importSheet(sheet).questions, 4);
        key(grid, Qt::Key_S, Qt::ControlModifier);
        Analyze_Questions analysis(mod());
        QVERIFY(analysis.load());
        analysis.show();
        auto* table = child<ResultGrid>(&analysis, "Grid");
        QCOMPARE(table->rowTexts(1), QStringList({ "第1题", "3", "3", "2", "66.7%", "0.67", "0.00" }));
        QCOMPARE(table->rowTexts(2), QStringList({ "第2题", "3", "3", "2", "66.7%", "0.67", "1.00" }));
        // The export did not say 21(1)'s full marks: typed here, they stay.
        QCOMPARE(table->rowTexts(4).mid(0, 5), QStringList({ "第21(1)题", "（未知）", "2", "6", "" }));
        table->setCurrentRow(4);
        test::retype(child<QLineEdit>(&analysis, "txtFullMarks"), QStringLiteral("8\n"));
        QCOMPARE(table->rowTexts(4).mid(0, 5), QStringList({ "第21(1)题", "8", "2", "6", "75.0%" }));
        QCOMPARE(Questions::list(db(), m_test)->at(3).fullMarks, 8.0);
        // Who scored at most 2 on question 3.
        child<QComboBox>(&analysis, "cmbQuestion")->setCurrentIndex(2);
        test::retype(child<QLineEdit>(&analysis, "txtAtMost"), QStringLiteral("2"));
        auto* students = child<QListWidget>(&analysis, "lstStudents");
        QCOMPARE(students->count(), 2);
        QCOMPARE(students->item(0)->text(), QStringLiteral("02  某  2分"));
    }

    // Two subjects' questions under their subjects, as LibreOffice writes a
    // marking system's export: each found with its subject and the full marks
    // its header states; leaving one out leaves out its subject's, not the other's.
    void questionsUnderTheirSubjects_data()
    {
        QTest::addColumn<QString>("format");
        for (const char* format : { "xlsx", "csv" })
            QTest::newRow(format) << QString::fromLatin1(format);
    }
    void questionsUnderTheirSubjects()
    {
        VELMORA_REQUIRE_OFFICE();
        QFETCH(QString, format);
        QTemporaryDir dir;
        ScoreGrid grid(mod());
        openToImport(grid, QStringLiteral("questions"), format, dir);
        if (QTest::currentTestFailed())
            return;
        QStringList found, afterOff, afterOn;
        whenModal<ScoreImportDialog>([&](ScoreImportDialog* preview) {
            const auto codes = [preview] {
                QStringList out;
                for (int c = 2; c <= 8; ++c)
                    out << child<QComboBox>(preview, qPrintable(QStringLiteral("cmbColumn%1").arg(c)))
                               ->currentData()
                               .toString();
                return out;
            };
            found = codes();
            auto* second = child<QComboBox>(preview, "cmbColumn4");
            const int own = second->currentIndex();
            second->setCurrentIndex(0);
            afterOff = codes();
            second->setCurrentIndex(own);
            afterOn = codes();
            child<QComboBox>(preview, "cmbColumn7")->setCurrentIndex(0);
            test::click(preview, "BN_Import");
        });
        test::click(&grid, "BN_Import");
        const QStringList all { "项目:语文", "小题:语文1", "小题:语文2", "小题:语文选择题1-12", "项目:数学",
            "小题:数学1", "小题:数学2" };
        QCOMPARE(found, all);
        QCOMPARE(afterOff, QStringList({ "项目:语文", "", "", "", "项目:数学", "小题:数学1", "小题:数学2" }));
        QCOMPARE(afterOn, all);
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(scoresOf(m_test, QStringLiteral("数学")), QStringList({ "88", "60", "" }));
        auto questions = Questions::list(db(), m_test);
        QVERIFY(questions);
        QStringList kept;
        for (const Questions::Question& q : *questions)
            kept << QStringLiteral("%1=%2").arg(q.number).arg(q.fullMarks);
        QCOMPARE(kept, QStringList({ "语文1=0", "语文2=0", "语文选择题1-12=0" }));
        QCOMPARE(Questions::marks(db(), m_test)->value("01").value("语文2"), 2.5);
    }

    // 小题分析 of one subject at a time: questions named 第1题, full marks set
    // for a range at once, and their sum held against the subject's.
    void questionsOfOneSubject()
    {
        const auto row = [](std::initializer_list<QVariant> cells) { return QVector<QVariant>(cells); };
        const SheetTable sheet { QStringLiteral("小题"), {},
            { row({ "学号", "姓名", "语文", "语文1", "语文2", "语文3(1)", "语文3(2)", "数学", "数学1(3分)",
                  "数学选择题10-12" }),
                row({ "01", "某", 90, 3, 3, 4, 2, 80, 3, 9 }), row({ "02", "某", 60, 0, 3, 2, 1, 70, 0, 6 }) } };
        ScoreGrid grid(mod());
        open(grid);
        QCOMPARE(grid.table().importSheet(sheet).questions, 6);
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(Exams::setFullMarks(db(), m_test, 0, 120));
        Analyze_Questions analysis(mod());
        QVERIFY(analysis.load());
        analysis.show();
        auto* subject = child<QComboBox>(&analysis, "cmbSubject");
        QCOMPARE(subject->count(), 2);
        QCOMPARE(subject->currentText(), QStringLiteral("语文"));
        auto* table = child<ResultGrid>(&analysis, "Grid");
        QCOMPARE(table->rows(), 5);
        QCOMPARE(table->text(3, 0), QStringLiteral("第3(1)题"));
        auto* check = child<QLabel>(&analysis, "lblCheck");
        QVERIFY(check->text().startsWith(QStringLiteral("还有小题没有满分")));
        // 第1题 to 第3题: whole questions only, the sub-questions keep their own.
        QTest::keyClicks(child<QLineEdit>(&analysis, "txtFrom"), QStringLiteral("1"));
        QTest::keyClick(child<QLineEdit>(&analysis, "txtFrom"), Qt::Key_Tab);
        QTest::keyClicks(child<QLineEdit>(&analysis, "txtTo"), QStringLiteral("3"));
        QTest::keyClicks(child<QLineEdit>(&analysis, "txtEach"), QStringLiteral("5"));
        QTest::keyClick(child<QLineEdit>(&analysis, "txtEach"), Qt::Key_Return);
        QCOMPARE(table->text(1, 1), QStringLiteral("5"));
        QCOMPARE(table->text(2, 1), QStringLiteral("5"));
        QCOMPARE(table->text(3, 1), QStringLiteral("（未知）"));
        table->setCurrentRow(3);
        test::retype(child<QLineEdit>(&analysis, "txtFullMarks"), QStringLiteral("6\n"));
        table->setCurrentRow(4);
        test::retype(child<QLineEdit>(&analysis, "txtFullMarks"), QStringLiteral("4.5\n"));
        QCOMPARE(check->text(), QStringLiteral("各小题满分合计 20.5 分，比语文的满分 120 分少 99.5 分，请核对。"));
        // The other subject's question, with the full marks its header gave.
        subject->setCurrentIndex(1);
        QCOMPARE(table->rowTexts(1).mid(0, 2), QStringList({ "第1题", "3" }));
        QCOMPARE(check->text(), QStringLiteral("各小题满分合计 3 分，比数学的满分 100 分少 97 分，请核对。"));
        QCOMPARE(child<QComboBox>(&analysis, "cmbQuestion")->currentText(), QStringLiteral("第1题"));
        QCOMPARE(child<QListWidget>(&analysis, "lstStudents")->item(0)->text(), QStringLiteral("02  某  0分"));
        // A part of the paper counts only without plain questions; its name fits the history.
        table->setCurrentRow(2);
        test::retype(child<QLineEdit>(&analysis, "txtFullMarks"), QStringLiteral("9\n"));
        QCOMPARE(table->rowTexts(2).mid(0, 2), QStringList({ "选择题10-12", "9" }));
        QCOMPARE(check->text(), QStringLiteral("各小题满分合计 3 分，比数学的满分 100 分少 97 分，请核对。"));
        QCOMPARE(ScoreHistory::list(db(), m_test)->first().column, QStringLiteral("选择题10-12满分"));
        // A range without questions is said so, and nothing changes.
        test::retype(child<QLineEdit>(&analysis, "txtFrom"), QStringLiteral("7"));
        test::retype(child<QLineEdit>(&analysis, "txtTo"), QStringLiteral("9"));
        test::click(&analysis, "BN_Range");
        QCOMPARE(MessageService::lastText(), QStringLiteral("第7题到第9题之间没有小题。"));
    }

    // Headers as marking systems and offices write them; a question's as the
    // window names it.
    void headersOfExports_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("fullMarks");
        QTest::addColumn<QString>("label");
        using R = ScoreImport::Role;
        const auto row = [](const char* header, R role, const char* name, double full = 0, const char* label = "") {
            QTest::newRow(header) << QString::fromUtf8(header) << int(role) << QString::fromUtf8(name) << full
                                  << QString::fromUtf8(label);
        };
        row("数学（满分150）", R::Item, "数学");
        row("道德与法治", R::Item, "政治");
        row("道德与法治校次", R::Fact, "政治校次");
        row("评语", R::Item, "教师评语");
        row("准考证号", R::ExamNumber, "");
        row("学 号", R::Number, "");
        row("班别", R::Class, "");
        row("年级名次", R::Fact, "校次");
        row("语文班名次", R::Fact, "语文班次");
        row("数学年级平均", R::Fact, "数学年级平均");
        row("21(1)", R::Question, "21(1)", 0, "第21(1)题");
        row("第3题", R::Question, "3", 0, "第3题");
        row("1题", R::Question, "1", 0, "第1题");
        row("T12", R::Question, "12", 0, "第12题");
        row("语文1", R::Question, "语文1", 0, "第1题");
        row("语文小题得分 2", R::Question, "语文2", 0, "第2题");
        row("数学第3题", R::Question, "数学3", 0, "第3题");
        row("道德与法治4", R::Question, "政治4", 0, "第4题");
        row("1(3分)", R::Question, "1", 3, "第1题");
        row("第2题（满分4.5分）", R::Question, "2", 4.5, "第2题");
        row("客观题", R::Question, "客观题", 0, "客观题");
        row("选择题 1-12", R::Question, "选择题1-12", 0, "选择题1-12");
        row("数学选择题（1～12）36分", R::Question, "数学选择题1-12", 36, "选择题1-12");
        row("语文主观题(90分)", R::Question, "语文主观题", 90, "主观题");
        row("卷一3", R::Question, "卷一3", 0, "卷一3");
        row("物理", R::Ignore, ""); // not a subject of this test
    }
    void headersOfExports()
    {
        QFETCH(QString, header);
        QFETCH(int, role);
        QFETCH(QString, name);
        QFETCH(double, fullMarks);
        QFETCH(QString, label);
        const ScoreImport::Column c = ScoreImport::classify(header, { "语文", "数学", "政治", "教师评语" });
        QCOMPARE(int(c.role), role);
        QCOMPARE(c.name, name);
        QCOMPARE(c.fullMarks, fullMarks);
        if (c.role == ScoreImport::Role::Question)
            QCOMPARE(Questions::label(c.name), label);
    }

    void marksInScoreCells_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("mark");
        for (const char* absent : { "缺考", "缺考，不计排名", "未扫", "未考", " 缺 " })
            QTest::newRow(absent) << QString::fromUtf8(absent) << QStringLiteral("缺考");
        QTest::newRow("免") << QStringLiteral("免") << QStringLiteral("免考");
        QTest::newRow("缓考") << QStringLiteral("缓考") << QStringLiteral("缓考");
        QTest::newRow("弊") << QStringLiteral("弊") << QStringLiteral("作弊");
        QTest::newRow("score") << QStringLiteral("95") << QString();
        QTest::newRow("dash") << QStringLiteral("—") << QString();
    }
    void marksInScoreCells()
    {
        QFETCH(QString, written);
        QFETCH(QString, mark);
        QCOMPARE(ScoreMarks::markFor(written), mark);
    }

    // Rows naming a class, as schools write it, go to this one (初二(3)班) or
    // are left out; a 考号 met by name is kept only when the scores are saved.
    void classesAsSchoolsWriteThem_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("ours");
        for (const char* ours : { "初二(3)班", "初二3班", "八年级（3）班", "803" })
            QTest::newRow(ours) << QString::fromUtf8(ours) << true;
        for (const char* other : { "初二(2)班", "802", "初一(3)班", "高二3班" })
            QTest::newRow(other) << QString::fromUtf8(other) << false;
    }
    void classesAsSchoolsWriteThem()
    {
        QFETCH(QString, written);
        QFETCH(bool, ours);
        QVERIFY(db().exec(QStringLiteral("update tblClass set 班级名称=?"), { QStringLiteral("初二(3)班") }));
        QVERIFY(db().exec(QStringLiteral("update tblLogin set 姓名='王一' where 学号='01'")));
        const SheetTable sheet { QStringLiteral("成绩"), {},
            { { QStringLiteral("班级"), QStringLiteral("考号"), QStringLiteral("姓名"), QStringLiteral("语文") },
                { written, QStringLiteral("88001"), QStringLiteral("王一"), 88 } } };
        ScoreTable table;
        QVERIFY(table.load(db(), **Exams::fetch(db(), m_test)));
        const ScoreTable::SheetImport in = table.importSheet(sheet);
        QCOMPARE(in.matched, ours ? 1 : 0);
        QCOMPARE(in.otherClass, ours ? 0 : 1);
        QCOMPARE(valueOf(QStringLiteral("select count(*) from velmora_student_ids")), QStringLiteral("0"));
        QVERIFY(table.save(db()));
        QCOMPARE(valueOf(QStringLiteral("select 考号 from velmora_student_ids")),
            ours ? QStringLiteral("88001") : QStringLiteral("<none>"));
    }

    // A marking system's export as LibreOffice writes it: a title, a two-row
    // header of merged subjects over 得分 / 班次 / 校次, 考号 instead of 学号,
    // a 班级 column, words where scores go, a formula for the total.
    void markingSystemExport_data()
    {
        QTest::addColumn<QString>("format");
        for (const char* format : { "xlsx", "xls", "ods", "csv" })
            QTest::newRow(format) << QString::fromLatin1(format);
    }
    void markingSystemExport()
    {
        VELMORA_REQUIRE_OFFICE();
        QFETCH(QString, format);
        QVERIFY(db().exec(QStringLiteral("update tblClass set 班级名称=?"), { QStringLiteral("初二(3)班") }));
        for (const auto& [number, name] : { std::pair { "01", "于书瑶" }, { "02", "张子涵" }, { "03", "李明" } })
            QVERIFY(db().exec(QStringLiteral("update tblLogin set 姓名=? where 学号=?"),
                { QString::fromUtf8(name), QString::fromLatin1(number) }));
        QVERIFY(StudentIds::keep(db(), QStringLiteral("02"), { QStringLiteral("20240802") }));
        QVERIFY(Exams::setFullMarks(db(), m_test, 1, 150));
        QTemporaryDir dir;
        ScoreGrid grid(mod());
        openToImport(grid, QStringLiteral("marks"), format, dir);
        if (QTest::currentTestFailed())
            return;
        acceptPreview();
        test::click(&grid, "BN_Import");
        QCOMPARE(MessageService::lastText(),
            QStringLiteral(
                "已从工作表“marks”填入 2 名学生的语文、数学，还没有保存，请核对后保存。\r\n"
                "有 1 行没有填入：\r\n第 7 行 20240899 赵六：考号不在本班\r\n其他班级 1 行没有导入，只记下了 "
                "1 个班各科的统计（平均分等，不含姓名和成绩），可在“年级对比”中查看。\r\n"
                "成绩单中的总分、班次、校次、语文班次、语文校次、数学班次、数学校次也已导入（灰色列，只读，"
                "随成绩一起保存）。\r\n有 1 格是缺考等标记，已作为标记填入：\r\n02 数学：缺考\r\n"
                "还没有成绩的学生：\r\n语文 1 人：李明\r\n数学 1 人：李明"));
        // The export's facts stand after the comment, as it wrote them, and cannot be typed over.
        auto* view = cells(grid);
        QCOMPARE(view->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("总分"));
        QCOMPARE(cell(grid, 0, 3), QStringLiteral("227"));
        QCOMPARE(cell(grid, 1, 9), QString());
        QVERIFY(QTest::qWaitForWindowActive(&grid));
        select(grid, 0, 4);
        test::typeKeys(QStringLiteral("9\n"));
        QCOMPARE(cell(grid, 0, 4), QStringLiteral("1"));
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(
            rowOf(QStringLiteral("select 值 from velmora_test_facts where 考试号=? and 学号='01' and 项目='数学校次'"),
                { m_test }),
            QStringList({ "2" }));
        QCOMPARE(rowOf(QStringLiteral("select 语文, 数学 from %1 where 学号='01'").arg(Schema::scoreTableName(m_test))),
            QStringList({ "95", "132" }));
        QCOMPARE(rowOf(QStringLiteral("select 语文, 数学 from %1 where 学号='02'").arg(Schema::scoreTableName(m_test))),
            QStringList({ "81", "" }));
        QCOMPARE(rowOf(QStringLiteral("select 项目, 标记 from velmora_score_marks where 考试号=?"), { m_test }),
            QStringList({ "数学", "缺考" }));
        // The 考号 met by a unique name is 于书瑶's from now on.
        QCOMPARE(StudentIds::all(db())->value(QStringLiteral("01")).value(0), QStringLiteral("20240801"));
    }

    // Marks from a marking system: a title row, 学号 as numbers, a name for a
    // row without its number, a row of nobody, a refused value; saved only on Ctrl+S.
    void importFromASpreadsheet()
    {
        QVERIFY(db().exec(QStringLiteral("update tblLogin set 姓名='张三' where 学号='02'")));
        setScores(m_test, QStringLiteral("03"), QStringLiteral("数学=55"), {});
        ScoreGrid grid(mod());
        open(grid);
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("marks.csv"));
        QVERIFY(test::writeFile(csv,
            QStringLiteral("期中考试成绩,,,\r\n学号,姓名,数学（满分100）,语文\r\n1,,88,\r\n02,张三,101,70\r\n"
                           "99,王五,60,60\r\n03,某,,95\r\n01,王五,50,50\r\n,某,40,40\r\n")
                .toUtf8()));
        FileDialogs::setNextFileName(csv);
        MessageService::setNextAnswer(MsgAnswer::Yes);
        acceptPreview();
        test::click(&grid, "BN_Import");
        // The blank 数学 of 03 is counted, and unticked it keeps the score entered.
        const Message& blank = MessageService::messages().at(MessageService::messages().size() - 2);
        QVERIFY2(blank.text.contains(QStringLiteral("中有 1 格是空白的")), qPrintable(blank.text));
        QCOMPARE(blank.checkText, QStringLiteral("表中的空白格清空已有成绩(&E)"));
        const QString said = MessageService::lastText();
        QVERIFY2(said.startsWith(QStringLiteral("已从工作表“marks”填入 2 名学生的语文、数学")), qPrintable(said));
        // The next import opens where this one was; exports keep their own folder.
        QCOMPARE(FileDialogs::startFolder(FileDialogs::Kind::Import), QFileInfo(csv).absolutePath());
        QVERIFY(FileDialogs::startFolder(FileDialogs::Kind::Export) != QFileInfo(csv).absolutePath());
        // Only a 学号 of the class, with its own name, is taken.
        QVERIFY(said.contains(
            QStringLiteral("有 4 行没有填入：\r\n第 3 行 1：学号不在本班\r\n第 5 行 99 王五：学号不在本班\r\n"
                           "第 7 行 01 王五：姓名与本班学号01的“某”不符\r\n第 8 行 某：没有学号")));
        QVERIFY(said.contains(QStringLiteral("02 数学：数学的成绩应是0到100之间的数，最多一位小数")));
        // "1" is not "01": only an exact 学号 matches.
        QCOMPARE(cell(grid, 0, 1), QString());
        QCOMPARE(cell(grid, 1, 0), QStringLiteral("70"));
        QCOMPARE(cell(grid, 2, 0), QStringLiteral("95"));
        QCOMPARE(cell(grid, 2, 1), QStringLiteral("55"));
        // Who still has no score is named: 01 in both, 张三's refused 数学.
        QVERIFY2(said.endsWith(QStringLiteral("还没有成绩的学生：\r\n语文 1 人：某\r\n数学 2 人：某、张三")),
            qPrintable(said));
        QCOMPARE(scoresOf(m_test, "语文"), QStringList({ "", "", "" }));
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(scoresOf(m_test, "语文"), QStringList({ "", "70", "95" }));
        QCOMPARE(scoresOf(m_test, "数学"), QStringList({ "", "", "55" }));

        // A student twice in the file is refused by name; without a 学号
        // column a name no two students share finds its student.
        const SheetTable twice { QStringLiteral("两次"), {},
            { { QStringLiteral("学号"), QStringLiteral("语文") }, { QStringLiteral("01"), 60 },
                { QStringLiteral("01"), 70 }, { QStringLiteral("03"), 80 } } };
        const ScoreTable::SheetImport dup = grid.table().importSheet(twice, false);
        QCOMPARE(dup.matched, 1);
        QCOMPARE(dup.unmatched,
            QStringList(
                { "第 2 行 01 某：在表中出现了不止一次，没有填入", "第 3 行 01 某：在表中出现了不止一次，没有填入" }));
        const SheetTable byName { QStringLiteral("姓名"), {},
            { { QStringLiteral("姓名"), QStringLiteral("语文") }, { QStringLiteral("张三"), 66 },
                { QStringLiteral("某"), 77 } } };
        const ScoreTable::SheetImport named = grid.table().importSheet(byName, false);
        QCOMPARE(named.matched, 1);
        // A 考号 column of this class's 学号, with no 考号 kept, matches as 学号.
        const SheetTable asNumbers { QStringLiteral("考号"), {},
            { { QStringLiteral("考号"), QStringLiteral("语文") }, { QStringLiteral("03"), 60 } } };
        QCOMPARE(grid.table().importSheet(asNumbers, false).matched, 1);
        QCOMPARE(named.unmatched, QStringList({ "第 3 行 某：本班有同名的学生，请用学号" }));

        // An error value never goes in as a score, nor empties one.
        const SheetTable errors { QStringLiteral("公式"), {},
            { { QStringLiteral("学号"), QStringLiteral("语文") },
                { QStringLiteral("03"), QVariant::fromValue(CellError { QStringLiteral("#N/A") }) } } };
        const ScoreTable::SheetImport in = grid.table().importSheet(errors, false, true);
        QCOMPARE(in.refused, QStringList({ "03 语文：单元格是错误值 #N/A" }));
        key(grid, Qt::Key_Z, Qt::ControlModifier); // nothing to undo after a save
        QCOMPARE(cell(grid, 2, 0), QStringLiteral("95"));
    }

    // The grid out to .xlsx and back: the same scores, the empty one empty.
    // A workbook with two fitting sheets asks which.
    void scoresRoundTrip()
    {
        ScoreGrid grid(mod());
        open(grid);
        test::typeKeys(QStringLiteral("95\n88\n"));
        key(grid, Qt::Key_Delete);
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QTemporaryDir dir;
        const QString xlsx = dir.filePath(QStringLiteral("grid.xlsx"));
        FileDialogs::setNextFileName(xlsx);
        MessageService::setNextAnswer(MsgAnswer::Yes);
        test::click(&grid, "BN_Export");
        QVERIFY(db().exec(QStringLiteral("update %1 set 语文=1, 数学=1").arg(Schema::scoreTableName(m_test))));
        QVERIFY(grid.load());
        FileDialogs::setNextFileName(xlsx);
        MessageService::setNextAnswer(MsgAnswer::Yes);
        MessageService::setNextCheck(true); // the empty score empties the 1
        acceptPreview();
        QVERIFY(grid.importFile());
        key(grid, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(scoresOf(m_test, "语文"), QStringList({ "95", "88", "" }));
        QCOMPARE(scoresOf(m_test, "数学"), QStringList({ "", "", "" }));

        const QString two = dir.filePath(QStringLiteral("two.xlsx"));
        const SheetTable first { QStringLiteral("一班"), { QStringLiteral("学号"), QStringLiteral("语文") },
            { { "01", 60 } } };
        const SheetTable second { QStringLiteral("二班"), { QStringLiteral("学号"), QStringLiteral("语文") },
            { { "01", 70 } } };
        QVERIFY(SheetWriter::writeXlsx(two, { first, second }));
        FileDialogs::setNextFileName(two);
        whenModal<QWidget>([](QWidget* ask) {
            QCOMPARE(ask->objectName(), QStringLiteral("SheetChoice"));
            auto* box = ask->findChild<QComboBox*>();
            QTest::keyClick(box, Qt::Key_Down);
            acceptPreview();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(grid.importFile());
        QCOMPARE(cell(grid, 0, 0), QStringLiteral("70"));
    }

    void closingAsksFirst()
    {
        ScoreGrid grid(mod());
        open(grid);
        test::typeKeys(QStringLiteral("60\n"));
        MessageService::setNextAnswer(MsgAnswer::Cancel);
        QVERIFY(!grid.close());
        MessageService::setNextAnswer(MsgAnswer::Yes);
        QVERIFY(grid.close());
        QCOMPARE(scoreOf(m_test, "01", "语文"), QStringLiteral("60"));
    }
};

QTEST_MAIN(TestScoreGrid)
#include "tst_scoregrid.moc"
