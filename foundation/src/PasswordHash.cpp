#include "PasswordHash.h"

#include <QByteArray>
#include <QStringList>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace {

const QString kScheme = QStringLiteral("pbkdf2-sha256");
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;
// Bounds a stored record may name; outside them it is damaged (and a huge
// count must not freeze the program at start-up).
constexpr int kMinIterations = 1000;
constexpr int kMaxIterations = 10000000;

QByteArray Derive(const QString& digits, const QByteArray& salt, int iterations)
{
    const QByteArray secret = digits.toUtf8();
    QByteArray hash(kHashBytes, '\0');
    const int ok = PKCS5_PBKDF2_HMAC(secret.constData(), static_cast<int>(secret.size()),
        reinterpret_cast<const unsigned char*>(salt.constData()), static_cast<int>(salt.size()), iterations,
        EVP_sha256(), kHashBytes, reinterpret_cast<unsigned char*>(hash.data()));
    return ok == 1 ? hash : QByteArray();
}

QByteArray StrictBase64(const QString& text)
{
    const auto result
        = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return result ? result.decoded : QByteArray();
}

} // namespace

QString PasswordHash::Make(const QString& digits)
{
    QByteArray salt(kSaltBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), kSaltBytes) != 1)
        return {};
    const QByteArray hash = Derive(digits, salt, kIterations);
    if (hash.isEmpty())
        return {};
    return kScheme + u'$' + QString::number(kIterations) + u'$' + QString::fromLatin1(salt.toBase64()) + u'$'
        + QString::fromLatin1(hash.toBase64());
}

bool PasswordHash::IsHashRecord(const QString& record)
{
    return record.startsWith(kScheme + u'$');
}

bool PasswordHash::Verify(const QString& record, const QString& digits)
{
    if (record.isEmpty())
        return false;
    if (!IsHashRecord(record))
        return record == digits;
    const QStringList parts = record.split(u'$');
    if (parts.size() != 4)
        return false;
    bool numeric = false;
    const int iterations = parts[1].toInt(&numeric);
    const QByteArray salt = StrictBase64(parts[2]);
    const QByteArray stored = StrictBase64(parts[3]);
    if (!numeric || iterations < kMinIterations || iterations > kMaxIterations || salt.size() < 8
        || stored.size() != kHashBytes)
        return false;
    const QByteArray typed = Derive(digits, salt, iterations);
    return typed.size() == kHashBytes
        && CRYPTO_memcmp(typed.constData(), stored.constData(), kHashBytes) == 0;
}
