// The student list and search with a large class, against the raw query cost.
#include "BenchDb.h"

#include "app/Module1.h"
#include "platform/AppPaths.h"
#include "platform/MessageService.h"
#include "students/StudentInfoFind.h"
#include "students/StudentInfoWatch.h"

#include <QLineEdit>

#include <benchmark/benchmark.h>

#ifdef VELMORA_HAVE_SQLITE3
#include <sqlite3.h>
#endif

using namespace velmora;

namespace {

constexpr int kPhoto = 100 * 1024;

void open(const ConnectionSettings& s)
{
    AppPaths::setAppDir(s.dataDir);
    mod().Conn.open(s);
    mod().IsAdmin = true;
}

void BM_StudentListFill(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), kPhoto);
    open(s);
    StudentInfoWatch list;
    for (auto _ : state) {
        list.fill();
        benchmark::DoNotOptimize(list.txtNumber->text());
    }
    mod().Conn.close();
}
BENCHMARK(BM_StudentListFill)->Arg(60)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_SearchNameFragment(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), kPhoto);
    open(s);
    StudentInfoFind find;
    find.Text[2]->setText(QStringLiteral("学生12"));
    for (auto _ : state) {
        find.search();
        benchmark::DoNotOptimize(find.txt_Result->text());
        MessageService::clearMessages();
    }
    mod().Conn.close();
}
BENCHMARK(BM_SearchNameFragment)->Arg(60)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

#ifdef VELMORA_HAVE_SQLITE3
void rawQuery(benchmark::State& state, const char* sql)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), kPhoto);
    const QByteArray path = bench::embeddedPath(s).toUtf8();
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        int rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
            ++rows;
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_close(db);
}
void BM_RawListQuery(benchmark::State& state)
{
    rawQuery(state, "select 学号, 姓名, 性别, 出生年月, 民族, 籍贯, 家庭住址, 联系电话, 父亲姓名, 父亲单位, 母亲姓名, "
                    "母亲单位, 毕业于, 毕业至, 备注 from tblLogin ORDER BY 学号");
}
BENCHMARK(BM_RawListQuery)->Arg(60)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
void BM_RawSearchQuery(benchmark::State& state)
{
    rawQuery(state, "select 学号, 姓名, 性别, 出生年月, 民族, 籍贯, 家庭住址, 联系电话, 父亲姓名, 父亲单位, 母亲姓名, "
                    "母亲单位, 毕业于, 毕业至, 备注 from tblLogin where 姓名 LIKE '%学生12%' ESCAPE '!' ORDER BY 学号");
}
BENCHMARK(BM_RawSearchQuery)->Arg(60)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
#endif

} // namespace

#include "students/DataReport1.h"
#include "students/StudentInfo.h"

#include <QLabel>
#include <QTemporaryDir>

namespace {

void BM_RecordFormWithPhoto(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), kPhoto);
    open(s);
    const QString number = QString::number(100000 + int(state.range(0)) / 2);
    for (auto _ : state) {
        StudentInfo form;
        form.prepareReadOnly(number);
        form.showPhoto();
        benchmark::DoNotOptimize(form.Image1->pixmap().isNull());
    }
    mod().Conn.close();
}
BENCHMARK(BM_RecordFormWithPhoto)->Arg(60)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_RawRecordWithPhotoQuery(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), kPhoto);
    open(s);
    const QString number = QString::number(100000 + int(state.range(0)) / 2);
    for (auto _ : state) {
        auto rows = mod().Conn.select(QStringLiteral("select * from tblLogin where 学号=?"), { number });
        benchmark::DoNotOptimize(rows->value(15).toByteArray().size());
    }
    mod().Conn.close();
}
BENCHMARK(BM_RawRecordWithPhotoQuery)->Arg(60)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_ReportAllPages(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), kPhoto);
    open(s);
    QTemporaryDir dir;
    for (auto _ : state) {
        bool ok = false;
        const auto rows = DataReport1::readRows(&ok);
        int pages = 0;
        DataReport1::exportPdf(dir.filePath(QStringLiteral("r.pdf")), rows, &pages);
        benchmark::DoNotOptimize(pages);
    }
    mod().Conn.close();
}
BENCHMARK(BM_ReportAllPages)->Arg(60)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace
