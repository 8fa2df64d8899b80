#include "support/TestDb.h"

#include "app/Module1.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/TextLimits.h"
#include "platform/AppPaths.h"
#include "platform/MessageService.h"

#include <QAtomicInt>
#include <QCoreApplication>

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
    const QString blob = isPostgres() ? QStringLiteral("bytea") : QStringLiteral("blob");
    QStringList flags;
    for (const QString& s : Schema::subjects())
        flags << s + QStringLiteral(" int");
    const QStringList statements {
        QStringLiteral("create table tblUsers (UserName varchar(20), PWD varchar(10), Grade varchar(10))"),
        QStringLiteral(
            "create table tblLogin (学号 varchar(10) primary key, 姓名 varchar(10), 性别 varchar(2), "
            "出生年月 varchar(20), 民族 varchar(10), 籍贯 varchar(20), 家庭住址 varchar(30), 联系电话 varchar(10), "
            "父亲姓名 varchar(10), 父亲单位 varchar(20), 母亲姓名 varchar(10), 母亲单位 varchar(20), "
            "毕业于 varchar(20), 毕业至 varchar(20), 备注 varchar(60), 照片 %1)")
            .arg(blob),
        QStringLiteral("create table tblClass (班级代号 varchar(10), 班级名称 varchar(10), 入学时间 varchar(20), "
                       "班主任 varchar(8), 班级人数 varchar(3))"),
        QStringLiteral(
            "create table tblTbl (星期一 varchar(4), 星期二 varchar(4), 星期三 varchar(4), 星期四 varchar(4), "
            "星期五 varchar(4))"),
        QStringLiteral("create table tblTestInfo (考试号 int primary key, 考试名称 varchar(10), 考试日期 varchar(20), "
                       "考试类型 varchar(10), %1, 出勤 int, 教师评语 int, 备注 varchar(50))")
            .arg(flags.join(QStringLiteral(", "))),
        QStringLiteral("insert into tblUsers values ('head', 'pw', 'Admin')"),
        QStringLiteral("insert into tblUsers values ('low', 'pw', 'User')"),
        QStringLiteral("insert into tblClass values ('C1', '一班', '2024-09-01', '王老师', '45')"),
    };
    for (const QString& sql : statements) {
        if (auto done = m_db.exec(sql); !done) {
            m_error = sql + QLatin1Char(' ') + done.error().description;
            return false;
        }
    }
    // Periods in storage order, each row telling which it is.
    for (int period = 1; period <= 8; ++period) {
        const QString p = QString::number(period);
        if (auto done = m_db.exec(QStringLiteral("insert into tblTbl values (?, ?, ?, ?, ?)"),
                { QStringLiteral("一") + p, QStringLiteral("二") + p, QStringLiteral("三") + p,
                    QStringLiteral("四") + p, QStringLiteral("五") + p });
            !done) {
            m_error = done.error().description;
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
    m.DbServer = m_settings.server;
    m.DbName = m_settings.database;
    m.DbUser = m_settings.user;
    m.DbPwd = m_settings.password;
    m.IsAdmin = admin;
    MessageService::startRecording();
    if (!m.Conn.open(m_settings))
        return false;
    TextLimits::adopt(m.Conn);
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
