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

Status replaceValues(Database& db, const QString& table, const QString& itemColumn, const QString& valueColumn,
    int test, const QStringList& items, const QVector<std::pair<QString, QStringList>>& students, bool onlyItems)
{
    if (items.isEmpty())
        return Done {};
    // A year's export of 1,500 students states some 30,000 facts and 60,000 marks.
    constexpr qsizetype kStudentsPerDelete = 100;
    const QString which = onlyItems
        ? QStringLiteral(" and %1 in (%2)").arg(itemColumn, QStringList(items.size(), QStringLiteral("?")).join(u", "))
        : QString();
    QVector<QVariantList> rows;
    for (qsizetype first = 0; first < students.size(); first += kStudentsPerDelete) {
        QVariantList params { test };
        if (onlyItems) {
            for (const QString& item : items)
                params << item;
        }
        QStringList numbers;
        for (qsizetype s = first; s < qMin(students.size(), first + kStudentsPerDelete); ++s) {
            const QString number = students[s].first.trimmed();
            numbers << QStringLiteral("?");
            params << number;
            for (qsizetype i = 0; i < items.size(); ++i) {
                if (const QString value = students[s].second.value(i); !value.isEmpty())
                    rows.push_back({ test, number, items[i], value.left(kMaxValue) });
            }
        }
        auto gone = db.exec(QStringLiteral("delete from %1 where 考试号=?%2 and 学号 in (%3)")
                                .arg(table, which, numbers.join(QStringLiteral(", "))),
            params);
        if (!gone)
            return gone.error();
    }
    return db.insertRows(table, { QStringLiteral("考试号"), QStringLiteral("学号"), itemColumn, valueColumn }, rows);
}

Status store(Database& db, int test, const QStringList& facts, const QVector<std::pair<QString, QStringList>>& students)
{
    return replaceValues(db, kTable, QStringLiteral("项目"), QStringLiteral("值"), test, facts, students, true);
}

} // namespace velmora::TestFacts
