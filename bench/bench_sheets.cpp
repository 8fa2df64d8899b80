// Spreadsheets: a whole test out to .xlsx, a roster of 5,000 students in, beside the raw SQL.
#include "BenchDb.h"
#include "app/Module1.h"
#include "exams/ScoreTable.h"
#include "sheets/SheetReader.h"
#include "sheets/SheetWriter.h"
#include "students/StudentImport.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace velmora;
using namespace velmora::bench;

namespace {

void bySheet(benchmark::internal::Benchmark* b)
{
    b->Args({ 5000, kFewTests });
}

// Test 1: 5,000 students x 14 subjects, attendance and a comment.
void BM_ExportScoreTable(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test1.xlsx"));
    for (auto _ : state) {
        ScoreTable table;
        auto test = Exams::fetch(mod().Conn, 1);
        if (!test || !*test || !table.load(mod().Conn, **test)) {
            state.SkipWithError("test 1 cannot be read");
            break;
        }
        if (Status written = SheetWriter::writeXlsx(path, { table.sheet() }); !written) {
            state.SkipWithError(qPrintable(written.error().message()));
            break;
        }
    }
    closeClass();
}
BENCHMARK(BM_ExportScoreTable)->Apply(bySheet)->Unit(benchmark::kMillisecond);

void BM_ExportScoreTable_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state)
        db.query("select * from tblScore1 order by 学号");
}
BENCHMARK(BM_ExportScoreTable_Raw)->Apply(bySheet)->Unit(benchmark::kMillisecond);

QString newNumber(int i)
{
    return QString::number(900000 + i);
}

// A roster of 5,000 new students, every field the form asks for, read from
// .xlsx, checked and added in one transaction; taken out again untimed.
void BM_ImportStudents(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    const int n = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("roster.xlsx"));
    SheetTable roster { QStringLiteral("名单"), StudentRecord::columns(), {} };
    for (int i = 1; i <= n; ++i) {
        roster.rows.push_back(
            { newNumber(i), QStringLiteral("新生%1").arg(i), QStringLiteral("女"), QStringLiteral("2011-05-24"),
                QStringLiteral("汉族"), QStringLiteral("浙江"), QStringLiteral("杭州"), QStringLiteral("13800000000"),
                QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant() });
    }
    if (!SheetWriter::writeXlsx(path, { roster })) {
        state.SkipWithError("the roster cannot be written");
        return;
    }
    for (auto _ : state) {
        auto book = SheetReader::read(path);
        auto rows = book ? StudentImport::plan(mod().Conn, book->at(0), StudentImport::guess(book->at(0)))
                         : Result<QVector<StudentImport::Row>>(book.error());
        auto done
            = rows ? StudentImport::apply(mod().Conn, *rows, false) : Result<StudentImport::Outcome>(rows.error());
        if (!done || done->added != n) {
            state.SkipWithError(done ? qPrintable(done->summary()) : qPrintable(done.error().message()));
            break;
        }
        state.PauseTiming();
        if (!mod().Conn.exec(QStringLiteral("delete from tblLogin where 学号>=?"), { newNumber(0) }))
            state.SkipWithError("the imported students could not be deleted");
        state.ResumeTiming();
    }
    closeClass();
}
BENCHMARK(BM_ImportStudents)->Apply(bySheet)->Unit(benchmark::kMillisecond);

void BM_ImportStudents_Raw(benchmark::State& state)
{
    const int n = int(state.range(0));
    RawDb db(classDb(n, int(state.range(1))));
    QByteArray columns;
    for (const QString& c : StudentRecord::columns())
        columns += (columns.isEmpty() ? "" : ", ") + c.toUtf8();
    const QByteArray insert
        = "insert into tblLogin (" + columns + ") values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    for (auto _ : state) {
        db.query("begin");
        for (int i = 1; i <= n; ++i) {
            db.query(insert,
                { newNumber(i).toUtf8(), "新生", "女", "2011-05-24", "汉族", "浙江", "杭州", "13800000000", "", "", "",
                    "", "", "", "" });
        }
        db.query("commit");
        state.PauseTiming();
        db.query("delete from tblLogin where 学号>=?", { newNumber(0).toUtf8() });
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportStudents_Raw)->Apply(bySheet)->Unit(benchmark::kMillisecond);

} // namespace
