// Report cards: a whole class's cards of one test as one PDF, beside the raw SQL that reads them.
#include "BenchDb.h"
#include "app/Module1.h"
#include "exams/ReportCards.h"
#include "exams/ui/CardPrint.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace velmora;
using namespace velmora::bench;

namespace {

void byCards(benchmark::internal::Benchmark* b)
{
    b->Args({ 45, kFewTests });
    b->Args({ 1000, kFewTests });
}

// Test 1: every subject, attendance and a comment for each student; A4, ranks shown.
void BM_ReportCards(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cards.pdf"));
    int cards = 0;
    for (auto _ : state) {
        auto term = ReportCards::forTests(mod().Conn, { 1 });
        if (!term) {
            state.SkipWithError("test 1 cannot be read");
            break;
        }
        QVector<int> all;
        for (int i = 0; i < term->students.size(); ++i)
            all << i;
        cards = int(all.size());
        const auto written = PrintOut::writePdf(path, CardPrint::pageLayout(CardPrint::Paper::A4),
            QStringLiteral("cards"), [&](QPagedPaintDevice* device, const PrintOut::Progress&) {
                return CardPrint::paint(device, *term, all, {});
            });
        if (written != PrintOut::Outcome::Written) {
            state.SkipWithError("the PDF cannot be written");
            break;
        }
    }
    state.counters["cards"] = cards;
    state.counters["per_card"] = benchmark::Counter(
        double(cards) * double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    closeClass();
}
BENCHMARK(BM_ReportCards)->Apply(byCards)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReportCards_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        db.query("select * from tblTestInfo where 考试号=1");
        db.query("select * from tblScore1 order by 学号");
        db.query("select 学号, 姓名 from tblLogin");
        db.query("select * from tblClass");
    }
}
BENCHMARK(BM_ReportCards_Raw)->Apply(byCards)->Unit(benchmark::kMillisecond);

} // namespace
