#include "support/DbTestCase.h"

#include "app/Module1.h"
#include "platform/Sharing.h"

#include <QtTest>

namespace velmora::test {

void DbTestCase::init()
{
    VELMORA_REQUIRE_BACKEND();
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

void DbTestCase::cleanup()
{
    mod().reset();
    m_db.reset();
}

} // namespace velmora::test
