// Login and the main window's load, beside the same statements run raw.
#include "BenchDb.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/ui/MainForm.h"
#include "platform/AppPaths.h"

#include <benchmark/benchmark.h>

using namespace velmora;
using namespace velmora::bench;

namespace {

void BM_LoginAndMainWindow(benchmark::State& state)
{
    const ConnectionSettings s = classDb(int(state.range(0)), int(state.range(1)));
    AppPaths::setAppDir(s.dataDir);
    Module1& m = mod();
    m.setDbConfig({ s.server, s.database, s.user, s.password });
    for (auto _ : state) {
        // As the login window does: the name as a database login first, then the user table.
        m.setLogin(QStringLiteral("admin"));
        if (!m.ConnectDb(s.server, s.database, QStringLiteral("admin"), QStringLiteral("123456"))
            && !m.CheckUser(QStringLiteral("admin"), QStringLiteral("123456"))) {
            state.SkipWithError("login failed");
            break;
        }
        MainForm form(mod());
        form.load();
        benchmark::DoNotOptimize(form.entry(QStringLiteral("ClassConfig"))->isEnabled());
        m.Conn().close();
        MessageService::clearMessages();
    }
}
BENCHMARK(BM_LoginAndMainWindow)->Apply(byStudents)->Unit(benchmark::kMillisecond);

void BM_LoginAndMainWindow_Raw(benchmark::State& state)
{
    const ConnectionSettings s = classDb(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        RawDb db(s);
        db.query("select * from tblUsers where UserName=? and PWD=?", { "admin", "123456" });
        db.query("select 1 from tblLogin limit 1");
        db.query("select 1 from tblClass limit 1");
    }
}
BENCHMARK(BM_LoginAndMainWindow_Raw)->Apply(byStudents)->Unit(benchmark::kMillisecond);

} // namespace
