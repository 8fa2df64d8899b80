#include "data/Error.h"

namespace velmora {

QString Error::unknownMessage() const
{
    return QStringLiteral("未知错误！错误代码：") + numberOrZero() + QStringLiteral("错误信息：") + description;
}

QString Error::restartMessage() const
{
    return QStringLiteral("未知错误！请重新启动程序再试。错误代码：") + numberOrZero() + QStringLiteral("错误信息：")
        + description;
}

} // namespace velmora
