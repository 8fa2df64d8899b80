#include "classes/GradeBands.h"

#include "data/UserRights.h"

namespace velmora {

namespace {
const QString kNames = QStringLiteral("等级.名称");
const QString kBounds = QStringLiteral("等级.下限");
constexpr int kMaxBands = 8;
constexpr int kMaxName = 6;
} // namespace

GradeBands GradeBands::letters()
{
    GradeBands g;
    g.bands = { { QStringLiteral("A"), 85 }, { QStringLiteral("B"), 70 }, { QStringLiteral("C"), 60 },
        { QStringLiteral("D"), 0 } };
    return g;
}

int GradeBands::indexOf(int score, int full) const
{
    for (int b = 0; b < bands.size(); ++b) {
        if (qint64(score) * 100 >= qint64(bands[b].lower) * full)
            return b;
    }
    return int(bands.size()) - 1;
}

QString GradeBands::bandOf(int score, int full) const
{
    return bands.isEmpty() ? QString() : bands[indexOf(score, full)].name;
}

QString GradeBands::problem() const
{
    if (bands.size() < 2 || bands.size() > kMaxBands)
        return QStringLiteral("等级应有2到%1个。").arg(kMaxBands);
    QStringList seen;
    for (int b = 0; b < bands.size(); ++b) {
        const QString name = bands[b].name.trimmed();
        if (name.isEmpty() || name.size() > kMaxName || name.contains(QLatin1Char(',')))
            return QStringLiteral("第%1个等级的名称应是1到%2个字，不含逗号。").arg(b + 1).arg(kMaxName);
        if (seen.contains(name))
            return QStringLiteral("等级“%1”出现了两次。").arg(name);
        seen << name;
        const bool last = b == bands.size() - 1;
        if (last ? bands[b].lower != 0
                 : bands[b].lower <= 0 || bands[b].lower > 100 || (b > 0 && bands[b].lower >= bands[b - 1].lower))
            return QStringLiteral("等级的下限应从高到低排列，在1%到100%之间，最后一个等级没有下限。");
    }
    return {};
}

QString GradeBands::caption() const
{
    QStringList parts;
    for (int b = 0; b < bands.size(); ++b) {
        parts << (b == bands.size() - 1 && b > 0 ? QStringLiteral("%1 <%2%").arg(bands[b].name).arg(bands[b - 1].lower)
                                                 : QStringLiteral("%1 ≥%2%").arg(bands[b].name).arg(bands[b].lower));
    }
    return parts.join(QStringLiteral("，"));
}

Result<GradeBands> GradeBands::load(const Database& db)
{
    GradeBands out;
    auto exists = db.tableExists(QStringLiteral("velmora_settings"));
    if (!exists)
        return exists.error();
    if (!*exists)
        return out;
    auto rows
        = db.select(QStringLiteral("select 名称, 值 from velmora_settings where 名称 in (?, ?)"), { kNames, kBounds });
    if (!rows)
        return rows.error();
    QStringList names, bounds;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        (rows->text(0) == kNames ? names : bounds) = rows->text(1).split(QLatin1Char(','));
    }
    if (names.isEmpty() || names.size() != bounds.size())
        return out;
    GradeBands kept;
    kept.bands.clear();
    for (int b = 0; b < names.size(); ++b)
        kept.bands.push_back({ names[b], bounds[b].toInt() });
    // Kept by hand out of order: the defaults hold.
    return kept.problem().isEmpty() ? kept : out;
}

Status GradeBands::save(Database& db) const
{
    if (Status allowed = UserRights::guardAdministrator(UserRights::kChangeClass); !allowed)
        return allowed;
    if (const QString why = problem(); !why.isEmpty())
        return Error::refused(why);
    auto exists = db.tableExists(QStringLiteral("velmora_settings"));
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能保存等级标准，请管理员先升级数据库。"));
    QStringList names, bounds;
    for (const Band& b : bands) {
        names << b.name.trimmed();
        bounds << QString::number(b.lower);
    }
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto gone = db.exec(QStringLiteral("delete from velmora_settings where 名称 in (?, ?)"), { kNames, kBounds });
        !gone)
        return gone.error();
    if (Status put = db.insertRows(QStringLiteral("velmora_settings"), { QStringLiteral("名称"), QStringLiteral("值") },
            { { kNames, names.join(QLatin1Char(',')) }, { kBounds, bounds.join(QLatin1Char(',')) } });
        !put)
        return put;
    return tx.commit();
}

} // namespace velmora
