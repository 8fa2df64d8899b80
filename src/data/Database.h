#pragma once

#include "data/ConnectionSettings.h"
#include "data/Error.h"
#include "data/RecordSet.h"
#include "data/SqlDialect.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

namespace velmora {

// One connection to the Velmora database. Every value reaches SQL as a bound
// parameter; the text of a statement is made only of fixed fragments and of
// identifiers from fixed lists.
class Database
{
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Status open(const ConnectionSettings& settings);
    void close();
    bool isOpen() const;
    // Valid only while open.
    const SqlDialect& dialect() const { return *m_dialect; }
    const ConnectionSettings& settings() const { return m_settings; }

    Result<RecordSet> select(const QString& sql, const QVariantList& params = {}) const;
    // The first column of every row, as text.
    Result<QStringList> texts(const QString& sql, const QVariantList& params = {}) const;
    // Rows affected, or -1 where the driver cannot tell (DDL).
    Result<qint64> exec(const QString& sql, const QVariantList& params = {});
    // Many rows into one table, as the backend takes them fastest: a save of
    // a whole year's export writes tens of thousands. `table` and `columns`
    // come from the caller's fixed lists; each row holds one value per column.
    Status insertRows(const QString& table, const QStringList& columns, const QVector<QVariantList>& rows);

    // Whether the table holds a row, reading at most one.
    Result<bool> hasRows(const QString& table) const;
    Result<bool> tableExists(const QString& table) const;

    QString connectionName() const { return m_name; }

    // A user who may only look: every statement that could write is refused
    // with this text from now on (none when empty). Set after the login.
    void refuseWrites(const QString& why) { m_writesRefused = why; }
    const QString& writesRefused() const { return m_writesRefused; }

private:
    friend class Transaction;
    Error errorFrom(const class QSqlError& error) const;
    // Closed by us, or lost: opened, and the driver has since found the server gone.
    Error notOpen() const;

    QString m_name;
    ConnectionSettings m_settings;
    std::unique_ptr<SqlDialect> m_dialect;
    bool m_open = false;
    QString m_writesRefused;
};

// Rolls back on destruction unless commit() succeeded.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool started() const { return m_active; }
    const Error& error() const { return m_error; }
    Status commit();
    void rollback();

private:
    Database& m_db;
    bool m_active = false;
    Error m_error;
};

} // namespace velmora
