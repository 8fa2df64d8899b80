// Spreadsheets: a whole test out to .xlsx, a roster of 5,000 students in, a marking system's export
// of 1,500 students in, beside the raw SQL.
#include "BenchDb.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/ScoreTable.h"
#include "sheets/SheetReader.h"
#include "sheets/SheetWriter.h"
#include "students/StudentIds.h"
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
        auto test = Exams::fetch(mod().Conn(), 1);
        if (!test || !*test || !table.load(mod().Conn(), **test)) {
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
        auto rows = book ? StudentImport::plan(mod().Conn(), book->at(0), StudentImport::guess(book->at(0)))
                         : Result<QVector<StudentImport::Row>>(book.error());
        auto done
            = rows ? StudentImport::apply(mod().Conn(), *rows, false) : Result<StudentImport::Outcome>(rows.error());
        if (!done || done->added != n) {
            state.SkipWithError(done ? qPrintable(done->summary()) : qPrintable(done.error().message()));
            break;
        }
        state.PauseTiming();
        if (!mod().Conn().exec(QStringLiteral("delete from tblLogin where 学号>=?"), { newNumber(0) }))
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

namespace {

constexpr int kExportStudents = 1500;
constexpr int kExportSubjects = 9;
constexpr int kExportQuestions = 40;

void byExport(benchmark::internal::Benchmark* b)
{
    b->Args({ kExportStudents, kFewTests });
}

// What a marking system hands out for a class of 1,500 (a whole year in one
// file): a title, a two-row header, 考号 (kept from the roster) instead of
// 学号, 班级, the total with its ranks, 9 subjects each with 得分 / 班次 /
// 校次, and 40 question columns, all as .xlsx.
QString writeMarkingExport(const QString& dir)
{
    QVector<QVariant> title(3 + 3 + 3 * kExportSubjects + kExportQuestions, QStringLiteral("期末考试成绩"));
    QVector<QVariant> top { QStringLiteral("考号"), QStringLiteral("姓名"), QStringLiteral("班级"),
        QStringLiteral("总分"), QVariant(), QVariant() };
    QVector<QVariant> sub { QVariant(), QVariant(), QVariant(), QStringLiteral("得分"), QStringLiteral("班次"),
        QStringLiteral("校次") };
    for (int s = 0; s < kExportSubjects; ++s) {
        top << Schema::subjects()[s] << QVariant() << QVariant();
        sub << QStringLiteral("得分") << QStringLiteral("班次") << QStringLiteral("校次");
    }
    for (int q = 1; q <= kExportQuestions; ++q) {
        top << QString::number(q);
        sub << QVariant();
    }
    SheetTable sheet { QStringLiteral("成绩"), {}, { title, top, sub } };
    for (int i = 1; i <= kExportStudents; ++i) {
        QVector<QVariant> row { QStringLiteral("K%1").arg(i), QStringLiteral("学生%1").arg(i),
            QStringLiteral("初二(3)班"), 600 + i % 200, i, i };
        for (int s = 0; s < kExportSubjects; ++s)
            row << (i * 7 + s) % 101 << i << i;
        for (int q = 0; q < kExportQuestions; ++q)
            row << (i + q) % 6;
        sheet.rows.push_back(row);
    }
    const QString path = dir + QStringLiteral("/marks.xlsx");
    return SheetWriter::writeXlsx(path, { sheet }) ? path : QString();
}

// Read, find the header, match every row by its 考号, check every score and
// save them with the export's totals and ranks, in one transaction.
void BM_ImportMarkingExport(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    QTemporaryDir dir;
    const QString path = writeMarkingExport(dir.path());
    QVector<std::pair<QString, QString>> examNumbers;
    for (int i = 1; i <= kExportStudents; ++i)
        examNumbers.push_back({ studentNumber(i), QStringLiteral("K%1").arg(i) });
    if (path.isEmpty() || !StudentIds::keepExamNumbers(mod().Conn(), examNumbers)
        || !mod().Conn().exec(QStringLiteral("update tblClass set 班级名称=?"), { QStringLiteral("初二(3)班") })) {
        state.SkipWithError("the export cannot be made");
        return;
    }
    for (auto _ : state) {
        auto book = SheetReader::read(path);
        auto test = Exams::fetch(mod().Conn(), 1);
        ScoreTable table;
        if (!book || !test || !*test || !table.load(mod().Conn(), **test)) {
            state.SkipWithError("test 1 or the export cannot be read");
            break;
        }
        const ScoreTable::SheetImport in = table.importSheet(book->at(0), true, true);
        if (in.matched != kExportStudents || !in.refused.isEmpty()) {
            state.SkipWithError(qPrintable(QStringLiteral("%1 matched").arg(in.matched)));
            break;
        }
        if (Status saved = table.save(mod().Conn()); !saved) {
            state.SkipWithError(qPrintable(saved.error().message()));
            break;
        }
        // The next round finds the same scores again: put the old ones back, untimed.
        state.PauseTiming();
        QVector<ScoreTable::Cell> old;
        for (int r = 0; r < table.students(); ++r) {
            for (int c = 0; c < kExportSubjects; ++c)
                old.push_back({ r, c, QString::number((r + c) % 90) });
        }
        table.edit(old);
        (void)table.save(mod().Conn());
        state.ResumeTiming();
    }
    closeClass();
}
BENCHMARK(BM_ImportMarkingExport)->Apply(byExport)->Unit(benchmark::kMillisecond);

// The floor: the same 1,500 rows of 9 scores updated in one transaction.
void BM_ImportMarkingExport_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    QByteArray sets;
    for (int s = 0; s < kExportSubjects; ++s)
        sets += (sets.isEmpty() ? "" : ", ") + Schema::subjects()[s].toUtf8() + "=?";
    const QByteArray update = "update tblScore1 set " + sets + " where 学号=?";
    for (auto _ : state) {
        db.query("begin");
        for (int i = 1; i <= kExportStudents; ++i) {
            QList<QByteArray> params;
            for (int s = 0; s < kExportSubjects; ++s)
                params << QByteArray::number((i * 7 + s) % 101);
            db.query(update, params << studentNumber(i).toUtf8());
        }
        db.query("commit");
    }
}
BENCHMARK(BM_ImportMarkingExport_Raw)->Apply(byExport)->Unit(benchmark::kMillisecond);

} // namespace
