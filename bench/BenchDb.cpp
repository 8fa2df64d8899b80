#include "BenchDb.h"

#include "app/Module1.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "exams/TestRecord.h"
#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef VELMORA_HAVE_SQLITE3
#include <sqlite3.h>
#endif
#ifdef VELMORA_HAVE_LIBPQ
#include <libpq-fe.h>
#endif

namespace velmora::bench {

namespace {

[[noreturn]] void fail(const Error& e)
{
    std::fprintf(stderr, "bench database: %s %s\n", qPrintable(e.number), qPrintable(e.description));
    std::exit(1);
}

template <typename T> void check(const Result<T>& r)
{
    if (!r)
        fail(r.error());
}

QString benchDir()
{
    QString root = qEnvironmentVariable("VELMORA_BENCH_DIR");
    if (root.isEmpty())
        root = QDir::temp().filePath(QStringLiteral("velmora-bench"));
    QDir().mkpath(root);
    return root;
}

QString embeddedFile(const ConnectionSettings& s)
{
    return QDir(s.dataDir).filePath(s.database + QStringLiteral(".db"));
}

const QStringList& testTypes()
{
    static const QStringList types { QStringLiteral("平时考试"), QStringLiteral("单元考试"), QStringLiteral("月考"),
        QStringLiteral("期中考试"), QStringLiteral("期末考试") };
    return types;
}

// Scores differ by student, subject and test, the same on every run.
void fillTests(Database& db, int tests)
{
    for (int t = 1; t <= tests; ++t) {
        NewTest test { QStringLiteral("第%1次考试").arg(t),
            QStringLiteral("2025-%1-15").arg(t % 12 + 1, 2, 10, QLatin1Char('0')), testTypes()[t % testTypes().size()],
            QString(), {} };
        for (int i = 0; i < Schema::subjects().size(); ++i)
            test.items.subjects << i;
        test.items.attendance = test.items.comment = true;
        auto made = Exams::define(db, test);
        if (!made)
            fail(made.error());
        QStringList sets;
        for (int i = 0; i < Schema::subjects().size(); ++i)
            sets << QStringLiteral("%1=(cast(学号 as integer)*%2+%3)%101")
                        .arg(Schema::subjects()[i])
                        .arg(7 + i)
                        .arg(t * 13);
        for (const QString& item : Schema::attendanceItems())
            sets << item + QStringLiteral("=cast(学号 as integer)%3");
        sets << QStringLiteral("教师评语='该生学习认真，成绩稳定。'");
        check(db.exec(QStringLiteral("update tblScore%1 set %2").arg(made->number).arg(sets.join(u','))));
    }
}

void fillClass(Database& db, int students, int tests)
{
    check(Schema::create(db));
    check(Schema::seed(db));
    QByteArray photo(kPhotoBytes, '\0');
    QRandomGenerator rng(1);
    for (char& c : photo)
        c = char(rng.bounded(256));
    {
        Transaction tx(db);
        for (int i = 1; i <= students; ++i) {
            check(db.exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别, 籍贯, 照片) values (?, ?, ?, ?, ?)"),
                { studentNumber(i), QStringLiteral("学生%1").arg(i),
                    i % 2 ? QStringLiteral("男") : QStringLiteral("女"), QStringLiteral("浙江"), photo }));
        }
        check(tx.commit());
    }
    fillTests(db, tests);
}

ConnectionSettings serverSettings(const QString& database)
{
    return { qEnvironmentVariable("VELMORA_PG_HOST") + QLatin1Char(':')
            + qEnvironmentVariable("VELMORA_PG_PORT", QStringLiteral("5432")),
        database, qEnvironmentVariable("VELMORA_PG_USER", QStringLiteral("velmora")),
        qEnvironmentVariable("VELMORA_PG_PASSWORD", QStringLiteral("velmora")), benchDir() };
}

} // namespace

void byStudents(benchmark::internal::Benchmark* b)
{
    for (int students : { kSmallClass, 1000, 5000 })
        b->Args({ students, kFewTests });
}

void byTests(benchmark::internal::Benchmark* b)
{
    b->Args({ kSmallClass, kFewTests })->Args({ kSmallClass, 500 })->Args({ 5000, 500 });
}

bool onServer()
{
    return qEnvironmentVariable("VELMORA_BENCH_BACKEND") == QLatin1String("postgres");
}

QString studentNumber(int i)
{
    return QString::number(100000 + i);
}

ConnectionSettings classDb(int students, int tests)
{
    const QString name = QStringLiteral("velmora_bench_%1_%2").arg(students).arg(tests);
    if (onServer()) {
        ConnectionSettings s = serverSettings(name);
        {
            // A database is complete once its marker table exists.
            Database db;
            Result<bool> ready = db.open(s) ? db.tableExists(QStringLiteral("velmora_bench_ready")) : false;
            if (ready && *ready) {
                // Made by an older version: brought up to date, as a teacher's would be.
                check(Schema::upgrade(db));
                return s;
            }
        }
        check(Schema::createServerDatabase(s, true));
        Database db;
        check(db.open(s));
        fillClass(db, students, tests);
        check(db.exec(QStringLiteral("create table velmora_bench_ready (x integer)")));
        return s;
    }
    ConnectionSettings s { QStringLiteral("(local)"), name, QStringLiteral("adm"), QStringLiteral("adm"), benchDir() };
    if (QFileInfo::exists(embeddedFile(s))) {
        Database db;
        check(db.open(s));
        check(Schema::upgrade(db));
        return s;
    }
    // Built under another name, so a run stopped halfway leaves nothing that looks finished.
    ConnectionSettings b = s;
    b.database = name + QStringLiteral("_building");
    check(Schema::createEmbeddedDatabase(b, true));
    {
        Database db;
        check(db.open(b));
        fillClass(db, students, tests);
    }
    QFile::rename(embeddedFile(b), embeddedFile(s));
    return s;
}

void openClass(int students, int tests)
{
    const ConnectionSettings s = classDb(students, tests);
    AppPaths::setAppDir(s.dataDir);
    check(mod().Conn().open(s));
    mod().setAdmin(true);
}

void closeClass()
{
    mod().Conn().close();
}

struct RawDb::Impl
{
#ifdef VELMORA_HAVE_SQLITE3
    sqlite3* lite = nullptr;
#endif
#ifdef VELMORA_HAVE_LIBPQ
    PGconn* pg = nullptr;
#endif
};

bool RawDb::available()
{
#ifdef VELMORA_HAVE_LIBPQ
    if (onServer())
        return true;
#endif
#ifdef VELMORA_HAVE_SQLITE3
    if (!onServer())
        return true;
#endif
    return false;
}

RawDb::RawDb(const ConnectionSettings& s)
    : d(std::make_unique<Impl>())
{
#ifdef VELMORA_HAVE_LIBPQ
    if (onServer()) {
        const QStringList hostPort = s.server.split(u':');
        const QByteArray info
            = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=%5")
                  .arg(hostPort.value(0), hostPort.value(1, QStringLiteral("5432")), s.database, s.user, s.password)
                  .toUtf8();
        d->pg = PQconnectdb(info.constData());
        if (PQstatus(d->pg) != CONNECTION_OK)
            fail({ QStringLiteral("raw"), QString::fromUtf8(PQerrorMessage(d->pg)) });
        return;
    }
#endif
#ifdef VELMORA_HAVE_SQLITE3
    if (sqlite3_open_v2(embeddedFile(s).toUtf8().constData(), &d->lite, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        fail({ QStringLiteral("raw"), QString::fromUtf8(sqlite3_errmsg(d->lite)) });
#else
    Q_UNUSED(s);
#endif
}

RawDb::~RawDb()
{
#ifdef VELMORA_HAVE_LIBPQ
    if (d->pg)
        PQfinish(d->pg);
#endif
#ifdef VELMORA_HAVE_SQLITE3
    if (d->lite)
        sqlite3_close(d->lite);
#endif
}

int RawDb::query(const QByteArray& sql, const QList<QByteArray>& params)
{
    int rows = 0;
    std::size_t bytes = 0;
#ifdef VELMORA_HAVE_LIBPQ
    if (d->pg) {
        QByteArray text = sql;
        for (int i = 1; text.contains('?'); ++i)
            text.replace(text.indexOf('?'), 1, "$" + QByteArray::number(i));
        QVector<const char*> values;
        for (const QByteArray& p : params)
            values << p.constData();
        PGresult* r = PQexecParams(
            d->pg, text.constData(), int(values.size()), nullptr, values.constData(), nullptr, nullptr, 0);
        const ExecStatusType st = PQresultStatus(r);
        if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK)
            fail({ QStringLiteral("raw"), QString::fromUtf8(PQresultErrorMessage(r)) });
        rows = PQntuples(r);
        for (int row = 0; row < rows; ++row) {
            for (int c = 0; c < PQnfields(r); ++c) {
                const char* v = PQgetvalue(r, row, c);
                if (PQftype(r, c) == 17) { // bytea arrives escaped
                    std::size_t n = 0;
                    unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(v), &n);
                    bytes += n;
                    PQfreemem(raw);
                } else {
                    bytes += std::strlen(v);
                }
            }
        }
        PQclear(r);
        benchmark::DoNotOptimize(bytes);
        return rows;
    }
#endif
#ifdef VELMORA_HAVE_SQLITE3
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(d->lite, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        fail({ QStringLiteral("raw"), QString::fromUtf8(sqlite3_errmsg(d->lite)) });
    for (int i = 0; i < params.size(); ++i)
        sqlite3_bind_text(stmt, i + 1, params[i].constData(), int(params[i].size()), SQLITE_STATIC);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            if (sqlite3_column_type(stmt, c) == SQLITE_BLOB) {
                sqlite3_column_blob(stmt, c);
            } else {
                sqlite3_column_text(stmt, c);
            }
            bytes += std::size_t(sqlite3_column_bytes(stmt, c));
        }
        ++rows;
    }
    if (rc != SQLITE_DONE)
        fail({ QStringLiteral("raw"), QString::fromUtf8(sqlite3_errmsg(d->lite)) });
    sqlite3_finalize(stmt);
#else
    Q_UNUSED(sql);
    Q_UNUSED(params);
#endif
    benchmark::DoNotOptimize(bytes);
    return rows;
}

} // namespace velmora::bench
