#include "data/PasswordHash.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

namespace velmora::PasswordHash {

QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations, int length)
{
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, password);
    QByteArray out;
    for (quint32 block = 1; out.size() < length; ++block) {
        QByteArray counter(4, '\0');
        counter[0] = char((block >> 24) & 0xff);
        counter[1] = char((block >> 16) & 0xff);
        counter[2] = char((block >> 8) & 0xff);
        counter[3] = char(block & 0xff);
        mac.reset();
        mac.addData(salt);
        mac.addData(counter);
        QByteArray u = mac.result();
        QByteArray t = u;
        for (int i = 1; i < iterations; ++i) {
            mac.reset();
            mac.addData(u);
            u = mac.result();
            for (qsizetype k = 0; k < t.size(); ++k)
                t[k] = char(t[k] ^ u[k]);
        }
        out += t;
    }
    return out.left(length);
}

Stored make(const QString& password, int iterations)
{
    QByteArray salt(16, '\0');
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    return { salt, pbkdf2Sha256(password.toUtf8(), salt, iterations), iterations };
}

bool verify(const QString& password, const Stored& stored)
{
    if (stored.iterations < 1 || stored.hash.isEmpty())
        return false;
    const QByteArray candidate = pbkdf2Sha256(password.toUtf8(), stored.salt, stored.iterations, int(stored.hash.size()));
    // Constant-time compare: the result must not leak how many bytes matched.
    unsigned char diff = 0;
    for (qsizetype i = 0; i < candidate.size(); ++i)
        diff |= static_cast<unsigned char>(candidate[i] ^ stored.hash[i]);
    return diff == 0;
}

} // namespace velmora::PasswordHash
