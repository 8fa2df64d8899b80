#include "comments/Composer.h"

namespace velmora::Composer {

const QStringList& roles()
{
    static const QStringList list = QStringLiteral(
        "班长 副班长 团支书 副团支书 学习委员 宣传委员 生活委员 文艺委员 劳动委员 体育委员 语文课代表 数学课代表 "
        "英语课代表 物理课代表 化学课代表 政治课代表 历史课代表 地理课代表 图书管理员 电教委员")
                                        .split(QLatin1Char(' '));
    return list;
}

const QStringList& honours()
{
    static const QStringList list { QStringLiteral("三好学生"), QStringLiteral("表扬生") };
    return list;
}

QString compose(const QString& name, const QStringList& phrases, const QStringList& checkedRoles,
    const QStringList& checkedHonours, const QString& memo)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = name + QStringLiteral("同学：") + crlf + QStringLiteral("    ") + phrases.join(QString());
    QString r;
    for (const QString& role : checkedRoles)
        r += role + QLatin1Char(' ');
    if (!r.isEmpty())
        text += crlf + QStringLiteral("    在本学期担任：") + r + QStringLiteral("职务");
    QString h;
    for (const QString& honour : checkedHonours)
        h += honour + QLatin1Char(' ');
    if (!h.isEmpty())
        text += crlf + QStringLiteral("    在本学期获得：") + h + QStringLiteral("荣誉称号。");
    if (!memo.isEmpty())
        text += crlf + QStringLiteral("    此外,") + memo;
    return text;
}

} // namespace velmora::Composer
