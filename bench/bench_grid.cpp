// The score grid: opening a whole test, one keystroke, a pasted block and a save, beside the raw SQL.
#include "BenchDb.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "exams/ScoreTable.h"
#include "exams/ui/ScoreGrid.h"
#include "support/Ui.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QThread>
#include <benchmark/benchmark.h>

using namespace velmora;
using velmora::test::child;
using namespace velmora::bench;

namespace {

// A class of 45, one test; and the large class. Test 1 has all fourteen subjects.
void byGrid(benchmark::internal::Benchmark* b)
{
    b->Args({ 45, 1 })->Args({ 5000, kFewTests });
}

void skipOnMessages(benchmark::State& state)
{
    if (!MessageService::texts().isEmpty())
        state.SkipWithError(qPrintable(MessageService::texts().first()));
    MessageService::clearMessages();
}

void BM_GridOpen(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    mod().setSelNo(QStringLiteral("1"));
    for (auto _ : state) {
        ScoreGrid grid(mod());
        grid.load();
        benchmark::DoNotOptimize(grid.table().students());
    }
    skipOnMessages(state);
    closeClass();
}
BENCHMARK(BM_GridOpen)->Apply(byGrid)->Unit(benchmark::kMillisecond);

void BM_GridOpen_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        db.query("select * from tblTestInfo where 考试号=?", { "1" });
        db.query("select * from tblScore1 order by 学号");
        db.query("select 学号, 姓名 from tblLogin");
    }
}
BENCHMARK(BM_GridOpen_Raw)->Apply(byGrid)->Unit(benchmark::kMillisecond);

void press(QWidget* to, int key, const QString& text = {})
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(to, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(to, &up);
}

// A digit typed into the current cell and Enter, which checks it, refreshes
// the figures and moves down; at the foot of the column back to the top.
// The repaint that follows is timed only when `painted`.
void keystrokes(benchmark::State& state, bool painted)
{
    openClass(int(state.range(0)), int(state.range(1)));
    mod().setSelNo(QStringLiteral("1"));
    ScoreGrid grid(mod());
    grid.load();
    grid.show();
    grid.activateWindow();
    // A window manager activates the window when it gets round to it.
    QElapsedTimer waited;
    waited.start();
    while (QApplication::activeWindow() != &grid && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    child<ScoreView>(&grid, "Grid")->setFocus();
    if (QApplication::focusWidget() != child<ScoreView>(&grid, "Grid")) {
        state.SkipWithError("the grid did not take the focus");
        return;
    }
    const int students = grid.table().students();
    int typed = 0;
    for (auto _ : state) {
        press(child<ScoreView>(&grid, "Grid"), Qt::Key_7 + typed % 3, QString::number(7 + typed % 3));
        press(QApplication::focusWidget(), Qt::Key_Return);
        if (!painted)
            state.PauseTiming();
        QCoreApplication::processEvents();
        if (!painted)
            state.ResumeTiming();
        if (child<ScoreView>(&grid, "Grid")->currentIndex().row() + 1 >= students)
            child<ScoreView>(&grid, "Grid")->setCurrentIndex(child<ScoreView>(&grid, "Grid")->model()->index(0, 0));
        ++typed;
    }
    if (grid.table().changedCells() == 0)
        state.SkipWithError("nothing was typed");
    skipOnMessages(state);
    closeClass();
}

void BM_GridKeystroke(benchmark::State& state)
{
    keystrokes(state, false);
}
BENCHMARK(BM_GridKeystroke)->Apply(byGrid)->Unit(benchmark::kMicrosecond);

void BM_GridKeystrokePainted(benchmark::State& state)
{
    keystrokes(state, true);
}
BENCHMARK(BM_GridKeystrokePainted)->Apply(byGrid)->Unit(benchmark::kMicrosecond);

// Every student's fourteen scores pasted at once, from the first cell.
void BM_GridPaste(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    mod().setSelNo(QStringLiteral("1"));
    ScoreGrid grid(mod());
    grid.load();
    const int students = grid.table().students();
    QString blocks[2];
    for (int b = 0; b < 2; ++b) {
        QStringList rows;
        for (int r = 0; r < students; ++r) {
            QStringList row;
            for (int s = 0; s < 14; ++s)
                row << QString::number((r + s + b * 7) % 101);
            rows << row.join(QLatin1Char('\t'));
        }
        blocks[b] = rows.join(QStringLiteral("\r\n"));
    }
    child<ScoreView>(&grid, "Grid")->setCurrentIndex(child<ScoreView>(&grid, "Grid")->model()->index(0, 0));
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QApplication::clipboard()->setText(blocks[n++ % 2]);
        state.ResumeTiming();
        grid.paste();
    }
    if (grid.table().changedCells() == 0)
        state.SkipWithError("nothing was pasted");
    skipOnMessages(state);
    closeClass();
}
BENCHMARK(BM_GridPaste)->Apply(byGrid)->Unit(benchmark::kMillisecond);

// Six subjects changed for every student of the class of 45, saved in one transaction.
void BM_GridSave(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    mod().setSelNo(QStringLiteral("1"));
    ScoreTable table;
    auto test = Exams::fetch(mod().Conn(), 1);
    if (!test || !*test || !table.load(mod().Conn(), **test)) {
        state.SkipWithError("test 1 cannot be read");
        return;
    }
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QStringList rows;
        for (int r = 0; r < table.students(); ++r)
            rows << QStringList(6, QString::number((r + n) % 101)).join(QLatin1Char('\t'));
        table.paste(0, 0, rows.join(QLatin1Char('\n')));
        ++n;
        state.ResumeTiming();
        if (Status saved = table.save(mod().Conn()); !saved)
            state.SkipWithError(qPrintable(saved.error().description));
    }
    closeClass();
}
BENCHMARK(BM_GridSave)->Args({ 45, 1 })->Unit(benchmark::kMillisecond);

void BM_GridSave_Raw(benchmark::State& state)
{
    const ConnectionSettings settings = classDb(int(state.range(0)), int(state.range(1)));
    openClass(int(state.range(0)), int(state.range(1)));
    const QByteArray lock = mod().Conn().dialect().lockTableSql(QStringLiteral("tblScore1")).toUtf8();
    closeClass();
    RawDb db(settings);
    int n = 0;
    for (auto _ : state) {
        db.query("begin");
        db.query(lock);
        for (int r = 1; r <= int(state.range(0)); ++r) {
            const QByteArray student = studentNumber(r).toUtf8();
            const QByteArray v = QByteArray::number((r + n) % 101);
            db.query("select * from tblScore1 where 学号=?", { student });
            db.query("update tblScore1 set 语文=?, 数学=?, 英语=?, 物理=?, 化学=?, 生物=? where 学号=?",
                { v, v, v, v, v, v, student });
        }
        db.query("commit");
        ++n;
    }
}
BENCHMARK(BM_GridSave_Raw)->Args({ 45, 1 })->Unit(benchmark::kMillisecond);

} // namespace
