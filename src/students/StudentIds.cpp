#include "students/StudentIds.h"

namespace velmora::StudentIds {

namespace {
const QString kTable = QStringLiteral("velmora_student_ids");
} // namespace

const QStringList& names()
{
    static const QStringList list { QStringLiteral("考号"), QStringLiteral("学籍号"), QStringLiteral("身份证号") };
    return list;
}

int limit(Kind kind)
{
    return kind == IdCard ? 18 : 30;
}

Result<QHash<QString, QStringList>> all(const Database& db)
{
    QHash<QString, QStringList> out;
    auto exists = db.tableExists(kTable);
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    auto rows = db.select(QStringLiteral("select 学号, 考号, 学籍号, 身份证号 from velmora_student_ids"));
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext())
        out.insert(rows->text(0).trimmed(), { rows->text(1), rows->text(2), rows->text(3) });
    return out;
}

Status keep(Database& db, const QString& typed, const QStringList& ids)
{
    const QString number = typed.trimmed();
    QStringList sets;
    QVariantList values;
    for (int k = 0; k < KindCount; ++k) {
        if (!ids.value(k).isEmpty()) {
            sets << names()[k] + QStringLiteral("=?");
            values << ids[k];
        }
    }
    if (sets.isEmpty())
        return Done {};
    auto held = db.select(QStringLiteral("select count(*) from velmora_student_ids where 学号=?"), { number });
    if (!held)
        return held.error();
    Result<qint64> written = qint64(0);
    if (held->value(0).toInt() > 0) {
        written = db.exec(
            QStringLiteral("update velmora_student_ids set %1 where 学号=?").arg(sets.join(u", ")), values << number);
    } else {
        QVariantList all { number };
        for (int k = 0; k < KindCount; ++k)
            all << (ids.value(k).isEmpty() ? QVariant() : QVariant(ids[k]));
        written = db.exec(
            QStringLiteral("insert into velmora_student_ids (学号, 考号, 学籍号, 身份证号) values (?, ?, ?, ?)"), all);
    }
    if (!written)
        return written.error();
    return Done {};
}

Status keepExamNumbers(Database& db, const QVector<std::pair<QString, QString>>& learned)
{
    auto exists = db.tableExists(kTable);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Done {};
    for (const auto& [number, exam] : learned) {
        if (Status kept = keep(db, number, { exam }); !kept)
            return kept;
    }
    return Done {};
}

Status forget(Database& db, const QString& stored)
{
    const QString number = stored.trimmed();
    auto exists = db.tableExists(kTable);
    if (!exists)
        return exists.error();
    if (*exists) {
        if (auto gone = db.exec(QStringLiteral("delete from velmora_student_ids where 学号=?"), { number }); !gone)
            return gone.error();
    }
    return Done {};
}

} // namespace velmora::StudentIds
