#include "locale/dictionarywriter.h"

#include "locale/dictionaryhash.h"

#include <QtEndian>

#include <array>
#include <limits>
#include <vector>

namespace basekit_private {

namespace {

constexpr char signature[] = "ZString Binary Format";

class ByteWriter
{
public:
    explicit ByteWriter(bool bigEndian)
        : m_bigEndian(bigEndian)
    {
    }

    void u8(std::uint8_t v) { m_data.append(char(v)); }
    void u16(std::uint16_t v)
    {
        char b[2];
        m_bigEndian ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        m_data.append(b, 2);
    }
    void u32(std::uint32_t v)
    {
        char b[4];
        m_bigEndian ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        m_data.append(b, 4);
    }
    void bytes(const QByteArray &b) { m_data.append(b); }
    void utf16(QStringView text)
    {
        for (const QChar c : text)
            u16(c.unicode());
    }
    QByteArray &data() { return m_data; }

private:
    QByteArray m_data;
    bool m_bigEndian;
};

void writeHeader(ByteWriter &out, std::uint8_t major, std::uint8_t minor, std::uint8_t reserved)
{
    out.bytes(QByteArray(signature));
    out.u8(major);
    out.u8(minor);
    out.u8(reserved);
}

// Entry indexes grouped by bucket, buckets in ascending order.
std::array<std::vector<std::uint32_t>, dictionaryBucketCount>
bucketsOf(const QList<DictionaryEntry> &entries, qsizetype first, qsizetype count)
{
    std::array<std::vector<std::uint32_t>, dictionaryBucketCount> buckets;
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArray &key = entries[first + i].key;
        buckets[dictionaryHash(key.constData(), std::size_t(key.size()))].push_back(
            std::uint32_t(i));
    }
    return buckets;
}

QByteArray version1Value(const QString &value, std::uint8_t encoding)
{
    if (encoding == 1)
        return value.toUtf8();
    ByteWriter w(false);
    w.utf16(value);
    return w.data();
}

QByteArray writeVersion1(const QList<DictionaryEntry> &entries, int minor, std::uint8_t encoding)
{
    ByteWriter out(false);
    writeHeader(out, 1, std::uint8_t(minor), encoding);
    const auto buckets = bucketsOf(entries, 0, entries.size());
    if (minor == 0) {
        ByteWriter records(false);
        std::vector<std::pair<std::uint16_t, std::uint32_t>> directory;
        for (int b = 0; b < dictionaryBucketCount; ++b) {
            if (buckets[b].empty())
                continue;
            directory.emplace_back(std::uint16_t(b), std::uint32_t(records.data().size()));
            for (const std::uint32_t i : buckets[b]) {
                const QByteArray value = version1Value(entries[i].value, encoding);
                records.u32(std::uint32_t(entries[i].key.size()));
                records.bytes(entries[i].key);
                records.u32(std::uint32_t(value.size()));
                records.bytes(value);
            }
        }
        directory.emplace_back(0, std::uint32_t(records.data().size()));
        out.u16(std::uint16_t(directory.size()));
        for (const auto &[bucket, offset] : directory) {
            out.u16(bucket);
            out.u32(offset);
        }
        out.bytes(records.data());
        return out.data();
    }
    std::vector<int> used;
    for (int b = 0; b < dictionaryBucketCount; ++b) {
        if (!buckets[b].empty())
            used.push_back(b);
    }
    out.u32(std::uint32_t(used.size()));
    std::uint32_t end = 0;
    for (const int b : used) {
        end += 2 * std::uint32_t(buckets[b].size());
        out.u32(end);
    }
    std::vector<QByteArray> values(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        values[i] = version1Value(entries[i].value, encoding);
    for (const int b : used) {
        for (const std::uint32_t i : buckets[b]) {
            out.u32(std::uint32_t(entries[i].key.size()));
            out.u32(std::uint32_t(values[i].size()));
        }
    }
    for (const int b : used)
        out.u16(std::uint16_t(b));
    for (const int b : used) {
        for (const std::uint32_t i : buckets[b]) {
            out.bytes(entries[i].key);
            out.bytes(values[i]);
        }
    }
    return out.data();
}

void writeTable(ByteWriter &out, const QList<DictionaryEntry> &entries, qsizetype first,
                qsizetype count)
{
    const auto n = std::uint32_t(count);
    std::vector<std::uint32_t> keyOffsets(n), valueOffsets(n);
    std::uint32_t keyBytes = 0;
    std::uint32_t valueBytes = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        keyOffsets[i] = keyBytes;
        valueOffsets[i] = valueBytes;
        keyBytes += std::uint32_t(entries[first + i].key.size());
        valueBytes += 2 * std::uint32_t(entries[first + i].value.size());
    }
    const auto buckets = bucketsOf(entries, first, count);
    std::uint32_t bucketRecords = 0;
    for (const auto &bucket : buckets)
        bucketRecords += bucket.empty() ? 0 : 1;

    out.u32(std::uint32_t(first)); // base index: the entries of the tables before
    out.u8('Y');
    out.u32(n);
    out.u32(n);
    out.u32(bucketRecords);
    out.u32(keyBytes);
    out.u32(valueBytes);
    for (const std::uint32_t o : keyOffsets)
        out.u32(o);
    for (std::uint32_t i = 0; i < n; ++i)
        out.u16(std::uint16_t(entries[first + i].key.size()));
    for (const std::uint32_t o : valueOffsets)
        out.u32(o);
    for (std::uint32_t i = 0; i < n; ++i)
        out.u16(std::uint16_t(entries[first + i].value.size()));
    for (std::uint32_t i = 0; i < n; ++i)
        out.bytes(entries[first + i].key);
    for (std::uint32_t i = 0; i < n; ++i)
        out.utf16(entries[first + i].value);
    for (int b = 0; b < dictionaryBucketCount; ++b) {
        if (!buckets[b].empty())
            out.u16(std::uint16_t(b));
    }
    for (const auto &bucket : buckets) {
        if (!bucket.empty())
            out.u32(std::uint32_t(bucket.size()));
    }
    for (const auto &bucket : buckets) {
        for (const std::uint32_t local : bucket)
            out.u32(local);
    }
    out.u32(0); // no extra records
}

QByteArray writeVersion2(const QList<DictionaryEntry> &entries, int minor, bool bigEndian,
                         const DictionaryWriter::Options &options)
{
    ByteWriter out(bigEndian);
    writeHeader(out, 2, std::uint8_t(minor), 0);
    if (minor >= 1)
        out.u8(bigEndian ? 1 : 0);
    out.u32(std::uint32_t(options.headerString.size()));
    out.bytes(options.headerString);
    const qsizetype perTable = options.entriesPerTable > 0 ? qsizetype(options.entriesPerTable)
                                                           : std::max<qsizetype>(entries.size(), 1);
    qsizetype first = 0;
    do {
        const qsizetype count = std::min(perTable, entries.size() - first);
        writeTable(out, entries, first, count);
        first += count;
    } while (first < entries.size());
    return out.data();
}

// A key of a text line cannot hold what ends the key, the item or the line.
bool fitsTextLine(QStringView key)
{
    for (const QChar c : key) {
        if (c == u'=' || c == u'"' || c == u'\r' || c == u'\n' || c == u'\0' || c == u'\u2028' ||
            c == u'\u2029')
            return false;
    }
    return true;
}

QString hexEntity(char16_t unit)
{
    return u"#{" + QString::number(unsigned(unit), 16).toUpper() + u'}';
}

} // namespace

QString DictionaryWriter::escapeText(QStringView text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'^':
            out += u"^^";
            continue;
        case u'"':
            out += u"^Q";
            continue;
        case u'\n':
            out += u"^n";
            continue;
        case u'\r':
            out += u"^r";
            continue;
        // A backslash before the closing quote would hide it, so it is written as an entity.
        case u'\\':
            out += u"#{5C}";
            continue;
        case u'\0':
            out += u"#{0}";
            continue;
        case u'\u2028':
            out += u"#{2028}";
            continue;
        case u'\u2029':
            out += u"#{2029}";
            continue;
        case u'#':
            if (i + 1 < text.size() && text[i + 1] == u'{') {
                out += u"#{23}";
                continue;
            }
            break;
        default:
            break;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += text[i];
            out += text[++i];
            continue;
        }
        if (QChar::isSurrogate(c)) {
            out += hexEntity(c);
            continue;
        }
        out += QChar(c);
    }
    return out;
}

DictionaryWriter::Result DictionaryWriter::write(const QList<DictionaryEntry> &entries,
                                                 Format format, const Options &options)
{
    Result result;
    const bool version2 = format == Format::Version2_0 || format == Format::Version2_1 ||
                          format == Format::Version2_1BigEndian;
    for (const DictionaryEntry &entry : entries) {
        if (version2 && (entry.key.size() > std::numeric_limits<std::uint16_t>::max() ||
                         entry.value.size() > std::numeric_limits<std::uint16_t>::max())) {
            result.error = QStringLiteral("the key or text of \"%1\" is too long for version 2")
                               .arg(QString::fromUtf8(
                                   entry.key.first(std::min<qsizetype>(entry.key.size(), 40))));
            return result;
        }
    }
    if (version2 && options.headerString.size() > 64 * 1024) {
        result.error = QStringLiteral("the header string is too long");
        return result;
    }

    switch (format) {
    case Format::Text: {
        QString text;
        for (const DictionaryEntry &entry : entries) {
            const QString key = QString::fromUtf8(entry.key);
            if (key.toUtf8() != entry.key || !fitsTextLine(key)) {
                result.error =
                    QStringLiteral("the key \"%1\" cannot be written to a text dictionary")
                        .arg(key);
                return result;
            }
            text += u"\"$$$" + key + u'=' + escapeText(entry.value) + u"\"\n";
        }
        switch (options.textEncoding) {
        case TextEncoding::Utf8:
            result.data = text.toUtf8();
            break;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE: {
            ByteWriter out(options.textEncoding == TextEncoding::Utf16BE);
            out.u16(0xFEFF);
            out.utf16(text);
            result.data = out.data();
            break;
        }
        }
        break;
    }
    case Format::Version1_0:
        result.data = writeVersion1(entries, 0, options.version1Encoding);
        break;
    case Format::Version1_5:
        result.data = writeVersion1(entries, 5, options.version1Encoding);
        break;
    case Format::Version2_0:
        result.data = writeVersion2(entries, 0, false, options);
        break;
    case Format::Version2_1:
        result.data = writeVersion2(entries, 1, false, options);
        break;
    case Format::Version2_1BigEndian:
        result.data = writeVersion2(entries, 1, true, options);
        break;
    }
    return result;
}

DictionaryWriter::Result DictionaryWriter::write(const QList<DictionaryEntry> &entries,
                                                 Format format)
{
    return write(entries, format, Options());
}

std::optional<DictionaryWriter::Format> DictionaryWriter::formatFromName(QStringView name)
{
    if (name == u"text")
        return Format::Text;
    if (name == u"1.0")
        return Format::Version1_0;
    if (name == u"1.5")
        return Format::Version1_5;
    if (name == u"2.0")
        return Format::Version2_0;
    if (name == u"2.1")
        return Format::Version2_1;
    if (name == u"2.1-be")
        return Format::Version2_1BigEndian;
    return std::nullopt;
}

std::optional<DictionaryWriter::TextEncoding>
DictionaryWriter::textEncodingFromName(QStringView name)
{
    if (name.compare(u"utf-8", Qt::CaseInsensitive) == 0)
        return TextEncoding::Utf8;
    if (name.compare(u"utf-16le", Qt::CaseInsensitive) == 0)
        return TextEncoding::Utf16LE;
    if (name.compare(u"utf-16be", Qt::CaseInsensitive) == 0)
        return TextEncoding::Utf16BE;
    return std::nullopt;
}

} // namespace basekit_private
