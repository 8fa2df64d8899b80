#include "support/TestDb.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/TextLimits.h"
#include "platform/AppPaths.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

namespace velmora::test {

namespace {
QAtomicInt g_counter;
// Every test database hashes and verifies at the cheapest cost: a suite opens
// hundreds of connections. tst_database checks the real cost once.
const bool g_cheapHashes = (PasswordHash::setCost(PasswordHash::Cost::Minimal), true);
} // namespace

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
        (void)Schema::dropServerDatabase(m_settings); // a leftover database is the server's to lose
}

bool TestDb::createEmpty()
{
    Status made = isPostgres() ? Schema::createServerDatabase(m_settings, true)
                               : Schema::createEmbeddedDatabase(m_settings, true);
    if (made) {
        m_created = true;
        made = m_db.open(m_settings);
    }
    if (!made)
        m_error = made.error().number + QLatin1Char(' ') + made.error().description;
    return bool(made);
}

bool TestDb::createBare()
{
    if (!createEmpty())
        return false;
    QFile design(QStringLiteral(FIXTURES "/bare.sql"));
    if (!design.open(QIODevice::ReadOnly)) {
        m_error = design.fileName() + QStringLiteral(": ") + design.errorString();
        return false;
    }
    QString script = QString::fromUtf8(design.readAll());
    script.remove(QRegularExpression(QStringLiteral("--[^\n]*")));
    script.replace(QStringLiteral("BLOB"), isPostgres() ? QStringLiteral("bytea") : QStringLiteral("blob"));
    for (const QString& sql : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (sql.trimmed().isEmpty())
            continue;
        if (auto done = m_db.exec(sql.trimmed()); !done) {
            m_error = sql + QLatin1Char(' ') + done.error().description;
            return false;
        }
    }
    return true;
}

bool TestDb::create(bool seed)
{
    Status made = createEmpty() ? Status(Done {}) : Status(Error { QString(), m_error });
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
    m.setDbConfig({ m_settings.server, m_settings.database, m_settings.user, m_settings.password });
    m.setAdmin(admin);
    MessageService::startRecording();
    if (!m.Conn().open(m_settings))
        return false;
    TextLimits::adopt(m.Conn());
    return true;
}

std::unique_ptr<Database> TestDb::connect() const
{
    auto db = std::make_unique<Database>();
    if (!db->open(m_settings))
        return nullptr;
    return db;
}

} // namespace velmora::test
