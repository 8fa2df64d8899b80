#pragma once

#include "support/TestDb.h"

#include <QObject>
#include <memory>

namespace velmora::test {

// A fresh database for every test function, logged in as an administrator,
// with messages recorded.
class DbTestCase : public QObject
{
    Q_OBJECT

protected:
    Database& db() { return m_db->db(); }
    // The first row of a query as text, empty when there is none.
    QStringList rowOf(const QString& sql, const QVariantList& params = {});
    // Runs after the database is made and before the login; for rows a test case needs in all its tests.
    virtual void prepare() { }

    std::unique_ptr<TestDb> m_db;

private Q_SLOTS:
    void init();
    void cleanup();
};

} // namespace velmora::test
