// Report cards: a whole class's cards of one test as one PDF, beside the raw SQL that reads them.
#include "BenchDb.h"
#include "app/Module1.h"
#include "exams/ReportCards.h"
#include "exams/Slips.h"
#include "exams/ui/CardPrint.h"
#include "exams/ui/SlipPrint.h"

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

// Test 1's cards as printed; none, the run failed, when it cannot be read.
std::optional<ReportCards::Term> testOne(benchmark::State& state)
{
    auto term = ReportCards::forTests(mod().Conn(), { 1 });
    if (!term) {
        state.SkipWithError("test 1 cannot be read");
        return std::nullopt;
    }
    return *std::move(term);
}

// Test 1: every subject, attendance and a comment for each student; A4, ranks shown.
void BM_ReportCards(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cards.pdf"));
    int cards = 0;
    for (auto _ : state) {
        const auto term = testOne(state);
        if (!term)
            break;
        const QVector<int> all = term->everyone();
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

// A whole class's slips of test 1 as one PDF, or as one PNG per student:
// read, laid out, written.
void slips(benchmark::State& state, bool pictures)
{
    openClass(int(state.range(0)), int(state.range(1)));
    QTemporaryDir dir;
    Slips::Choices choices;
    choices.shown = ReportCards::Shown::Both;
    int made = 0;
    for (auto _ : state) {
        const auto term = testOne(state);
        if (!term)
            break;
        const QVector<int> all = term->everyone();
        const auto each = Slips::slipsOf(*term, all, choices);
        made = int(each.size());
        bool written = true;
        if (pictures) {
            for (const Slips::Slip& slip : each) {
                written = written
                    && PrintOut::writeImage(
                        dir.filePath(PrintOut::fileNameFor(slip.number, slip.name).chopped(4) + QStringLiteral(".png")),
                        SlipPrint::image(QStringLiteral("初一(1)班"), slip, choices));
            }
        } else {
            written = PrintOut::writePdf(dir.filePath(QStringLiteral("slips.pdf")), SlipPrint::pageLayout(),
                          QStringLiteral("slips"),
                          [&](QPagedPaintDevice* device, const PrintOut::Progress&) {
                              return SlipPrint::paint(device, QStringLiteral("初一(1)班"), each, choices);
                          })
                == PrintOut::Outcome::Written;
        }
        if (!written) {
            state.SkipWithError("the files cannot be written");
            break;
        }
    }
    state.counters["slips"] = made;
    closeClass();
}

void BM_SlipsPdf(benchmark::State& state)
{
    slips(state, false);
}
BENCHMARK(BM_SlipsPdf)->Args({ 45, kFewTests })->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SlipsPng(benchmark::State& state)
{
    slips(state, true);
}
BENCHMARK(BM_SlipsPng)->Args({ 45, kFewTests })->Unit(benchmark::kMillisecond)->UseRealTime();

// Their floor is the cards' reading.
void BM_SlipsPdf_Raw(benchmark::State& state)
{
    BM_ReportCards_Raw(state);
}
BENCHMARK(BM_SlipsPdf_Raw)->Args({ 45, kFewTests })->Unit(benchmark::kMillisecond);

void BM_SlipsPng_Raw(benchmark::State& state)
{
    BM_ReportCards_Raw(state);
}
BENCHMARK(BM_SlipsPng_Raw)->Args({ 45, kFewTests })->Unit(benchmark::kMillisecond);

} // namespace
