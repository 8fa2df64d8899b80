#include "classes/StatsRules.h"

#include "data/UserRights.h"

namespace velmora {

namespace {

const QString kSettings = QStringLiteral("velmora_settings");

// The keys of velmora_settings, with the member each one holds.
struct Setting
{
    const char* key;
    int StatsRules::*member;
};
constexpr Setting kThresholds[] {
    { "统计.优秀", &StatsRules::excellent },
    { "统计.良好", &StatsRules::good },
    { "统计.及格", &StatsRules::pass },
    { "统计.低分", &StatsRules::low },
};
struct Switch
{
    const char* key;
    bool StatsRules::*member;
};
constexpr Switch kSwitches[] {
    { "统计.作弊计0分", &StatsRules::cheatAsZero },
    { "统计.缺考不排名", &StatsRules::absentNoRank },
};

} // namespace

Result<StatsRules> StatsRules::load(const Database& db)
{
    StatsRules rules;
    auto exists = db.tableExists(kSettings);
    if (!exists)
        return exists.error();
    if (!*exists)
        return rules;
    auto rows = db.select(
        QStringLiteral("select 名称, 值 from velmora_settings where 名称 like ?"), { QStringLiteral("统计.%") });
    if (!rows)
        return rows.error();
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        const QString key = rows->text(0);
        bool ok = false;
        const int value = rows->text(1).toInt(&ok);
        if (!ok)
            continue;
        for (const Setting& s : kThresholds) {
            if (key == QString::fromUtf8(s.key))
                rules.*s.member = value;
        }
        for (const Switch& s : kSwitches) {
            if (key == QString::fromUtf8(s.key))
                rules.*s.member = value != 0;
        }
    }
    // Kept by hand or by a later version out of order: the defaults hold.
    if (!rules.problem().isEmpty())
        return StatsRules {};
    return rules;
}

Status StatsRules::save(Database& db) const
{
    if (Status allowed = UserRights::guardAdministrator(UserRights::kChangeClass); !allowed)
        return allowed;
    if (const QString why = problem(); !why.isEmpty())
        return Error::refused(why);
    auto exists = db.tableExists(kSettings);
    if (!exists)
        return exists.error();
    if (!*exists)
        return Error::refused(QStringLiteral("这个数据库还不能保存统计标准，请管理员先升级数据库。"));
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    QVector<QVariantList> rows;
    for (const Setting& s : kThresholds)
        rows.push_back({ QString::fromUtf8(s.key), QString::number(this->*s.member) });
    for (const Switch& s : kSwitches)
        rows.push_back({ QString::fromUtf8(s.key), QString::number(int(this->*s.member)) });
    if (auto gone
        = db.exec(QStringLiteral("delete from velmora_settings where 名称 like ?"), { QStringLiteral("统计.%") });
        !gone)
        return gone.error();
    if (Status put = db.insertRows(kSettings, { QStringLiteral("名称"), QStringLiteral("值") }, rows); !put)
        return put;
    return tx.commit();
}

QString StatsRules::problem() const
{
    if (!(100 >= excellent && excellent >= good && good >= pass && pass > low && low >= 0))
        return QStringLiteral("统计标准应满足：100 ≥ 优秀 ≥ 良好 ≥ 及格 > 低分 ≥ 0。");
    return {};
}

QString StatsRules::caption() const
{
    return QStringLiteral("优秀：≥%1%满分，良好：≥%2%满分，及格：≥%3%满分，低分：<%4%满分（总分按各科满分之和；"
                          "良好、及格人数含以上各档）；比率的分母是实考人数；%5。")
        .arg(excellent)
        .arg(good)
        .arg(pass)
        .arg(low)
        .arg(cheatAsZero ? QStringLiteral("作弊按0分计") : QStringLiteral("作弊不计入实考"));
}

} // namespace velmora
