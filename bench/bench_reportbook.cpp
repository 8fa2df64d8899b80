// The term report book: a class of 60 read (scores as bands, the term's
// attendance and conduct grade, comments) and written as one PDF.
#include "BenchDb.h"
#include "app/Module1.h"
#include "reportbook/ui/BookPrint.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <numeric>

using namespace velmora;
using namespace velmora::bench;

namespace {

const SchoolCalendar::Term kTerm { QStringLiteral("2026-2027学年第一学期"), QDate(2026, 9, 1), QDate(2027, 1, 22) };

void BM_ReportBook(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    Database& db = mod().Conn();
    if (Status saved = SchoolCalendar::saveTerm(db, kTerm); !saved) {
        state.SkipWithError(qPrintable(saved.error().description));
        closeClass();
        return;
    }
    for (int s = 1; s <= state.range(0); s += 3) {
        const QString student = QString::number(s);
        (void)Conduct::add(db, { student }, QDate(2026, 10, 12), QStringLiteral("纪律"), s % 7 - 3, {});
        (void)TermBook::saveWords(db, kTerm.name, student,
            { QStringLiteral("该生本学期学习认真，上课积极发言，作业书写工整，乐于帮助同学。望继续努力。"),
                QStringLiteral("三好学生\n学习委员") });
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.pdf"));
    for (auto _ : state) {
        auto book = TermBook::make(db, { kTerm, 1, {}, false });
        if (!book) {
            state.SkipWithError(qPrintable(book.error().description));
            break;
        }
        QVector<int> all(book->pages.size());
        std::iota(all.begin(), all.end(), 0);
        const auto written = PrintOut::writePdf(path, CardPrint::pageLayout(CardPrint::Paper::A4),
            QStringLiteral("book"), [&](QPagedPaintDevice* device, const PrintOut::Progress&) {
                return BookPrint::paint(device, *book, all, CardPrint::Paper::A4);
            });
        if (written != PrintOut::Outcome::Written) {
            state.SkipWithError("the PDF cannot be written");
            break;
        }
    }
    closeClass();
}
BENCHMARK(BM_ReportBook)->Args({ 60, 1 })->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
