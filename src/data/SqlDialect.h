#pragma once

#include "data/Error.h"

#include <QString>
#include <QStringList>
#include <memory>

class QSqlDatabase;
class QSqlError;

namespace velmora {

struct ConnectionSettings;

// Everything that differs between the embedded SQLite file and a PostgreSQL
// server lives behind this interface; nothing outside data/ asks which one it has.
class SqlDialect
{
public:
    virtual ~SqlDialect() = default;

    virtual QString name() const = 0;
    virtual QString qtDriver() const = 0;

    // Prepares the driver before open(): file or host, user, password, options.
    virtual Status configure(QSqlDatabase& db, const ConnectionSettings& settings) const = 0;
    // Runs right after a successful open(); a failure closes the connection again.
    virtual Status afterOpen(QSqlDatabase& db, const ConnectionSettings& settings) const = 0;

    virtual QString blobType() const = 0;
    // A key column the database numbers itself, ever rising.
    virtual QString autoIdColumn(const QString& column) const = 0;
    // After rows came in with their own numbers: the next number follows them
    // (empty where the database sees to it itself).
    virtual QString followIdsSql(const QString& table, const QString& column) const = 0;
    // A text column of at most `length` characters; SQLite does not enforce
    // varchar lengths, so it gets a CHECK of its own.
    virtual QString textColumn(const QString& column, int length) const = 0;
    // Case-insensitive for ASCII letters on both backends.
    virtual QString likeOperator() const = 0;
    // One bound parameter: the table name.
    virtual QString tableExistsSql() const = 0;
    // Every table of the database's own (not the engine's), one name a row.
    virtual QString tablesSql() const = 0;
    // Every view and trigger, which this program never makes, as "name（视图）" / "name（触发器）".
    virtual QString viewsAndTriggersSql() const = 0;
    // The user lacks a privilege the statement needs.
    virtual bool isPrivilegeMissing(const Error& error) const = 0;
    // Two bound parameters, table and column: one row whose value holds the
    // column's declared length, alone ("20") or in its type ("varchar(20)").
    virtual QString columnTypeSql() const = 0;
    // Every table with a column of decimals, one lower-case name a row.
    virtual QString decimalTablesSql() const = 0;

    virtual QString nativeCode(const QSqlError& error) const = 0;
    // Keeps other writers off a table until the transaction ends.
    virtual QString lockTableSql(const QString& table) const = 0;
    // Many rows go in statements of about this many values each; 0: one row
    // a statement, prepared once and run for every row, which is fastest
    // where nothing crosses a network.
    virtual int valuesPerInsert() const = 0;
    // Where a row of a table without a key is stored: selected as a column,
    // it orders rows as stored, and rowMatch() ("… = ?") finds that row again.
    virtual QString rowLocator() const = 0;
    virtual QString rowMatch() const = 0;
    // Another connection holds the lock this one needs: worth trying again.
    virtual bool isBusy(const Error& error) const = 0;
    // What the driver's failure means: Busy (isBusy), Connection (the server
    // went away under an open connection) or Database (the statement failed).
    virtual Error::Kind kindOf(const QSqlError& error, const QSqlDatabase& db) const = 0;
    // The database refused a second row with the same key.
    virtual bool isDuplicateKey(const Error& error) const = 0;
    // On a server, what holds a teacher's own role to its subjects beside the
    // scores: marks and history rows only for the subjects it teaches, never
    // for a locked test, history in its own name. Run again safely; none on
    // the embedded file, which has no roles.
    virtual QStringList rowSecuritySql() const { return {}; }
    // And for conduct records: a teacher adds, changes and removes only
    // records in its own name, a read-only role none.
    virtual QStringList conductSecuritySql() const { return {}; }

    // "col LIKE ? ESCAPE '!'" — pair with likePattern() for the bound value.
    QString likeClause(const QString& column) const;
    static QChar likeEscape() { return QLatin1Char('!'); }
    enum class Match { Contains, StartsWith, Exact };
    static QString likePattern(const QString& text, Match match);

    static std::unique_ptr<SqlDialect> forServer(const QString& server);
    static bool isEmbeddedServer(const QString& server);
};

} // namespace velmora
