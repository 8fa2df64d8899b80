// The analyses with a large class and many tests, beside the raw queries.
#include "BenchDb.h"

#include "analysis/Analyze_Class.h"
#include "analysis/Analyze_Person.h"
#include "analysis/Analyze_Subject.h"
#include "app/Module1.h"
#include "platform/AppPaths.h"
#include "platform/MessageService.h"
#include "tests/TestRecord.h"

#include <QRadioButton>

#include <benchmark/benchmark.h>

using namespace velmora;

namespace {

int testWithAllSubjects(const ConnectionSettings& s)
{
    AppPaths::setAppDir(s.dataDir);
    mod().Conn.open(s);
    mod().IsAdmin = true;
    NewTest t { QStringLiteral("期末"), QString(), QStringLiteral("期末考试"), QString(), {} };
    for (int i = 0; i < 14; ++i)
        t.items.subjects << i;
    auto made = Tests::define(mod().Conn, t);
    mod().Conn.exec(QStringLiteral("update tblScore%1 set 语文=abs(random()) %% 101, 数学=abs(random()) %% 101").arg(made->number));
    return made->number;
}

void BM_ClassAnalysisSortBySelection(benchmark::State& state)
{
    const int test = testWithAllSubjects(bench::embeddedClass(int(state.range(0)), 0));
    mod().SelNo = QString::number(test);
    Analyze_Class a;
    a.load();
    a.Sort[1]->setChecked(true);
    for (auto _ : state)
        a.sort();
    mod().Conn.close();
}
BENCHMARK(BM_ClassAnalysisSortBySelection)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_RawClassSortQuery(benchmark::State& state)
{
    const int test = testWithAllSubjects(bench::embeddedClass(int(state.range(0)), 0));
    for (auto _ : state) {
        auto rows = mod().Conn.select(QStringLiteral("select * from tblScore%1 order by 语文+数学+英语 desc, 学号").arg(test));
        benchmark::DoNotOptimize(rows->recordCount());
    }
    mod().Conn.close();
}
BENCHMARK(BM_RawClassSortQuery)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_SubjectAnalysis(benchmark::State& state)
{
    const int test = testWithAllSubjects(bench::embeddedClass(int(state.range(0)), 0));
    mod().SelNo = QString::number(test);
    mod().SubjectName = QStringLiteral("语文");
    for (auto _ : state) {
        Analyze_Subject a;
        a.load();
    }
    mod().Conn.close();
}
BENCHMARK(BM_SubjectAnalysis)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_PersonalAnalysisPageWith500Tests(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(60, 0);
    AppPaths::setAppDir(s.dataDir);
    mod().Conn.open(s);
    NewTest t { QStringLiteral("月考"), QString(), QStringLiteral("平时考试"), QString(), { { 0, 1, 2 }, false, false } };
    for (int have = *Tests::nextNumber(mod().Conn) - 1; have < 500; ++have)
        Tests::define(mod().Conn, t);
    Analyze_Person p;
    p.load();
    for (auto _ : state)
        p.next();
    mod().Conn.close();
}
BENCHMARK(BM_PersonalAnalysisPageWith500Tests)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
