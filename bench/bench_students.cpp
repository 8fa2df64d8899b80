// The student list, search, the record form and the report, beside the raw queries.
#include "BenchDb.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "students/StudentRecord.h"
#include "students/ui/DataReport1.h"
#include "students/ui/StudentInfo.h"
#include "students/ui/StudentInfoFind.h"
#include "students/ui/StudentInfoWatch.h"
#include "support/Ui.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace velmora;
using velmora::test::child;
using namespace velmora::bench;

namespace {

const QByteArray kColumns = "学号, 姓名, 性别, 出生年月, 民族, 籍贯, 家庭住址, 联系电话, 父亲姓名, 父亲单位, 母亲姓名, "
                            "母亲单位, 毕业于, 毕业至, 备注";

// One whole statement, as often as the benchmark runs.
void rawQuery(benchmark::State& state, const QByteArray& sql, const QList<QByteArray>& params = {})
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state)
        benchmark::DoNotOptimize(db.query(sql, params));
}

QByteArray middleStudent(const benchmark::State& state)
{
    return studentNumber(int(state.range(0)) / 2).toUtf8();
}

void BM_StudentList(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    StudentInfoWatch list(mod());
    for (auto _ : state) {
        list.fill();
        benchmark::DoNotOptimize(child<QLineEdit>(&list, "txtNumber")->text());
    }
    closeClass();
}
BENCHMARK(BM_StudentList)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_StudentList_Raw(benchmark::State& state)
{
    rawQuery(state, "select " + kColumns + " from tblLogin ORDER BY 学号");
}
BENCHMARK(BM_StudentList_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_StudentSearch(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    StudentInfoFind find(mod());
    child<QLineEdit>(&find, "Text2")->setText(QStringLiteral("学生12"));
    for (auto _ : state) {
        find.search();
        benchmark::DoNotOptimize(child<QLineEdit>(&find, "txt_Result")->text());
        MessageService::clearMessages();
    }
    closeClass();
}
BENCHMARK(BM_StudentSearch)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_StudentSearch_Raw(benchmark::State& state)
{
    const QByteArray like = onServer() ? "姓名 ILIKE ? ESCAPE '!'" : "姓名 LIKE ? ESCAPE '!'";
    rawQuery(state, "select " + kColumns + " from tblLogin where " + like + " ORDER BY 学号", { "%学生12%" });
}
BENCHMARK(BM_StudentSearch_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_RecordFormWithPhoto(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    const QString number = QString::fromUtf8(middleStudent(state));
    for (auto _ : state) {
        StudentInfo form(mod());
        form.prepareReadOnly(number);
        form.showPhoto();
        benchmark::DoNotOptimize(child<QLabel>(&form, "Image1")->pixmap().isNull());
    }
    closeClass();
}
BENCHMARK(BM_RecordFormWithPhoto)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_RecordFormWithPhoto_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    const QByteArray number = middleStudent(state);
    for (auto _ : state) {
        db.query("select " + kColumns + " from tblLogin where 学号=?", { number });
        db.query("select 照片 from tblLogin where 学号=?", { number });
    }
}
BENCHMARK(BM_RecordFormWithPhoto_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_ReportAllPages(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    QTemporaryDir dir;
    for (auto _ : state) {
        bool ok = false;
        const auto rows = DataReport1::readRows(mod().Conn(), &ok);
        int pages = 0;
        DataReport1::exportPdf(dir.filePath(QStringLiteral("r.pdf")), rows, &pages);
        state.counters["pages"] = pages;
    }
    closeClass();
}
BENCHMARK(BM_ReportAllPages)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_ReportAllPages_Raw(benchmark::State& state)
{
    rawQuery(state,
        "select 学号, 姓名, 性别, 出生年月, 民族, 籍贯, 家庭住址, 联系电话, 毕业于, 毕业至, 备注 from tblLogin ORDER "
        "BY 学号");
}
BENCHMARK(BM_ReportAllPages_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

} // namespace
