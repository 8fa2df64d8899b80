#include "support/TestDb.h"

#include "app/Module1.h"
#include "data/Schema.h"
#include "platform/AppPaths.h"
#include "platform/MessageService.h"

#include <QAtomicInt>
#include <QCoreApplication>

namespace velmora::test {

namespace {
QAtomicInt g_counter;
}

bool TestDb::isPostgres()
{
    return qEnvironmentVariable("VELMORA_TEST_BACKEND") == QLatin1String("postgres");
}

bool TestDb::backendAvailable(QString* why)
{
    if (!isPostgres())
        return true;
    if (qEnvironmentVariableIsEmpty("VELMORA_PG_HOST")) {
        *why = QStringLiteral("no PostgreSQL server (VELMORA_PG_HOST is not set)");
        return false;
    }
    return true;
}

TestDb::TestDb()
{
    m_settings.dataDir = m_dir.path();
    m_settings.user = QStringLiteral("adm");
    m_settings.password = QStringLiteral("adm");
    m_settings.server = QStringLiteral("(local)");
    m_settings.database = QStringLiteral("students");
    if (isPostgres()) {
        m_settings.server = qEnvironmentVariable("VELMORA_PG_HOST") + QLatin1Char(':')
            + qEnvironmentVariable("VELMORA_PG_PORT", QStringLiteral("5432"));
        m_settings.user = qEnvironmentVariable("VELMORA_PG_USER", QStringLiteral("velmora"));
        m_settings.password = qEnvironmentVariable("VELMORA_PG_PASSWORD", QStringLiteral("velmora"));
        m_settings.database = QStringLiteral("velmora_t%1_%2")
                                  .arg(QCoreApplication::applicationPid())
                                  .arg(g_counter.fetchAndAddRelaxed(1));
    }
}

TestDb::~TestDb()
{
    m_db.close();
    if (m_created && isPostgres())
        Schema::dropServerDatabase(m_settings);
}

bool TestDb::create(bool seed)
{
    Status made = isPostgres() ? Schema::createServerDatabase(m_settings, true)
                               : Schema::createEmbeddedDatabase(m_settings, true);
    if (made) {
        m_created = true;
        made = m_db.open(m_settings);
    }
    if (made)
        made = Schema::create(m_db);
    if (made && seed)
        made = Schema::seed(m_db);
    if (!made) {
        m_error = made.error().number + QLatin1Char(' ') + made.error().description;
        return false;
    }
    return true;
}

bool TestDb::loginModule(bool admin)
{
    Module1& m = mod();
    m.reset();
    AppPaths::setAppDir(m_dir.path());
    m.DbServer = m_settings.server;
    m.DbName = m_settings.database;
    m.DbUser = m_settings.user;
    m.DbPwd = m_settings.password;
    m.IsAdmin = admin;
    MessageService::startRecording();
    return bool(m.Conn.open(m_settings));
}

std::unique_ptr<Database> TestDb::connect() const
{
    auto db = std::make_unique<Database>();
    if (!db->open(m_settings))
        return nullptr;
    return db;
}

} // namespace velmora::test
