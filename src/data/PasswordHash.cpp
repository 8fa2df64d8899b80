#include "data/PasswordHash.h"

#include <QAtomicInt>
#include <algorithm>
#include <atomic>
#include <sodium.h>

namespace velmora::PasswordHash {

namespace {

std::atomic<Cost> g_cost { Cost::Interactive };

bool ready()
{
    static const bool initialised = sodium_init() >= 0;
    return initialised;
}

unsigned long long opsLimit()
{
    return g_cost == Cost::Minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE;
}

size_t memLimit()
{
    return g_cost == Cost::Minimal ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE;
}

// PBKDF2-HMAC-SHA256 (RFC 8018) on libsodium's HMAC, only to read the logins
// that older files stored: new ones are Argon2id.
QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations, qsizetype length)
{
    const auto* key = reinterpret_cast<const unsigned char*>(password.constData());
    const auto* saltBytes = reinterpret_cast<const unsigned char*>(salt.constData());
    QByteArray derived;
    unsigned char u[crypto_auth_hmacsha256_BYTES];
    unsigned char block[crypto_auth_hmacsha256_BYTES];
    crypto_auth_hmacsha256_state state;
    for (quint32 index = 1; derived.size() < length; ++index) {
        const unsigned char bigEndian[4] = { uchar(index >> 24), uchar(index >> 16), uchar(index >> 8), uchar(index) };
        crypto_auth_hmacsha256_init(&state, key, size_t(password.size()));
        crypto_auth_hmacsha256_update(&state, saltBytes, quint64(salt.size()));
        crypto_auth_hmacsha256_update(&state, bigEndian, sizeof bigEndian);
        crypto_auth_hmacsha256_final(&state, u);
        std::copy(std::begin(u), std::end(u), std::begin(block));
        for (int round = 1; round < iterations; ++round) {
            crypto_auth_hmacsha256_init(&state, key, size_t(password.size()));
            crypto_auth_hmacsha256_update(&state, u, sizeof u);
            crypto_auth_hmacsha256_final(&state, u);
            for (size_t i = 0; i < sizeof block; ++i)
                block[i] ^= u[i];
        }
        derived.append(reinterpret_cast<const char*>(block),
            std::min<qsizetype>(qsizetype(sizeof block), length - derived.size()));
    }
    sodium_memzero(u, sizeof u);
    sodium_memzero(block, sizeof block);
    sodium_memzero(&state, sizeof state);
    return derived;
}

} // namespace

void setCost(Cost cost)
{
    g_cost = cost;
}

QString make(const QString& password)
{
    if (!ready())
        return {};
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(
            out, utf8.constData(), quint64(utf8.size()), opsLimit(), memLimit(), crypto_pwhash_ALG_ARGON2ID13)
        != 0)
        return {};
    return QString::fromLatin1(out);
}

namespace {
QAtomicInt g_verifications;
}

int verifications()
{
    return g_verifications.loadRelaxed();
}

bool verify(const QString& password, const QString& encoded)
{
    if (!ready() || encoded.isEmpty())
        return false;
    g_verifications.fetchAndAddRelaxed(1);
    const QByteArray utf8 = password.toUtf8();
    const QByteArray stored = encoded.toLatin1();
    return crypto_pwhash_str_verify(stored.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

bool needsRehash(const QString& encoded)
{
    if (!ready())
        return false;
    return crypto_pwhash_str_needs_rehash(encoded.toLatin1().constData(), opsLimit(), memLimit()) != 0;
}

bool verifyPbkdf2(const QString& password, const QByteArray& salt, const QByteArray& hash, int iterations)
{
    if (!ready() || iterations < 1 || hash.isEmpty())
        return false;
    const QByteArray candidate = pbkdf2Sha256(password.toUtf8(), salt, iterations, hash.size());
    return candidate.size() == hash.size()
        && sodium_memcmp(candidate.constData(), hash.constData(), size_t(hash.size())) == 0;
}

bool isArgon2Row(const QByteArray& salt, int iterations)
{
    return iterations == 0 && salt == kArgon2Marker;
}

bool verifyDbLogin(const QString& password, const QByteArray& salt, const QByteArray& hash, int iterations)
{
    return isArgon2Row(salt, iterations) ? verify(password, QString::fromLatin1(hash))
                                         : verifyPbkdf2(password, salt, hash, iterations);
}

} // namespace velmora::PasswordHash
