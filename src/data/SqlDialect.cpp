#include "data/SqlDialect.h"

#include "data/ConnectionSettings.h"
#include "data/PasswordHash.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <libpq-fe.h>

namespace velmora {

namespace {

bool validDatabaseName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')
            || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

// The embedded file's own login. A row from before Argon2id is verified as it
// was made and rewritten with today's hash; a file that cannot be written
// (read-only, busy) still lets the right password in.
bool acceptDbLogin(QSqlDatabase& db, const QSqlQuery& row, const ConnectionSettings& s)
{
    const QByteArray salt = row.value(0).toByteArray();
    const QByteArray hash = row.value(1).toByteArray();
    const int iterations = row.value(2).toInt();
    const bool argon2 = PasswordHash::isArgon2Row(salt, iterations);
    if (!PasswordHash::verifyDbLogin(s.password, salt, hash, iterations))
        return false;
    if (!argon2 || PasswordHash::needsRehash(QString::fromLatin1(hash))) {
        const QString fresh = PasswordHash::make(s.password);
        QSqlQuery update(db);
        if (!fresh.isEmpty()
            && update.prepare(
                QStringLiteral("update velmora_dblogin set salt=?, hash=?, iterations=0 where username=?"))) {
            update.addBindValue(QByteArray(PasswordHash::kArgon2Marker));
            update.addBindValue(fresh.toLatin1());
            update.addBindValue(s.user);
            (void)update.exec();
        }
    }
    return true;
}

class SqliteDialect final : public SqlDialect
{
public:
    QString name() const override { return QStringLiteral("SQLite"); }
    QString qtDriver() const override { return QStringLiteral("QSQLITE"); }

    Status configure(QSqlDatabase& db, const ConnectionSettings& s) const override
    {
        if (!validDatabaseName(s.database))
            return Error { QStringLiteral("14"), QStringLiteral("数据库名“%1”无效。").arg(s.database) };
        const QString path = QDir(s.dataDir).filePath(s.database + QStringLiteral(".db"));
        // SQLite would create a missing file; a wrong name must fail as on a server.
        if (!QFileInfo(path).isFile())
            return Error { QStringLiteral("14"), QStringLiteral("数据库“%1”不存在。").arg(s.database) };
        db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        return Done {};
    }

    Status afterOpen(QSqlDatabase& db, const ConnectionSettings& s) const override
    {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
            return error(q.lastError());
        if (!q.prepare(QStringLiteral("select salt, hash, iterations from velmora_dblogin where username = ?"))) {
            // A lock is a lock: telling an administrator the file is no database would invite a rebuild.
            if (isBusy(Error { nativeCode(q.lastError()), q.lastError().databaseText() }))
                return Error { QStringLiteral("5"), QStringLiteral("数据库正被其他程序使用，请稍后再试。"),
                    Error::Kind::Busy };
            return Error { QStringLiteral("26"), QStringLiteral("文件“%1”不是 Velmora 数据库。").arg(s.database) };
        }
        q.addBindValue(s.user);
        if (!q.exec())
            return error(q.lastError());
        if (q.next() && acceptDbLogin(db, q, s))
            return Done {};
        return Error { QStringLiteral("23"), QStringLiteral("用户“%1”登录失败。").arg(s.user) };
    }

    QString blobType() const override { return QStringLiteral("blob"); }
    QString autoIdColumn(const QString& column) const override
    {
        return QStringLiteral("%1 integer NOT NULL PRIMARY KEY AUTOINCREMENT").arg(column);
    }
    QString followIdsSql(const QString&, const QString&) const override { return {}; }
    QString textColumn(const QString& column, int length) const override
    {
        return QStringLiteral("%1 varchar(%2) CHECK (length(%1) <= %2)").arg(column).arg(length);
    }
    QString columnTypeSql() const override
    {
        return QStringLiteral("select type from pragma_table_info(?) where name = ?");
    }
    QString decimalTablesSql() const override
    {
        return QStringLiteral("select lower(m.name) from sqlite_master m where m.type = 'table' and exists "
                              "(select 1 from pragma_table_info(m.name) c where lower(c.type) like 'numeric%')");
    }
    QString likeOperator() const override { return QStringLiteral("LIKE"); }
    QString tableExistsSql() const override
    {
        return QStringLiteral("select 1 from sqlite_master where type = 'table' and lower(name) = ?");
    }
    QString tablesSql() const override
    {
        return QStringLiteral("select name from sqlite_master where type = 'table' and name not like 'sqlite!_%' "
                              "escape '!' order by name");
    }
    QString viewsAndTriggersSql() const override
    {
        return QStringLiteral("select name || case type when 'view' then '（视图）' else '（触发器）' end "
                              "from sqlite_master where type in ('view', 'trigger') order by name");
    }
    // SQLITE_READONLY and SQLITE_PERM: the file cannot be written.
    bool isPrivilegeMissing(const Error& e) const override
    {
        return (e.number.toInt() & 0xff) == 8 || (e.number.toInt() & 0xff) == 3;
    }
    QString nativeCode(const QSqlError& e) const override
    {
        return e.nativeErrorCode().isEmpty() ? QStringLiteral("1") : e.nativeErrorCode();
    }

    // A write that changes nothing takes the file's write lock at once, so two
    // writers queue behind the busy timeout instead of deadlocking.
    QString rowLocator() const override { return QStringLiteral("rowid"); }
    QString rowMatch() const override { return QStringLiteral("rowid=?"); }
    QString lockTableSql(const QString& table) const override
    {
        return QStringLiteral("delete from ") + table + QStringLiteral(" where 1=0");
    }
    int valuesPerInsert() const override { return 0; }
    bool isBusy(const Error& e) const override
    {
        return (e.number.toInt() & 0xff) == 5 || (e.number.toInt() & 0xff) == 6;
    }
    Error::Kind kindOf(const QSqlError& e, const QSqlDatabase&) const override
    {
        return isBusy(Error { nativeCode(e), QString() }) ? Error::Kind::Busy : Error::Kind::Database;
    }
    bool isDuplicateKey(const Error& e) const override
    {
        // SQLITE_CONSTRAINT_PRIMARYKEY and SQLITE_CONSTRAINT_UNIQUE.
        return e.number == QLatin1String("1555") || e.number == QLatin1String("2067");
    }

private:
    Status error(const QSqlError& e) const { return Error { nativeCode(e), e.databaseText() }; }
};

class PostgresDialect final : public SqlDialect
{
public:
    QString name() const override { return QStringLiteral("PostgreSQL"); }
    QString qtDriver() const override { return QStringLiteral("QPSQL"); }

    Status configure(QSqlDatabase& db, const ConnectionSettings& s) const override
    {
        QString host = s.server.trimmed();
        int port = 5432;
        const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
        if (colon > 0 && !host.contains(QLatin1Char(']'), Qt::CaseSensitive)) {
            bool ok = false;
            port = host.mid(colon + 1).toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return Error { QStringLiteral("08001"),
                    QStringLiteral("服务器端口“%1”无效。").arg(host.mid(colon + 1)) };
            host = host.left(colon);
        }
        db.setHostName(host);
        db.setPort(port);
        db.setDatabaseName(s.database);
        db.setUserName(s.user);
        db.setPassword(s.password);
        db.setConnectOptions(QStringLiteral("connect_timeout=5;application_name=Velmora"));
        return Done {};
    }

    Status afterOpen(QSqlDatabase& db, const ConnectionSettings&) const override
    {
        QSqlQuery q(db);
        // A row or table another session holds makes a window wait a few
        // seconds at most, as the embedded file's busy timeout does, then say so.
        for (const char* setting :
            { "SET client_min_messages TO warning", "SET lock_timeout = '5s'", "SET statement_timeout = '60s'" }) {
            if (!q.exec(QString::fromLatin1(setting)))
                return Error { nativeCode(q.lastError()), q.lastError().databaseText() };
        }
        return Done {};
    }

    QString blobType() const override { return QStringLiteral("bytea"); }
    QStringList rowSecuritySql() const override
    {
        // Row policies rather than functions that write: the program's own
        // saves stay one transaction of plain statements, the owner is not
        // held by them, and psql meets the same rules.
        QStringList sql { QStringLiteral(
            "CREATE OR REPLACE FUNCTION velmora_may_write(test integer, item varchar) RETURNS boolean "
            "LANGUAGE sql STABLE AS $$ select has_table_privilege('tbltestinfo', 'INSERT') or (not exists "
            "(select 1 from velmora_test_locks l where l.考试号 = test) and exists (select 1 from velmora_user_rights "
            "r "
            "where r.UserName = current_user and r.只读 = 0 and item = any(string_to_array(r.科目, ',')))) $$") };
        for (const char* table : { "velmora_score_marks", "velmora_score_history" }) {
            const QString t = QString::fromLatin1(table);
            sql << QStringLiteral("ALTER TABLE %1 ENABLE ROW LEVEL SECURITY").arg(t);
            for (const char* policy : { "read", "add", "remove" })
                sql << QStringLiteral("DROP POLICY IF EXISTS velmora_%1 ON %2").arg(QLatin1String(policy), t);
            sql << QStringLiteral("CREATE POLICY velmora_read ON %1 FOR SELECT USING (true)").arg(t);
        }
        sql << QStringLiteral("CREATE POLICY velmora_add ON velmora_score_marks FOR INSERT "
                              "WITH CHECK (velmora_may_write(考试号, 项目))")
            << QStringLiteral("CREATE POLICY velmora_remove ON velmora_score_marks FOR DELETE "
                              "USING (velmora_may_write(考试号, 项目))")
            << QStringLiteral("CREATE POLICY velmora_add ON velmora_score_history FOR INSERT "
                              "WITH CHECK (velmora_may_write(考试号, 项目) and (用户 = current_user "
                              "or has_table_privilege('tbltestinfo', 'INSERT')))");
        return sql;
    }
    QStringList conductSecuritySql() const override
    {
        QStringList sql {
            QStringLiteral(
                "CREATE OR REPLACE FUNCTION velmora_writes_own(writer varchar) RETURNS boolean "
                "LANGUAGE sql STABLE AS $$ select has_table_privilege('tbltestinfo', 'INSERT') or (writer = "
                "current_user "
                "and exists (select 1 from velmora_user_rights r where r.UserName = current_user and r.只读 = 0)) $$"),
            QStringLiteral("ALTER TABLE velmora_conduct ENABLE ROW LEVEL SECURITY")
        };
        for (const char* policy : { "read", "add", "change", "remove" })
            sql << QStringLiteral("DROP POLICY IF EXISTS velmora_%1 ON velmora_conduct").arg(QLatin1String(policy));
        sql << QStringLiteral("CREATE POLICY velmora_read ON velmora_conduct FOR SELECT USING (true)")
            << QStringLiteral("CREATE POLICY velmora_add ON velmora_conduct FOR INSERT "
                              "WITH CHECK (velmora_writes_own(记录人))")
            << QStringLiteral("CREATE POLICY velmora_change ON velmora_conduct FOR UPDATE "
                              "USING (velmora_writes_own(记录人)) WITH CHECK (velmora_writes_own(记录人))")
            << QStringLiteral("CREATE POLICY velmora_remove ON velmora_conduct FOR DELETE "
                              "USING (velmora_writes_own(记录人))")
            // The history takes a teacher's conduct records (test -2) in its own name.
            << QStringLiteral("DROP POLICY IF EXISTS velmora_add ON velmora_score_history")
            << QStringLiteral(
                   "CREATE POLICY velmora_add ON velmora_score_history FOR INSERT "
                   "WITH CHECK ((velmora_may_write(考试号, 项目) or (考试号 = -2 and velmora_writes_own(用户))) "
                   "and (用户 = current_user or has_table_privilege('tbltestinfo', 'INSERT')))");
        return sql;
    }
    QString autoIdColumn(const QString& column) const override
    {
        return QStringLiteral("%1 bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY").arg(column);
    }
    QString followIdsSql(const QString& table, const QString& column) const override
    {
        return QStringLiteral("select setval(pg_get_serial_sequence('%1', '%2'), coalesce(max(%2), 0) + 1, false) "
                              "from %1")
            .arg(table, column);
    }
    QString textColumn(const QString& column, int length) const override
    {
        return QStringLiteral("%1 varchar(%2)").arg(column).arg(length);
    }
    QString columnTypeSql() const override
    {
        return QStringLiteral("select character_maximum_length from information_schema.columns "
                              "where table_schema = current_schema() and table_name = lower(?) and column_name = ?");
    }
    QString decimalTablesSql() const override
    {
        return QStringLiteral("select distinct table_name from information_schema.columns "
                              "where table_schema = current_schema() and data_type = 'numeric'");
    }
    QString likeOperator() const override { return QStringLiteral("ILIKE"); }
    QString tableExistsSql() const override
    {
        return QStringLiteral(
            "select 1 from information_schema.tables where table_schema = current_schema() and table_name = ?");
    }
    QString tablesSql() const override
    {
        return QStringLiteral("select table_name from information_schema.tables where table_schema = current_schema() "
                              "and table_type = 'BASE TABLE' order by table_name");
    }
    QString viewsAndTriggersSql() const override
    {
        return QStringLiteral("select table_name || '（视图）' from information_schema.views "
                              "where table_schema = current_schema() union all "
                              "select distinct trigger_name || '（触发器）' from information_schema.triggers "
                              "where trigger_schema = current_schema()");
    }
    // insufficient_privilege
    bool isPrivilegeMissing(const Error& e) const override { return e.number == QLatin1String("42501"); }
    QString nativeCode(const QSqlError& e) const override
    {
        if (!e.nativeErrorCode().isEmpty())
            return e.nativeErrorCode();
        return e.type() == QSqlError::ConnectionError ? QStringLiteral("08001") : QString();
    }
    bool isDuplicateKey(const Error& e) const override { return e.number == QLatin1String("23505"); }
    QString rowLocator() const override { return QStringLiteral("ctid"); }
    QString rowMatch() const override { return QStringLiteral("ctid=CAST(? AS tid)"); }
    QString lockTableSql(const QString& table) const override
    {
        // A subject teacher's role may change some columns only, which LOCK TABLE
        // does not take: it locks the rows instead, which all its writes touch.
        return QStringLiteral("DO $$BEGIN IF has_table_privilege('%1', 'UPDATE') THEN LOCK TABLE %1 IN EXCLUSIVE MODE; "
                              "ELSE PERFORM 1 FROM %1 FOR UPDATE; END IF; END$$")
            .arg(table);
    }
    // A round trip a statement: many rows each, within what Qt binds quickly.
    int valuesPerInsert() const override { return 1000; }
    Error::Kind kindOf(const QSqlError& e, const QSqlDatabase& db) const override
    {
        const QString code = nativeCode(e);
        if (isBusy(Error { code, QString() }))
            return Error::Kind::Busy;
        // Connection exceptions, and the server shutting down or restarting.
        if (e.type() == QSqlError::ConnectionError || code.startsWith(QLatin1String("08"))
            || code == QLatin1String("57P01") || code == QLatin1String("57P02") || code == QLatin1String("57P03"))
            return Error::Kind::Connection;
        // A server that vanished mid-statement leaves no SQLSTATE; the connection's own state tells.
        const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
        // Qt names the type by the struct PGconn stands for.
        if (handle.isValid()
            && (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0)) {
            auto* conn = *static_cast<PGconn* const*>(handle.constData());
            if (conn && PQstatus(conn) == CONNECTION_BAD)
                return Error::Kind::Connection;
        }
        return Error::Kind::Database;
    }
    bool isBusy(const Error& e) const override
    {
        return e.number == QLatin1String("40001") || e.number == QLatin1String("40P01")
            || e.number == QLatin1String("55P03") || e.number == QLatin1String("57014");
    }
};

} // namespace

QString SqlDialect::likeClause(const QString& column) const
{
    return column + QLatin1Char(' ') + likeOperator() + QStringLiteral(" ? ESCAPE '") + likeEscape()
        + QLatin1Char('\'');
}

QString SqlDialect::likePattern(const QString& text, Match match)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    for (QChar c : text) {
        if (c == likeEscape() || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += likeEscape();
        escaped += c;
    }
    switch (match) {
    case Match::Contains:
        return QLatin1Char('%') + escaped + QLatin1Char('%');
    case Match::StartsWith:
        return escaped + QLatin1Char('%');
    case Match::Exact:
        break;
    }
    return escaped;
}

bool SqlDialect::isEmbeddedServer(const QString& server)
{
    return server.trimmed().compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<SqlDialect> SqlDialect::forServer(const QString& server)
{
    if (isEmbeddedServer(server))
        return std::make_unique<SqliteDialect>();
    return std::make_unique<PostgresDialect>();
}

} // namespace velmora
