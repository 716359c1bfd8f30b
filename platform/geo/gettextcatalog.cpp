#include "platform/geo/gettextcatalog.h"

#include <QFile>

#include <cstdint>
#include <cstring>

namespace Geo {

namespace {

constexpr std::uint32_t MagicLittle = 0x950412de;
constexpr std::uint32_t MagicBig = 0xde120495;
constexpr qsizetype HeaderSize = 28;

class Reader
{
public:
    Reader(const QByteArray &data, bool bigEndian)
        : m_data(data)
        , m_bigEndian(bigEndian)
    {
    }

    bool word(qsizetype offset, std::uint32_t *out) const
    {
        if (offset < 0 || offset > m_data.size() - 4)
            return false;
        const auto *p = reinterpret_cast<const unsigned char *>(m_data.constData() + offset);
        *out = m_bigEndian ? (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                              std::uint32_t(p[2]) << 8 | p[3])
                           : (std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 |
                              std::uint32_t(p[1]) << 8 | p[0]);
        return true;
    }

    // The string of a descriptor (length, offset) at the given table position. The length
    // excludes the terminating zero, which must be present inside the file.
    bool string(qsizetype descriptor, QByteArray *out) const
    {
        std::uint32_t length = 0;
        std::uint32_t offset = 0;
        if (!word(descriptor, &length) || !word(descriptor + 4, &offset))
            return false;
        if (offset >= std::uint64_t(m_data.size()) ||
            length >= std::uint64_t(m_data.size()) - offset)
            return false;
        if (m_data.at(qsizetype(offset) + qsizetype(length)) != '\0')
            return false;
        *out = m_data.mid(qsizetype(offset), qsizetype(length));
        return true;
    }

private:
    const QByteArray &m_data;
    bool m_bigEndian;
};

// The singular part of a message: plural forms follow it after a zero byte.
QByteArray singular(const QByteArray &text)
{
    const qsizetype zero = text.indexOf('\0');
    return zero < 0 ? text : text.left(zero);
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool GettextCatalog::parse(const QByteArray &data, QString *error)
{
    m_messages.clear();
    if (data.size() > MaxFileSize)
        return fail(error, QStringLiteral("catalog larger than %1 bytes").arg(MaxFileSize));
    if (data.size() < HeaderSize)
        return fail(error, QStringLiteral("catalog shorter than its header"));

    std::uint32_t magic = 0;
    std::memcpy(&magic, data.constData(), 4);
    bool bigEndian = false;
    if (magic == MagicLittle)
        bigEndian = false;
    else if (magic == MagicBig)
        bigEndian = true;
    else
        return fail(error, QStringLiteral("not a gettext catalog"));

    const Reader reader(data, bigEndian);
    std::uint32_t revision = 0;
    std::uint32_t count = 0;
    std::uint32_t originals = 0;
    std::uint32_t translations = 0;
    reader.word(4, &revision);
    reader.word(8, &count);
    reader.word(12, &originals);
    reader.word(16, &translations);
    if ((revision >> 16) > 1)
        return fail(error, QStringLiteral("unsupported catalog revision %1").arg(revision >> 16));
    // Each message needs two 8-byte descriptors, so the count is bounded by the file size.
    if (std::uint64_t(count) * 16 > std::uint64_t(data.size()))
        return fail(error, QStringLiteral("message count %1 exceeds the file").arg(count));

    QHash<QByteArray, QByteArray> messages;
    messages.reserve(qsizetype(count));
    for (std::uint32_t i = 0; i < count; ++i) {
        QByteArray original;
        QByteArray translation;
        if (!reader.string(qsizetype(originals) + qsizetype(i) * 8, &original) ||
            !reader.string(qsizetype(translations) + qsizetype(i) * 8, &translation))
            return fail(error, QStringLiteral("message %1 lies outside the file").arg(i));
        // The entry with the empty msgid is the catalog's header, not a message.
        if (original.isEmpty())
            continue;
        messages.insert(singular(original), singular(translation));
    }
    m_messages = std::move(messages);
    return true;
}

bool GettextCatalog::load(const QString &fileName, QString *error)
{
    m_messages.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("cannot open %1: %2").arg(fileName, file.errorString()));
    if (file.size() > MaxFileSize)
        return fail(error, QStringLiteral("catalog larger than %1 bytes").arg(MaxFileSize));
    return parse(file.readAll(), error);
}

QString GettextCatalog::translate(const QByteArray &msgid) const
{
    const auto it = m_messages.constFind(msgid);
    return it == m_messages.constEnd() ? QString() : QString::fromUtf8(*it);
}

} // namespace Geo
