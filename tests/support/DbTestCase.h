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
    // The first value of a query as stored, as text (NULL as ""); "<none>" when there is no row.
    QString valueOf(const QString& sql, const QVariantList& params = {});
    // A student's stored value in a test's score table, as valueOf says it.
    QString scoreOf(int test, const QString& student, const QString& column);
    // A column of a test's score table in 学号 order, an empty score as "".
    QStringList scoresOf(int test, const QString& column);
    // Students of these numbers, each named 学生 and the number.
    void addStudents(const QStringList& numbers);
    // A test of these subjects; its number, or -1 when refused.
    int defineTest(const QVector<int>& subjects, bool attendance = false, bool comment = false,
        const QString& name = QStringLiteral("期中"), const QString& type = QStringLiteral("期中考试"));
    // "update <score table> set <sets> where 学号=<student>", the values bound.
    void setScores(int test, const QString& student, const QString& sets, QVariantList values);
    // Runs after the database is made and before the login; for rows a test case needs in all its tests.
    virtual void prepare() { }

    std::unique_ptr<TestDb> m_db;

private Q_SLOTS:
    void init();
    void cleanup();
};

} // namespace velmora::test
