// Data safety: a backup and a restore of the embedded file beside a plain
// file copy, and what recording the history adds to a score save.
#include "BenchDb.h"
#include "data/Backup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace velmora;
using namespace velmora::bench;

namespace {

void byFile(benchmark::internal::Benchmark* b)
{
    b->Args({ 45, kFewTests });
    b->Args({ 5000, kFewTests });
    b->Iterations(3);
}

QString liveFile(benchmark::State& state)
{
    if (onServer()) {
        state.SkipWithError("backups are of the embedded file");
        return {};
    }
    return Backups::databaseFile(classDb(int(state.range(0)), int(state.range(1))));
}

// The online backup with its integrity check, as on closing the program.
void BM_Backup(benchmark::State& state)
{
    const QString file = liveFile(state);
    if (file.isEmpty())
        return;
    QTemporaryDir dir(QFileInfo(file).absolutePath() + QStringLiteral("/backup-XXXXXX"));
    for (auto _ : state) {
        auto taken = Backups::take(file, dir.path());
        if (!taken) {
            state.SkipWithError(qPrintable(taken.error().description));
            break;
        }
        state.PauseTiming();
        QFile::remove(*taken);
        state.ResumeTiming();
    }
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
}
BENCHMARK(BM_Backup)->Apply(byFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same file copied as bytes (neither consistent nor checked).
void BM_Backup_Raw(benchmark::State& state)
{
    const QString file = liveFile(state);
    if (file.isEmpty())
        return;
    QTemporaryDir dir(QFileInfo(file).absolutePath() + QStringLiteral("/copy-XXXXXX"));
    const QString target = dir.filePath(QStringLiteral("copy.db"));
    for (auto _ : state) {
        QFile::copy(file, target);
        state.PauseTiming();
        QFile::remove(target);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Backup_Raw)->Apply(byFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// A backup put in place of a working copy of the file, checked before and after.
void BM_Restore(benchmark::State& state)
{
    const QString file = liveFile(state);
    if (file.isEmpty())
        return;
    QTemporaryDir dir(QFileInfo(file).absolutePath() + QStringLiteral("/restore-XXXXXX"));
    const QString scratch = dir.filePath(QStringLiteral("scratch.db"));
    auto taken = Backups::take(file, dir.path());
    if (!taken || !QFile::copy(file, scratch)) {
        state.SkipWithError("the backup cannot be taken");
        return;
    }
    for (auto _ : state) {
        if (Status restored = Backups::restore(*taken, scratch); !restored) {
            state.SkipWithError(qPrintable(restored.error().description));
            break;
        }
    }
}
BENCHMARK(BM_Restore)->Apply(byFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Restore_Raw(benchmark::State& state)
{
    BM_Backup_Raw(state);
}
BENCHMARK(BM_Restore_Raw)->Apply(byFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
