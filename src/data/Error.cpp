#include "data/Error.h"

namespace velmora {

Error Error::busy(const QString& number)
{
    return { number, QStringLiteral("数据库正被其他用户或程序使用，请稍后再试。"), Kind::Busy };
}

QString Error::lostConnectionText()
{
    return QStringLiteral("与数据库服务器的连接已断开，请检查网络后重新登陆。");
}

QString Error::unknownMessage() const
{
    if (isVerdict())
        return description;
    if (kind == Kind::Connection)
        return lostConnectionText();
    return QStringLiteral("未知错误！错误代码：") + numberOrZero() + QStringLiteral("错误信息：") + description;
}

QString Error::restartMessage() const
{
    if (isVerdict() || kind == Kind::Connection)
        return unknownMessage();
    return QStringLiteral("未知错误！请重新启动程序再试。错误代码：") + numberOrZero() + QStringLiteral("错误信息：")
        + description;
}

} // namespace velmora
