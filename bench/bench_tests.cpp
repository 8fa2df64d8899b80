// Defining a test, saving a score, listing many tests; each beside the raw SQL.
#include "BenchDb.h"

#include "app/Module1.h"
#include "data/Schema.h"
#include "platform/AppPaths.h"
#include "platform/MessageService.h"
#include "tests/TestFill.h"
#include "tests/TestInfoWatch.h"
#include "tests/TestRecord.h"

#include <QCheckBox>
#include <QLineEdit>

#include <benchmark/benchmark.h>

using namespace velmora;

namespace {

NewTest everything()
{
    NewTest t { QStringLiteral("期末"), QStringLiteral("2025-01-16"), QStringLiteral("期末考试"), QString(), {} };
    for (int i = 0; i < 14; ++i)
        t.items.subjects << i;
    t.items.attendance = t.items.comment = true;
    return t;
}

void open(const ConnectionSettings& s)
{
    AppPaths::setAppDir(s.dataDir);
    mod().Conn.open(s);
    mod().IsAdmin = true;
}

void BM_DefineTestAllItems(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), 0);
    open(s);
    for (auto _ : state) {
        auto made = Tests::define(mod().Conn, everything());
        if (!made)
            state.SkipWithError("define failed");
    }
    mod().Conn.close();
}
BENCHMARK(BM_DefineTestAllItems)->Arg(5000)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_RawDefineTestAllItems(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), 0);
    open(s);
    Database& db = mod().Conn;
    QVector<int> all;
    for (int i = 0; i < 14; ++i)
        all << i;
    for (auto _ : state) {
        const int n = *Tests::nextNumber(db);
        Transaction tx(db);
        db.exec(QStringLiteral("insert into tblTestInfo (考试号) values (?)"), { n });
        db.exec(Schema::createScoreTableSql(db.dialect(), n, all, true, true));
        db.exec(QStringLiteral("insert into tblScore%1 (学号) select 学号 from tblLogin").arg(n));
        tx.commit();
    }
    mod().Conn.close();
}
BENCHMARK(BM_RawDefineTestAllItems)->Arg(5000)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ScoreSaveAndMove(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), 0);
    open(s);
    auto made = Tests::define(mod().Conn, everything());
    mod().SelNo = QString::number(made->number);
    TestFill fill;
    fill.load();
    fill.Check->setChecked(true);
    int score = 0;
    for (auto _ : state) {
        fill.Text[1]->setText(QString::number(++score % 100));
        fill.next();
    }
    mod().Conn.close();
}
BENCHMARK(BM_ScoreSaveAndMove)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_RawScoreUpdate(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), 0);
    open(s);
    const int n = *Tests::nextNumber(mod().Conn) - 1;
    int i = 0;
    for (auto _ : state) {
        mod().Conn.exec(QStringLiteral("update tblScore%1 set 语文=? where 学号=?").arg(n),
                        { ++i % 100, QString::number(100001 + i % 5000) });
    }
    mod().Conn.close();
}
BENCHMARK(BM_RawScoreUpdate)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_TestListOf500(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(60, 0);
    open(s);
    for (int have = *Tests::nextNumber(mod().Conn) - 1; have < 500; ++have)
        Tests::define(mod().Conn, everything());
    TestInfoWatch list;
    for (auto _ : state) {
        list.load();
        MessageService::clearMessages();
    }
    mod().Conn.close();
}
BENCHMARK(BM_TestListOf500)->Unit(benchmark::kMillisecond);

void BM_RawTestListQuery(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(60, 0);
    open(s);
    for (auto _ : state) {
        auto rows = mod().Conn.select(QStringLiteral("select * from tblTestInfo ORDER BY 考试号"));
        benchmark::DoNotOptimize(rows->recordCount());
    }
    mod().Conn.close();
}
BENCHMARK(BM_RawTestListQuery)->Unit(benchmark::kMillisecond);

} // namespace
