// Login and the main window's load, against the raw cost of the same queries.
#include "BenchDb.h"

#include "app/MainForm.h"
#include "app/Module1.h"
#include "platform/AppPaths.h"
#include "platform/MessageService.h"

#include <benchmark/benchmark.h>

#ifdef VELMORA_HAVE_SQLITE3
#include <sqlite3.h>
#endif

using namespace velmora;

namespace {

constexpr int kPhoto = 100 * 1024;

void BM_LoginAndMainWindowLoad(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), kPhoto);
    AppPaths::setAppDir(s.dataDir);
    Module1& m = mod();
    m.DbServer = s.server;
    m.DbName = s.database;
    m.DbUser = s.user;
    m.DbPwd = s.password;
    for (auto _ : state) {
        m.LoginUser = QStringLiteral("admin");
        if (!m.ConnectDb(s.server, s.database, QStringLiteral("admin"), QStringLiteral("123456"))
            && !m.CheckUser(QStringLiteral("admin"), QStringLiteral("123456"))) {
            state.SkipWithError("login failed");
            break;
        }
        MainForm form;
        form.load();
        benchmark::DoNotOptimize(form.entry(QStringLiteral("ClassConfig"))->isEnabled());
        m.Conn.close();
        MessageService::clearMessages();
    }
}
BENCHMARK(BM_LoginAndMainWindowLoad)->Arg(60)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

#ifdef VELMORA_HAVE_SQLITE3
// The same statements straight through the SQLite library: open, the user
// look-up and the two emptiness checks.
void BM_RawSqliteSameQueries(benchmark::State& state)
{
    const ConnectionSettings s = bench::embeddedClass(int(state.range(0)), kPhoto);
    const QByteArray path = bench::embeddedPath(s).toUtf8();
    const char* statements[] = { "select * from tblUsers where UserName='admin' and PWD='123456'",
                                 "select 1 from tblLogin limit 1", "select 1 from tblClass limit 1" };
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        for (const char* sql : statements) {
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
            while (sqlite3_step(stmt) == SQLITE_ROW)
                benchmark::DoNotOptimize(sqlite3_column_count(stmt));
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
    }
}
BENCHMARK(BM_RawSqliteSameQueries)->Arg(60)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
#endif

} // namespace
