#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace velmora::test {

// A file made with these bytes, as another program leaves it; false when it could not be.
inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace velmora::test
