#pragma once

#include <QByteArray>
#include <QString>

namespace velmora::PasswordHash {

struct Stored {
    QByteArray salt;
    QByteArray hash;
    int iterations = 0;
};

Stored make(const QString& password, int iterations = 4096);
bool verify(const QString& password, const Stored& stored);
QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations, int length = 32);

} // namespace velmora::PasswordHash
