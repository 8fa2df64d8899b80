#pragma once

#include <QByteArray>
#include <QString>

namespace velmora::PasswordHash {

// Interactive costs about 0.2 s and 64 MiB a hash; tests that open hundreds
// of connections ask for the minimum.
enum class Cost { Interactive, Minimal };
void setCost(Cost cost);

// An Argon2id string holding its own salt and parameters; empty when the
// hash could not be made (out of memory).
QString make(const QString& password);
bool verify(const QString& password, const QString& encoded);
// How many hashes verify() has worked through, for tests of what a check costs.
int verifications();
// Whether a verified hash was made with weaker parameters than today's.
bool needsRehash(const QString& encoded);

// velmora_dblogin marks an Argon2id row with this salt and 0 rounds.
inline constexpr char kArgon2Marker[] = "argon2id";

// Embedded files made before Argon2id: PBKDF2-HMAC-SHA256 with salt and rounds.
bool verifyPbkdf2(const QString& password, const QByteArray& salt, const QByteArray& hash, int iterations);
// A velmora_dblogin row (salt, hash, iterations), Argon2id or PBKDF2 as it was made.
bool verifyDbLogin(const QString& password, const QByteArray& salt, const QByteArray& hash, int iterations);
bool isArgon2Row(const QByteArray& salt, int iterations);

} // namespace velmora::PasswordHash
