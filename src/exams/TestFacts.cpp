#include "exams/TestFacts.h"

#include "data/Schema.h"

#include <algorithm>

namespace velmora::TestFacts {

namespace {
const QString kTable = QStringLiteral("velmora_test_facts");

int rank(const QString& fact)
{
    static const QStringList total { QStringLiteral("总分"), QStringLiteral("班次"), QStringLiteral("校次") };
    if (total.contains(fact))
        return int(total.indexOf(fact));
    static const QStringList kinds { QStringLiteral("班次"), QStringLiteral("校次"), QStringLiteral("年级平均") };
    for (int s = 0; s < Schema::subjects().size(); ++s) {
        for (int k = 0; k < kinds.size(); ++k) {
            if (fact == Schema::subjects()[s] + kinds[k])
                return 10 + s * 10 + k;
        }
    }
    return 1000;
}
} // namespace

void sort(QStringList& facts)
{
    std::stable_sort(facts.begin(), facts.end(), [](const QString& a, const QString& b) { return rank(a) < rank(b); });
}

Result<QHash<QString, QHash<QString, QString>>> load(const Database& db, int test)
{
    QHash<QString, QHash<QString, QString>> out;
    auto exists = db.tableExists(kTable);
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 学号, 项目, 值 from velmora_test_facts where 考试号=?"), { test });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out[rows->text(0).trimmed()].insert(rows->text(1), rows->text(2));
    return out;
}

Status store(Database& db, int test, const QString& stored, const QHash<QString, QString>& facts)
{
    const QString number = stored.trimmed();
    for (auto f = facts.cbegin(); f != facts.cend(); ++f) {
        auto gone = db.exec(QStringLiteral("delete from velmora_test_facts where 考试号=? and 学号=? and 项目=?"),
            { test, number, f.key() });
        if (!gone)
            return gone.error();
        if (f.value().isEmpty())
            continue;
        auto added
            = db.exec(QStringLiteral("insert into velmora_test_facts (考试号, 学号, 项目, 值) values (?, ?, ?, ?)"),
                { test, number, f.key(), f.value().left(kMaxValue) });
        if (!added)
            return added.error();
    }
    return Done {};
}

} // namespace velmora::TestFacts
