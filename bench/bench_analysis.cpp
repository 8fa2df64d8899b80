// The class, subject and personal analyses, beside the raw queries.
#include "BenchDb.h"
#include "analysis/GradeCompare.h"
#include "analysis/Progress.h"
#include "analysis/StatsTable.h"
#include "analysis/TermGrades.h"
#include "analysis/ui/Analyze_Class.h"
#include "analysis/ui/Analyze_Person.h"
#include "analysis/ui/Analyze_Subject.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/ClassFigures.h"
#include "exams/TestRecord.h"
#include "support/Ui.h"

#include <QRadioButton>
#include <benchmark/benchmark.h>

using namespace velmora;
using velmora::test::child;
using namespace velmora::bench;

namespace {

// Test 1 has every subject; the selection is the first three, as the window starts.
void BM_ClassSortBySelection(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    mod().setSelNo(QStringLiteral("1"));
    Analyze_Class a(mod());
    a.load();
    child<QRadioButton>(&a, "Sort1")->setChecked(true);
    for (auto _ : state)
        a.sort();
    closeClass();
}
BENCHMARK(BM_ClassSortBySelection)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_ClassSortBySelection_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        db.query("select * from tblTestInfo where 考试号=?", { "1" });
        db.query("select * from tblScore1 order by 语文+数学+英语 desc, 学号");
    }
}
BENCHMARK(BM_ClassSortBySelection_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_SubjectAnalysis(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    mod().setSelNo(QStringLiteral("1"));
    mod().setSubjectName(QStringLiteral("语文"));
    for (auto _ : state) {
        Analyze_Subject a(mod());
        a.load();
    }
    if (!MessageService::texts().isEmpty())
        state.SkipWithError(qPrintable(MessageService::texts().first()));
    closeClass();
}
BENCHMARK(BM_SubjectAnalysis)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_SubjectAnalysis_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        db.query("select * from tblTestInfo where 考试号=?", { "1" });
        db.query("select 学号,语文 from tblScore1 order by 学号");
    }
}
BENCHMARK(BM_SubjectAnalysis_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

// What reading tests for their figures costs at the floor: each test's
// row, its 14 subjects per student, and its marks.
void readTests(RawDb& db, std::initializer_list<const char*> tests)
{
    for (const char* test : tests) {
        db.query("select * from tblTestInfo where 考试号=?", { test });
        db.query(QStringLiteral("select 学号, 语文, 数学, 英语, 物理, 化学, 生物, 政治, 历史, 地理, 体育, 劳技, 音乐, "
                                "美术, 健康 from tblScore%1 order by 学号")
                     .arg(QString::fromLatin1(test))
                     .toUtf8());
        db.query("select 学号, 项目, 标记 from velmora_score_marks where 考试号=?", { test });
    }
}

// The statistics table of test 1, every subject: the figures and the sheet shown.
void BM_StatsTable(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    auto test = Exams::fetch(mod().Conn(), 1);
    if (!test || !*test) {
        state.SkipWithError("no test 1");
        closeClass();
        return;
    }
    for (auto _ : state) {
        auto table = Analysis::statsOf(mod().Conn(), **test, StatsRules {});
        if (!table) {
            state.SkipWithError(qPrintable(table.error().message()));
            break;
        }
        benchmark::DoNotOptimize(Analysis::statsSheet(*table, QStringLiteral("成绩统计表")));
    }
    closeClass();
}
BENCHMARK(BM_StatsTable)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_StatsTable_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state)
        readTests(db, { "1" });
}
BENCHMARK(BM_StatsTable_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

// 进退步 between tests 1 and 2, by the total: both tests read, ranked and paired.
void BM_Progress(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    auto first = Exams::fetch(mod().Conn(), 1);
    auto second = Exams::fetch(mod().Conn(), 2);
    if (!first || !*first || !second || !*second) {
        state.SkipWithError("no tests 1 and 2");
        closeClass();
        return;
    }
    for (auto _ : state) {
        auto earlier = Analysis::cellsOf(mod().Conn(), **first);
        auto later = Analysis::cellsOf(mod().Conn(), **second);
        if (!earlier || !later) {
            state.SkipWithError("tests not read");
            break;
        }
        const StatsRules rules;
        benchmark::DoNotOptimize(
            Analysis::progressOf(Analysis::resultsOf(*earlier, {}, rules), Analysis::resultsOf(*later, {}, rules)));
    }
    closeClass();
}
BENCHMARK(BM_Progress)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_Progress_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state)
        readTests(db, { "1", "2" });
}
BENCHMARK(BM_Progress_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

// A term grade of tests 1, 2 and 3 weighted 30/30/40: read, weighted, ranked.
void BM_TermGrade(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    const Analysis::TermDefinition term { QStringLiteral("总评"), { { 1, 30 }, { 2, 30 }, { 3, 40 } } };
    for (auto _ : state) {
        auto sheet = Analysis::termSheet(mod().Conn(), term, StatsRules {});
        if (!sheet) {
            state.SkipWithError(qPrintable(sheet.error().message()));
            break;
        }
        benchmark::DoNotOptimize(sheet->rows.size());
    }
    closeClass();
}
BENCHMARK(BM_TermGrade)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_TermGrade_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state)
        readTests(db, { "1", "2", "3" });
}
BENCHMARK(BM_TermGrade_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

// One student's page: a row and a bar group per test.
void BM_PersonalPage(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    Analyze_Person p(mod());
    p.load();
    for (auto _ : state)
        p.next();
    if (!MessageService::texts().isEmpty())
        state.SkipWithError(qPrintable(MessageService::texts().first()));
    closeClass();
}
BENCHMARK(BM_PersonalPage)->Apply(byTests)->Unit(benchmark::kMillisecond);

void BM_PersonalPage_Raw(benchmark::State& state)
{
    const int tests = int(state.range(1));
    RawDb db(classDb(int(state.range(0)), tests));
    const QByteArray student = studentNumber(2).toUtf8();
    for (auto _ : state) {
        db.query("select * from tblTestInfo ORDER BY 考试号");
        for (int t = 1; t <= tests; ++t)
            db.query("select 语文,数学,英语 from TblScore" + QByteArray::number(t) + " where 学号=?", { student });
    }
}
BENCHMARK(BM_PersonalPage_Raw)->Apply(byTests)->Unit(benchmark::kMillisecond);

// A whole grade's export as the import reads it: six classes of `students`,
// 14 subjects, half points here and there; ours is the first class.
SheetTable gradeExport(int students)
{
    SheetTable sheet;
    sheet.headers << QStringLiteral("班级");
    for (int s = 0; s < 14; ++s)
        sheet.headers << Schema::subjects()[s];
    for (int c = 1; c <= 6; ++c) {
        for (int i = 0; i < students; ++i) {
            QVector<QVariant> row { QStringLiteral("初二(%1)班").arg(c) };
            for (int s = 0; s < 14; ++s)
                row << 40 + (i * 7 + s * 13 + c * 5) % 60 + ((i + s) % 2 ? 0.5 : 0.0);
            sheet.rows << row;
        }
    }
    return sheet;
}

// 年级对比 of test 1 with five other classes: their figures counted from the
// export as its import does, our own read from the database as the window
// does, the comparison and its sheet.
void BM_GradeCompare(benchmark::State& state)
{
    const int students = int(state.range(0));
    openClass(students, 1);
    auto test = Exams::fetch(mod().Conn(), 1);
    if (!test || !*test) {
        state.SkipWithError("no test 1");
        closeClass();
        return;
    }
    const SheetTable sheet = gradeExport(students);
    QVector<std::pair<int, QString>> others;
    for (int r = students; r < sheet.rows.size(); ++r)
        others.push_back({ r, sheet.rows[r][0].toString() });
    QVector<ClassFigures::Subject> subjects;
    for (int s = 0; s < 14; ++s)
        subjects.push_back({ s + 1, Schema::subjects()[s], 100 });
    for (auto _ : state) {
        const auto figures = ClassFigures::ofRows(sheet, others, subjects, StatsRules {});
        auto own = Analysis::statsOf(mod().Conn(), **test, StatsRules {});
        if (!own) {
            state.SkipWithError(qPrintable(own.error().message()));
            break;
        }
        const auto table = Analysis::gradeTable(*own, figures);
        benchmark::DoNotOptimize(Analysis::gradeSheet(table, QStringLiteral("年级对比"), &table));
    }
    closeClass();
}
BENCHMARK(BM_GradeCompare)->Args({ 50, 1 })->Unit(benchmark::kMillisecond);

void BM_GradeCompare_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), 1));
    for (auto _ : state)
        readTests(db, { "1" });
}
BENCHMARK(BM_GradeCompare_Raw)->Args({ 50, 1 })->Unit(benchmark::kMillisecond);

} // namespace
