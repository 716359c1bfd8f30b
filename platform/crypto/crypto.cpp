#include "platform/crypto/crypto.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

QByteArray Crypto::randomBytes(int count)
{
    if (count <= 0)
        return {};
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator *generator = QRandomGenerator::system();
    for (int i = 0; i < count; ++i)
        bytes[i] = char(generator->bounded(256));
    return bytes;
}

QByteArray Crypto::md5(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

QByteArray Crypto::toUnpaddedHex(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 16)
            text.append(digits[byte >> 4]);
        text.append(digits[byte & 0xF]);
    }
    return text;
}
