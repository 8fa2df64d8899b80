// The attendance register: a month of a class of 60 opened, and a day's
// column typed and saved with its history, beside the raw SQL.
#include "BenchDb.h"
#include "app/Module1.h"
#include "attendance/AttendanceSheet.h"

#include <benchmark/benchmark.h>

using namespace velmora;
using namespace velmora::bench;

namespace {

// December 2026: 23 school days.
const QDate kFirst(2026, 12, 1);
const QDate kLast(2026, 12, 31);

void byRegister(benchmark::internal::Benchmark* b)
{
    b->Args({ 60, 1 });
}

void BM_RegisterOpen(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        AttendanceSheet sheet;
        if (Status read = sheet.load(mod().Conn(), kFirst, kLast); !read) {
            state.SkipWithError(qPrintable(read.error().description));
            break;
        }
        benchmark::DoNotOptimize(sheet.columnCount());
    }
    closeClass();
}
BENCHMARK(BM_RegisterOpen)->Apply(byRegister)->Unit(benchmark::kMillisecond);

void BM_RegisterOpen_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        db.query("select 学号, 姓名 from tblLogin order by 学号");
        db.query("select 日期, 上课, 说明 from velmora_school_days where 日期>=? and 日期<=?",
            { "2026-12-01", "2026-12-31" });
        db.query("select 学号, 日期, 类别, 半天, 原因, 就诊, 备注 from velmora_attendance where 日期>=? and 日期<=?",
            { "2026-12-01", "2026-12-31" });
    }
}
BENCHMARK(BM_RegisterOpen_Raw)->Apply(byRegister)->Unit(benchmark::kMillisecond);

// A day's column of 60 typed (病, then cleared the next time) and saved: each
// cell checked, written and kept in the history, then the month read again.
void BM_RegisterSave(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    AttendanceSheet sheet;
    if (Status read = sheet.load(mod().Conn(), kFirst, kLast); !read) {
        state.SkipWithError(qPrintable(read.error().description));
        closeClass();
        return;
    }
    bool fill = true;
    for (auto _ : state) {
        state.PauseTiming();
        QVector<AttendanceSheet::Typed> typed;
        for (int r = 0; r < sheet.students(); ++r)
            typed.push_back({ r, 5, fill ? QStringLiteral("病") : QString() });
        sheet.edit(typed);
        fill = !fill;
        state.ResumeTiming();
        if (Status saved = sheet.save(mod().Conn()); !saved) {
            state.SkipWithError(qPrintable(saved.error().description));
            break;
        }
    }
    closeClass();
}
BENCHMARK(BM_RegisterSave)->Apply(byRegister)->Unit(benchmark::kMillisecond);

} // namespace
