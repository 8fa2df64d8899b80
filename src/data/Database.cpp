#include "data/Database.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace velmora {

namespace {
QAtomicInt g_connectionCounter;

// A null QString would be bound as SQL NULL; text columns hold "" instead.
QVariant normalized(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QString && value.toString().isNull())
        return QVariant(QString::fromLatin1(""));
    return value;
}

// Statements without values run as they are: PostgreSQL cannot prepare DDL.
bool run(QSqlQuery& query, const QString& sql, const QVariantList& params)
{
    if (params.isEmpty())
        return query.exec(sql);
    if (!query.prepare(sql))
        return false;
    for (const QVariant& value : params)
        query.addBindValue(normalized(value));
    return query.exec();
}
} // namespace

Database::Database()
    : m_name(QStringLiteral("velmora-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1)))
{ }

Database::~Database()
{
    close();
}

Error Database::notOpen() const
{
    if (m_open)
        return { QStringLiteral("08003"), QStringLiteral("与数据库服务器的连接已断开。"), Error::Kind::Connection };
    return { QStringLiteral("3704"), QStringLiteral("连接已关闭，不能执行该操作。") };
}

Error Database::errorFrom(const QSqlError& error) const
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (!m_dialect)
        return { error.nativeErrorCode(), text };
    Error e { m_dialect->nativeCode(error), text, m_dialect->kindOf(error, QSqlDatabase::database(m_name, false)) };
    if (e.is(Error::Kind::Busy))
        return Error::busy(e.number);
    return e;
}

Status Database::open(const ConnectionSettings& settings)
{
    close();
    m_dialect = SqlDialect::forServer(settings.server);
    m_settings = settings;
    // Whoever logs in next brings their own rights.
    m_writesRefused.clear();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(m_dialect->qtDriver(), m_name);
        if (!db.isValid()) {
            Error err { QString(), QStringLiteral("缺少数据库驱动 %1").arg(m_dialect->qtDriver()),
                Error::Kind::Connection };
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            return err;
        }
        Status configured = m_dialect->configure(db, settings);
        Error err;
        if (!configured)
            err = configured.error();
        else if (!db.open())
            err = errorFrom(db.lastError());
        if (!err.isSet()) {
            m_open = true;
            Status ready = m_dialect->afterOpen(db, settings);
            if (ready)
                return Done {};
            err = ready.error();
        }
        db.close();
        m_open = false;
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        return err;
    }
}

void Database::close()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_open = false;
}

bool Database::isOpen() const
{
    return m_open && QSqlDatabase::database(m_name, false).isOpen();
}

Result<QStringList> Database::texts(const QString& sql, const QVariantList& params) const
{
    auto rows = select(sql, params);
    if (!rows)
        return rows.error();
    QStringList list;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        list << rows->text(0);
    return list;
}

Result<RecordSet> Database::select(const QString& sql, const QVariantList& params) const
{
    if (!isOpen())
        return notOpen();
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    query.setForwardOnly(true);
    if (!run(query, sql, params))
        return errorFrom(query.lastError());

    const QSqlRecord header = query.record();
    QStringList names;
    names.reserve(header.count());
    for (int i = 0; i < header.count(); ++i)
        names << header.fieldName(i);
    QVector<QVector<QVariant>> rows;
    while (query.next()) {
        QVector<QVariant> row;
        row.reserve(names.size());
        for (int i = 0; i < names.size(); ++i)
            row << query.value(i);
        rows << std::move(row);
    }
    if (query.lastError().isValid())
        return errorFrom(query.lastError());
    return RecordSet(std::move(names), std::move(rows));
}

Result<qint64> Database::exec(const QString& sql, const QVariantList& params)
{
    if (!isOpen())
        return notOpen();
    if (!m_writesRefused.isEmpty())
        return Error::refused(m_writesRefused);
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    if (!run(query, sql, params))
        return errorFrom(query.lastError());
    return qint64(query.numRowsAffected());
}

Status Database::insertRows(const QString& table, const QStringList& columns, const QVector<QVariantList>& rows)
{
    if (rows.isEmpty())
        return Done {};
    if (!isOpen())
        return notOpen();
    if (!m_writesRefused.isEmpty())
        return Error::refused(m_writesRefused);
    const QString one = QLatin1Char('(') + QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "))
        + QLatin1Char(')');
    const QString insert = QStringLiteral("insert into %1 (%2) values ").arg(table, columns.join(QStringLiteral(", ")));
    if (const int values = m_dialect->valuesPerInsert(); values > 0) {
        const qsizetype perStatement = qMax<qsizetype>(1, values / qMax<qsizetype>(1, columns.size()));
        for (qsizetype first = 0; first < rows.size(); first += perStatement) {
            const qsizetype count = qMin(perStatement, rows.size() - first);
            QVariantList params;
            for (qsizetype r = first; r < first + count; ++r)
                params << rows[r];
            if (auto added = exec(insert + QStringList(count, one).join(QStringLiteral(", ")), params); !added)
                return added.error();
        }
        return Done {};
    }
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    if (!query.prepare(insert + one))
        return errorFrom(query.lastError());
    for (qsizetype c = 0; c < columns.size(); ++c) {
        QVariantList values;
        values.reserve(rows.size());
        for (const QVariantList& row : rows)
            values << normalized(row.value(c));
        query.addBindValue(values);
    }
    if (!query.execBatch())
        return errorFrom(query.lastError());
    return Done {};
}

Result<bool> Database::hasRows(const QString& table) const
{
    auto rows = select(QStringLiteral("select 1 from ") + table + QStringLiteral(" limit 1"));
    if (!rows)
        return rows.error();
    return rows->recordCount() > 0;
}

Result<bool> Database::tableExists(const QString& table) const
{
    if (!isOpen())
        return notOpen();
    auto rows = select(m_dialect->tableExistsSql(), { table.toLower() });
    if (!rows)
        return rows.error();
    return rows->recordCount() > 0;
}

Transaction::Transaction(Database& db)
    : m_db(db)
{
    if (!db.isOpen()) {
        m_error = db.notOpen();
        return;
    }
    QSqlDatabase handle = QSqlDatabase::database(db.m_name, false);
    m_active = handle.transaction();
    if (!m_active)
        m_error = db.errorFrom(handle.lastError());
}

Transaction::~Transaction()
{
    rollback();
}

Status Transaction::commit()
{
    if (!m_active)
        return m_error.isSet() ? m_error : m_db.notOpen();
    QSqlDatabase handle = QSqlDatabase::database(m_db.m_name, false);
    if (!handle.commit()) {
        m_error = m_db.errorFrom(handle.lastError());
        rollback();
        return m_error;
    }
    m_active = false;
    return Done {};
}

void Transaction::rollback()
{
    if (!m_active)
        return;
    m_active = false;
    if (QSqlDatabase::contains(m_db.m_name))
        QSqlDatabase::database(m_db.m_name, false).rollback();
}

} // namespace velmora
