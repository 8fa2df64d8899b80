// Defining a test, entering scores, viewing them and listing tests, beside the raw SQL.
#include "BenchDb.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "exams/TestRecord.h"
#include "exams/ui/TestFill.h"
#include "exams/ui/TestInfoAdd.h"
#include "exams/ui/TestInfoWatch.h"
#include "exams/ui/TestWatch.h"
#include "platform/ui/ResultGrid.h"
#include "support/Ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <benchmark/benchmark.h>

using namespace velmora;
using velmora::test::child;
using namespace velmora::bench;

namespace {

// Tests from `first` on were made by the benchmark; the next one finds the database as built.
void removeTestsFrom(int first)
{
    const int last = *Exams::nextNumber(mod().Conn()) - 1;
    for (int n = first; n <= last; ++n) {
        if (!Exams::remove(mod().Conn(), n))
            qWarning("test %d made by the benchmark could not be removed", n);
    }
}

void BM_DefineTest(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    const int first = *Exams::nextNumber(mod().Conn());
    for (auto _ : state) {
        TestInfoAdd add(mod());
        add.load();
        child<QLineEdit>(&add, "txtName")->setText(QStringLiteral("期末"));
        child<QComboBox>(&add, "txtType")
            ->setCurrentIndex(child<QComboBox>(&add, "txtType")->findText(QStringLiteral("期末考试")));
        child<QCheckBox>(&add, "CheckAll")->click();
        add.define();
        if (add.result() != QDialog::Accepted)
            state.SkipWithError(qPrintable(MessageService::texts().value(0, QStringLiteral("define failed"))));
        MessageService::clearMessages();
    }
    removeTestsFrom(first);
    closeClass();
}
BENCHMARK(BM_DefineTest)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_DefineTest_Raw(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    const int first = *Exams::nextNumber(mod().Conn());
    QVector<int> all;
    for (int i = 0; i < Schema::subjects().size(); ++i)
        all << i;
    const QByteArray lock = mod().Conn().dialect().lockTableSql(QStringLiteral("tblTestInfo")).toUtf8();
    {
        RawDb db(classDb(int(state.range(0)), int(state.range(1))));
        int n = first;
        for (auto _ : state) {
            db.query("begin");
            db.query(lock);
            db.query("select max(考试号) from tblTestInfo");
            db.query("insert into tblTestInfo (考试号, 考试名称, 考试类型, 语文) values (?, ?, ?, ?)",
                { QByteArray::number(n), "期末", "期末考试", "1" });
            db.query(Schema::createScoreTableSql(mod().Conn().dialect(), n, all, true, true).toUtf8());
            db.query("insert into tblScore" + QByteArray::number(n) + " (学号) select 学号 from tblLogin");
            db.query("commit");
            ++n;
        }
    }
    removeTestsFrom(first);
    closeClass();
}
BENCHMARK(BM_DefineTest_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

// Test 1, with every subject; the scores typed change on every save.
void BM_ScoreSaveAndMove(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    mod().setSelNo(QStringLiteral("1"));
    TestFill fill(mod());
    fill.load();
    child<QCheckBox>(&fill, "Check")->setChecked(true);
    int score = 0;
    for (auto _ : state) {
        child<QLineEdit>(&fill, "Text1")->setText(QString::number(++score % 100));
        if (child<QLineEdit>(&fill, "Text0")->text() == studentNumber(int(state.range(0))))
            fill.first();
        else
            fill.next();
    }
    if (!MessageService::texts().isEmpty())
        state.SkipWithError(qPrintable(MessageService::texts().first()));
    closeClass();
}
BENCHMARK(BM_ScoreSaveAndMove)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_ScoreSaveAndMove_Raw(benchmark::State& state)
{
    const int students = int(state.range(0));
    RawDb db(classDb(students, int(state.range(1))));
    QByteArray sets;
    for (const QString& s : Schema::subjects() + Schema::attendanceItems())
        sets += s.toUtf8() + "=?, ";
    sets += "教师评语=?";
    QList<QByteArray> values;
    for (int i = 0; i < Schema::subjects().size() + Schema::attendanceItems().size(); ++i)
        values << "1";
    values << "该生学习认真，成绩稳定。" << QByteArray();
    int i = 0;
    for (auto _ : state) {
        values[0] = QByteArray::number(i % 100);
        values.last() = studentNumber(i % students + 1).toUtf8();
        db.query("update tblScore1 set " + sets + " where 学号=?", values);
        db.query("select * from tblScore1 where 学号=?", { studentNumber((i + 1) % students + 1).toUtf8() });
        ++i;
    }
}
BENCHMARK(BM_ScoreSaveAndMove_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_ScoreView(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    mod().setSelNo(QStringLiteral("1"));
    for (auto _ : state) {
        TestWatch view(mod());
        view.load();
        benchmark::DoNotOptimize(child<ResultGrid>(&view, "Grid")->rows());
    }
    closeClass();
}
BENCHMARK(BM_ScoreView)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_ScoreView_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        db.query("select * from tblTestInfo where 考试号=?", { "1" });
        db.query("select * from tblScore1 order by 学号");
    }
}
BENCHMARK(BM_ScoreView_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_TestList(benchmark::State& state)
{
    openClass(int(state.range(0)), int(state.range(1)));
    TestInfoWatch list(mod());
    for (auto _ : state) {
        list.load();
        MessageService::clearMessages();
    }
    closeClass();
}
BENCHMARK(BM_TestList)->Apply(byTests)->Unit(benchmark::kMillisecond);

void BM_TestList_Raw(benchmark::State& state)
{
    RawDb db(classDb(int(state.range(0)), int(state.range(1))));
    for (auto _ : state)
        db.query("select * from tblTestInfo ORDER BY 考试号");
}
BENCHMARK(BM_TestList_Raw)->Apply(byTests)->Unit(benchmark::kMillisecond);

} // namespace
