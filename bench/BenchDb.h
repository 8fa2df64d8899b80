#pragma once

#include "data/ConnectionSettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <memory>

namespace velmora::bench {

inline constexpr int kPhotoBytes = 100 * 1024;
// The number of students benchmarks that do not grow with the class use.
inline constexpr int kSmallClass = 60;
// The number of tests benchmarks that do not grow with the tests use.
inline constexpr int kFewTests = 40;

// Arguments {students, tests}: the class grows, the tests stay few.
void byStudents(benchmark::internal::Benchmark* b);
// Arguments {students, tests}: the tests grow.
void byTests(benchmark::internal::Benchmark* b);

// True when VELMORA_BENCH_BACKEND=postgres: the databases live on the server
// VELMORA_PG_HOST/PORT/USER/PASSWORD name, else in embedded files.
bool onServer();

// A class of `students` students, each with a 100 KB photo, and tests 1 to
// `tests`, each with every subject, attendance and a comment, all filled.
// Built once per size and reused: embedded files in VELMORA_BENCH_DIR (else
// the system's temporary folder), server databases while the server lives.
ConnectionSettings classDb(int students, int tests);
// Opens mod().Conn() on it as an administrator.
void openClass(int students, int tests);
void closeClass();
// Student number `i` of 1..students.
QString studentNumber(int i);

// The same statements without the program: the SQLite library or libpq
// directly, every value read as the driver hands it out. Parameters are
// written "?" and bound as text.
class RawDb
{
public:
    explicit RawDb(const ConnectionSettings& settings);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    static bool available();
    // Every value of every row is read; returns the row count.
    int query(const QByteArray& sql, const QList<QByteArray>& params = {});

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace velmora::bench
