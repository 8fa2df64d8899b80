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

// A file's bytes; "<unreadable>" when it cannot be read, so a comparison fails.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace velmora::test
