#include "support/DbTestCase.h"

#include "app/Module1.h"
#include "app/Sharing.h"
#include "data/Schema.h"
#include "exams/TestRecord.h"

#include <QCoreApplication>
#include <QtTest>

namespace velmora::test {

void DbTestCase::init()
{
    VELMORA_REQUIRE_BACKEND();
    // Windows keeps settings in the registry under the organisation: without
    // one nothing is kept (the folders the file dialogs remember).
    if (QCoreApplication::organizationName().isEmpty())
        QCoreApplication::setOrganizationName(QStringLiteral("VelmoraTests"));
    // Each test as a run of its own: the reminder before a class list is asked anew.
    Sharing::forget();
    m_db = std::make_unique<TestDb>();
    QVERIFY2(m_db->create(), qPrintable(m_db->lastError()));
    prepare();
    QVERIFY(m_db->loginModule(true));
}

QStringList DbTestCase::rowOf(const QString& sql, const QVariantList& params)
{
    QStringList texts;
    auto rows = db().select(sql, params);
    for (int c = 0; rows && !rows->eof() && c < rows->fieldCount(); ++c)
        texts << rows->text(c);
    return texts;
}

QString DbTestCase::valueOf(const QString& sql, const QVariantList& params)
{
    auto rows = db().select(sql, params);
    if (!rows)
        return QStringLiteral("<error: %1>").arg(rows.error().description);
    const QVariant value = rows->eof() ? QVariant(QStringLiteral("<none>")) : rows->value(0);
    return value.isNull() ? QString() : value.toString();
}

QString DbTestCase::scoreOf(int test, const QString& student, const QString& column)
{
    return valueOf(
        QStringLiteral("select %1 from %2 where 学号=?").arg(column, Schema::scoreTableName(test)), { student });
}

QStringList DbTestCase::scoresOf(int test, const QString& column)
{
    auto values
        = db().texts(QStringLiteral("select %1 from %2 order by 学号").arg(column, Schema::scoreTableName(test)));
    return values ? *values : QStringList { values.error().description };
}

void DbTestCase::addStudents(const QStringList& numbers)
{
    for (const QString& n : numbers)
        QVERIFY(db().exec(
            QStringLiteral("insert into tblLogin (学号, 姓名) values (?, ?)"), { n, QStringLiteral("学生") + n }));
}

int DbTestCase::defineTest(
    const QVector<int>& subjects, bool attendance, bool comment, const QString& name, const QString& type)
{
    auto made = Exams::define(
        db(), { name, QStringLiteral("2026-11-01"), type, QString(), { subjects, attendance, comment } });
    return made ? made->number : -1;
}

void DbTestCase::setScores(int test, const QString& student, const QString& sets, QVariantList values)
{
    values << student;
    QVERIFY(db().exec(QStringLiteral("update %1 set %2 where 学号=?").arg(Schema::scoreTableName(test), sets), values));
}

void DbTestCase::cleanup()
{
    mod().reset();
    m_db.reset();
}

} // namespace velmora::test
