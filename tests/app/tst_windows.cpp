#include "analysis/ui/Analyze_Class.h"
#include "analysis/ui/Analyze_Person.h"
#include "analysis/ui/Analyze_Subject.h"
#include "app/DemoData.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/ui/Config.h"
#include "app/ui/Login.h"
#include "app/ui/MainForm.h"
#include "app/ui/Pass.h"
#include "app/ui/Splash.h"
#include "app/ui/User.h"
#include "app/ui/Windows.h"
#include "classes/ui/Class.h"
#include "comments/ui/Comment.h"
#include "exams/ui/ScoreGrid.h"
#include "exams/ui/TestFill.h"
#include "exams/ui/TestFillSel.h"
#include "exams/ui/TestInfoAdd.h"
#include "exams/ui/TestInfoWatch.h"
#include "exams/ui/TestWatch.h"
#include "platform/ui/ResultGrid.h"
#include "students/ui/StudentInfo.h"
#include "students/ui/StudentInfoFind.h"
#include "students/ui/StudentInfoWatch.h"
#include "support/DbTestCase.h"
#include "support/Ui.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>
#include <functional>
#include <memory>

using namespace velmora;
using velmora::test::child;

namespace {

// The main window as the program shows it, after the login.
std::unique_ptr<MainForm> openMainForm()
{
    auto form = std::make_unique<MainForm>(mod());
    form->resize(1280, 800);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    form->load();
    return form;
}

QWidget* activeChild(MainForm& form)
{
    QMdiSubWindow* sub = form.mdiArea()->activeSubWindow();
    return sub ? sub->widget() : nullptr;
}

// What 窗口管理 lists below its line.
QStringList windowMenuEntries(MainForm& form)
{
    QMenu* menu = form.menu(QStringLiteral("Win"));
    Q_EMIT menu->aboutToShow();
    QStringList entries;
    bool below = false;
    for (QAction* a : menu->actions()) {
        if (below)
            entries << a->text();
        below = below || a->objectName() == QLatin1String("line4");
    }
    return entries;
}

} // namespace

class TestWindows : public velmora::test::DbTestCase
{
    Q_OBJECT

    void prepare() override { QVERIFY(DemoData::fill(db())); }

    // Runs the steps against the active child window: "click:NAME", "down:NAME"
    // (a key press on a combo box), "esc" (on the window's first focusable control),
    // "closebox" (the frame's own close button).
    static void runSteps(MainForm& form, const QStringList& steps)
    {
        for (const QString& step : steps) {
            QWidget* window = activeChild(form);
            QVERIFY2(window, qPrintable(step));
            const QString name = step.section(QLatin1Char(':'), 1);
            if (step.startsWith(QLatin1String("click:")))
                test::click(window, name);
            else if (step.startsWith(QLatin1String("down:")))
                QTest::keyClick(child<QComboBox>(window, name), Qt::Key_Down);
            else if (step == QLatin1String("esc"))
                QTest::keyClick(
                    window->findChild<QLineEdit*>() ? window->findChild<QLineEdit*>() : window, Qt::Key_Escape);
            else if (step == QLatin1String("closebox"))
                form.mdiArea()->activeSubWindow()->close();
        }
    }

private Q_SLOTS:
    void everyChildWindowClosesWithItsFrame_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("steps");
        // The entry, the window it opens, and the steps that close it.
        const char* rows[][4] = {
            { "班级设置, 返回", "ClassConfig", "Class", "click:Command2" },
            { "班级设置, Esc", "ClassConfig", "Class", "esc" },
            { "学生列表, 关闭", "InfoWatch", "StudentInfoWatch", "click:Command2" },
            { "学生列表, close box", "InfoWatch", "StudentInfoWatch", "closebox" },
            { "查找学生, 返回", "InfoFind", "StudentInfoFind", "click:Command2" },
            { "考试列表, 关闭", "TestInfo", "TestInfoWatch", "click:BN_Close" },
            { "考试列表, Esc", "TestInfo", "TestInfoWatch", "esc" },
            { "选择考试, 取消", "TestEditWatch", "TestFillSel", "click:BN_Back" },
            { "选择考试, Esc", "TestFill", "TestFillSel", "esc" },
            { "查看成绩, 确定 then 关闭", "TestEditWatch", "TestFillSel", "down:txtNumber click:BN_OK click:BN_Close" },
            { "个人分析, 返回", "ScorePersonal", "Analyze_Person", "click:BN_Back" },
            { "班级分析, 确定 then 返回", "ScoreClass", "Analyze_Class_Sel",
                "down:txtNumber click:BN_OK click:BN_Back" },
            { "科目分析, 取消", "ScoreSubject", "Analyze_Subject_Sel", "click:BN_Back" },
            { "科目分析, 确定 then 返回", "ScoreSubject", "Analyze_Subject_Sel",
                "down:txtNumber down:txtSubject click:BN_OK click:Command1" },
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QString::fromLatin1(r[1]) << QString::fromLatin1(r[2])
                                << QString::fromLatin1(r[3]).split(QLatin1Char(' '));
    }

    // A closed window leaves no frame and no 窗口管理 entry; opening it again
    // brings the open one to the front instead of adding a second.
    void everyChildWindowClosesWithItsFrame()
    {
        QFETCH(QString, entry);
        QFETCH(QString, window);
        QFETCH(QStringList, steps);
        auto form = openMainForm();
        QVERIFY(form);
        MessageService::clearMessages();
        for (int round = 0; round < 2; ++round) {
            form->entry(entry)->trigger();
            form->entry(entry)->trigger();
            QCOMPARE(form->mdiArea()->subWindowList().size(), 1);
            QCOMPARE(activeChild(*form)->objectName(), window);
            QCOMPARE(windowMenuEntries(*form).size(), 1);
            runSteps(*form, steps);
            QTRY_VERIFY(form->mdiArea()->subWindowList().isEmpty());
            QCOMPARE(windowMenuEntries(*form), QStringList());
        }
    }

    // A child window opens wide enough for the columns of its grid, inside the main window.
    void childWindowsOpenShowingTheirColumns()
    {
        auto form = openMainForm();
        QVERIFY(form);
        form->entry(QStringLiteral("InfoWatch"))->trigger();
        auto* list = qobject_cast<StudentInfoWatch*>(activeChild(*form));
        QVERIFY(list);
        QVERIFY(form->mdiArea()->viewport()->rect().contains(form->mdiArea()->activeSubWindow()->geometry()));

        form->entry(QStringLiteral("TestInfo"))->trigger();
        auto* tests = qobject_cast<TestInfoWatch*>(activeChild(*form));
        QVERIFY(tests);
        QCOMPARE(child<ResultGrid>(tests, "Grid")->horizontalScrollBar()->maximum(), 0);
        QTRY_COMPARE(child<ResultGrid>(tests, "Grid")->horizontalScrollBar()->isVisible(), false);

        mod().setSelNo(QStringLiteral("1"));
        form->entry(QStringLiteral("TestEditWatch"))->trigger();
        auto* select = qobject_cast<TestFillSel*>(activeChild(*form));
        QTest::keyClick(child<QComboBox>(select, "txtNumber"), Qt::Key_Down);
        test::click(select, "BN_OK");
        auto* scores = qobject_cast<TestWatch*>(activeChild(*form));
        QVERIFY(scores);
        QCOMPARE(child<ResultGrid>(scores, "Grid")->horizontalScrollBar()->maximum(), 0);

        // The test on screen, on one sheet.
        test::click(scores, "BN_Grid");
        auto* grid = qobject_cast<ScoreGrid*>(activeChild(*form));
        QVERIFY(grid);
        QCOMPARE(grid->table().test().number, child<QLineEdit>(scores, "txtNumber")->text().toInt());
        QVERIFY(grid->table().students() > 0);
    }

    // 录入考试成绩 and 评语生成器 open the selection window in the entry mode,
    // whatever mode it was left in; score viewing is refilled for another test.
    void selectionWindowTakesTheEntrysMode()
    {
        auto form = openMainForm();
        QVERIFY(form);
        form->entry(QStringLiteral("TestEditWatch"))->trigger();
        auto* select = qobject_cast<TestFillSel*>(activeChild(*form));
        QCOMPARE(child<QLabel>(select, "Label")->text(), TestFillSel::viewMode());
        form->entry(QStringLiteral("TestFill"))->trigger();
        QCOMPARE(activeChild(*form), select);
        QCOMPARE(child<QLabel>(select, "Label")->text(), TestFillSel::entryMode());
        form->entry(QStringLiteral("TestEdit"))->trigger();
        QCOMPARE(child<QLabel>(select, "Label")->text(), TestFillSel::changeMode());
        form->entry(QStringLiteral("Commitment"))->trigger();
        QCOMPARE(child<QLabel>(select, "Label")->text(), TestFillSel::entryMode());

        for (int test = 1; test <= 2; ++test) {
            form->entry(QStringLiteral("TestEditWatch"))->trigger();
            select = qobject_cast<TestFillSel*>(activeChild(*form));
            QVERIFY(select);
            child<QComboBox>(select, "txtNumber")->setCurrentIndex(-1);
            for (int k = 0; k < test; ++k)
                QTest::keyClick(child<QComboBox>(select, "txtNumber"), Qt::Key_Down);
            test::click(select, "BN_OK");
        }
        QTRY_COMPARE(form->mdiArea()->subWindowList().size(), 1);
        auto* scores = qobject_cast<TestWatch*>(activeChild(*form));
        QVERIFY(scores);
        QCOMPARE(child<QLineEdit>(scores, "txtNumber")->text(), QStringLiteral("2"));
    }

    // 退出系统 asks when class settings hold typed values; No keeps everything.
    void exitAsksAboutUnsavedValues()
    {
        bool quit = false;
        Windows::setQuitHandler([&quit] { quit = true; });
        auto form = openMainForm();
        QVERIFY(form);
        form->entry(QStringLiteral("ClassConfig"))->trigger();
        auto* cls = qobject_cast<Class*>(activeChild(*form));
        test::click(cls, "Command1");
        child<QLineEdit>(cls, "txtTeacher")->selectAll();
        QTest::keyClicks(child<QLineEdit>(cls, "txtTeacher"), "Li");
        MessageService::clearMessages();
        MessageService::setNextAnswer(MsgAnswer::No);
        form->entry(QStringLiteral("Exit"))->trigger();
        QVERIFY(!quit);
        QVERIFY(form->isVisible());
        QVERIFY(MessageService::lastText().contains(QStringLiteral("“班级设置”中修改的内容还没有保存")));
        QCOMPARE(child<QLineEdit>(cls, "txtTeacher")->text(), QStringLiteral("Li"));

        // Esc on the window asks whether to save; Esc on that question keeps it open.
        MessageService::setNextAnswer(MsgAnswer::Cancel);
        QTest::keyClick(child<QLineEdit>(cls, "txtTeacher"), Qt::Key_Escape);
        QCOMPARE(MessageService::lastText(), QStringLiteral("是否需要保存？"));
        QCOMPARE(form->mdiArea()->subWindowList().size(), 1);
        // Yes saves, then the window closes.
        MessageService::setNextAnswer(MsgAnswer::Yes);
        QTest::keyClick(child<QLineEdit>(cls, "txtTeacher"), Qt::Key_Escape);
        QTRY_VERIFY(form->mdiArea()->subWindowList().isEmpty());
        auto stored = db().select(QStringLiteral("select 班主任 from tblClass"));
        QCOMPARE(stored->text(0), QStringLiteral("Li"));

        // Nothing unsaved: no question, the program ends.
        MessageService::clearMessages();
        form->entry(QStringLiteral("Exit"))->trigger();
        QVERIFY(quit);
        QVERIFY(MessageService::messages().isEmpty());
        Windows::setQuitHandler({});
    }

    // After scrolling sideways, the column beside the frozen one is wholly in
    // view or wholly out of it, never cut by the frozen column.
    void frozenColumnNeverHidesItsNeighbour()
    {
        ResultGrid grid;
        QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList headers;
        for (int c = 0; c < 12; ++c)
            headers << QStringLiteral("列%1").arg(c);
        grid.setHeaders(headers);
        grid.setRows({ headers, headers });
        grid.resize(400, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QScrollBar* across = grid.horizontalScrollBar();
        QVERIFY(across->maximum() > 0);
        for (int v = across->minimum(); v <= across->maximum(); ++v) {
            across->setValue(v);
            QCoreApplication::processEvents();
            // The scrolled area starts right of the frozen column...
            QVERIFY(grid.viewport()->geometry().left() >= grid.columnWidth(0));
            // ...and the column beside the frozen one is wholly in it or wholly out.
            const QRect beside = grid.visualRect(grid.model()->index(0, 1));
            QVERIFY2(beside.left() >= 0 || beside.right() < 0, qPrintable(QString::number(v)));
            if (v == 0)
                QCOMPARE(beside.left(), 0);
        }
        // Row 1's first cell reads from the frozen view, at the grid's left.
        across->setValue(across->maximum());
        QCOMPARE(grid.text(1, 0), QStringLiteral("列0"));

        // A screen reader finds the first column's cells showing, where they
        // are drawn, named, and can select their row.
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
        QVERIFY(table && table->tableInterface());
        QAccessibleInterface* cell = table->tableInterface()->cellAt(1, 0);
        QVERIFY(cell);
        QVERIFY(!cell->state().invisible);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("列0"));
        QVERIFY(cell->rect().intersects(QRect(grid.mapToGlobal(QPoint()), grid.size())));
        QVERIFY(cell->rect().left() < grid.viewport()->mapToGlobal(QPoint()).x());
        QVERIFY(cell->actionInterface());
        QVERIFY(cell->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(grid.selectionModel()->selectedRows().size(), 1);
        QCOMPARE(grid.selectionModel()->selectedRows().constFirst().row(), 1);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
