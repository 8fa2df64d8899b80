#pragma once

#include "data/ConnectionSettings.h"
#include "data/Database.h"

#include <QTemporaryDir>
#include <memory>

namespace velmora::test {

// A fresh database for one test, on the backend the test run was started
// for (VELMORA_TEST_BACKEND=sqlite|postgres). The PostgreSQL server comes
// from VELMORA_PG_HOST/PORT/USER/PASSWORD, as ./test.sh sets them.
class TestDb
{
public:
    // Skips the test (QSKIP) when the backend is not available, unless
    // VELMORA_REQUIRE_PG is set, where a missing server fails instead.
    static bool backendAvailable(QString* why);
    static bool isPostgres();

    TestDb();
    ~TestDb();

    // Creates the database with its schema and the seed rows.
    bool create(bool seed = true);
    // Creates the database with no table at all.
    bool createEmpty();
    // Creates the database laid out as the original design has it, with
    // none of our additions (no period column, no version or phrase
    // table), from plain SQL; eight timetable rows, a class row, an
    // administrator "head" and an ordinary user "low" (password "pw").
    bool createBare();
    const ConnectionSettings& settings() const { return m_settings; }
    Database& db() { return m_db; }
    QString dir() const { return m_dir.path(); }
    QString lastError() const { return m_error; }

    // The program's state as after a login on this database: the settings
    // of dbcfg.dat, the open connection, the privilege; messages recorded.
    bool loginModule(bool admin);

    // Opens a second connection of its own on the same database.
    std::unique_ptr<Database> connect() const;

private:
    QTemporaryDir m_dir;
    ConnectionSettings m_settings;
    Database m_db;
    bool m_created = false;
    QString m_error;
};

// How many rows a table holds; -1 when it cannot be read.
inline int rowCount(const Database& db, const QString& table)
{
    auto rows = db.select(QStringLiteral("select count(*) from ") + table);
    return rows && !rows->eof() ? rows->value(0).toInt() : -1;
}

} // namespace velmora::test

// In a test function: skip it unless the backend is there.
#define VELMORA_REQUIRE_BACKEND()                                                                                      \
    do {                                                                                                               \
        QString why_;                                                                                                  \
        if (!velmora::test::TestDb::backendAvailable(&why_)) {                                                         \
            if (qEnvironmentVariableIsSet("VELMORA_REQUIRE_PG"))                                                       \
                QFAIL(qPrintable(why_));                                                                               \
            QSKIP(qPrintable(why_));                                                                                   \
        }                                                                                                              \
    } while (false)
