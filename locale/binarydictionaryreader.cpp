#include "locale/binarydictionaryreader.h"

#include "locale/bytecursor.h"
#include "locale/dictionaryreader.h"
#include "locale/localelog.h"
#include "locale/multibytereader.h"
#include "locale/zstringdictionary.h"

#include <QStringDecoder>

#include <vector>

namespace basekit_private {

namespace {

constexpr qsizetype headerLength = 24; // signature, major, minor, reserved byte
constexpr std::uint8_t encodingUtf16 = 0;
constexpr std::uint8_t encodingUtf8 = 1;

struct PendingEntry
{
    std::uint16_t bucket;
    DictionaryEntry entry;
};

} // namespace

BinaryDictionaryReader::BinaryDictionaryReader(ZStringDictionary &dictionary)
    : m_dictionary(dictionary)
{
}

void BinaryDictionaryReader::read(const QByteArray &data, const std::shared_ptr<const void> &owner)
{
    m_data = data;
    m_owner = owner;
    if (data.size() < headerLength) {
        m_dictionary.invalidate("binary dictionary: the header is cut short");
        return;
    }
    const auto major = static_cast<std::uint8_t>(data[21]);
    const auto minor = static_cast<std::int8_t>(data[22]);
    const auto reserved = static_cast<std::uint8_t>(data[23]);

    if (major == 1 && (minor == 0 || minor == 5)) {
        ByteCursor cursor(data, headerLength, false);
        if (!readVersion1(cursor, minor, reserved))
            m_dictionary.invalidate("binary dictionary: a version-1 table does not fit its file");
        return;
    }
    if (major == 2 && minor >= 0) {
        bool bigEndian = false;
        qsizetype pos = headerLength;
        if (minor >= 1) {
            if (data.size() <= headerLength) {
                m_dictionary.invalidate("binary dictionary: the byte-order byte is missing");
                return;
            }
            const auto byteOrder = static_cast<std::uint8_t>(data[headerLength]);
            if (byteOrder > 1) {
                m_dictionary.invalidate("binary dictionary: unknown byte order");
                return;
            }
            bigEndian = byteOrder == 1;
            ++pos;
        }
        ByteCursor cursor(data, pos, bigEndian);
        readVersion2(cursor);
        return;
    }
    qCWarning(lcLocale, "binary dictionary: version %d.%d is not supported", major, minor);
    m_dictionary.m_valid = false;
}

QString BinaryDictionaryReader::decodeValue(QByteArrayView bytes, std::uint8_t encoding,
                                            bool &ok) const
{
    ok = true;
    if (encoding == encodingUtf16) {
        if (bytes.size() % 2 != 0) {
            ok = false;
            return {};
        }
        QString text(bytes.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            text[i] = QChar(char16_t(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8)));
        }
        return text;
    }
    if (encoding == encodingUtf8)
        return QString::fromUtf8(bytes);
    QByteArray charset = m_dictionary.m_ansiCharset;
    if (charset.isEmpty())
        charset = MultibyteReader::systemCharset();
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(bytes);
}

bool BinaryDictionaryReader::readVersion1(ByteCursor &cursor, int minor, std::uint8_t encoding)
{
    const auto &limits = m_dictionary.m_limits;
    std::vector<PendingEntry> pending;
    const auto addPending = [&](qsizetype key, std::uint32_t keyLength, qsizetype value,
                                std::uint32_t valueLength, std::uint16_t bucket) {
        if (pending.size() >= limits.maxEntries)
            return false;
        bool ok = false;
        QString text = decodeValue(QByteArrayView(m_data).sliced(value, valueLength), encoding, ok);
        if (!ok)
            return false;
        pending.push_back({bucket, {m_data.sliced(key, keyLength), std::move(text)}});
        return true;
    };

    if (minor == 0) {
        std::uint16_t directoryCount = 0;
        if (!cursor.readU16(directoryCount))
            return false;
        std::vector<std::uint16_t> buckets(directoryCount);
        std::vector<std::uint32_t> offsets(directoryCount);
        for (std::uint16_t i = 0; i < directoryCount; ++i) {
            if (!cursor.readU16(buckets[i]) || !cursor.readU32(offsets[i]))
                return false;
            if (buckets[i] >= dictionaryBucketCount && i + 1 < directoryCount)
                return false;
        }
        const qsizetype area = cursor.pos();
        const qsizetype areaSize = cursor.remaining();
        for (std::uint16_t i = 0; i + 1 < directoryCount; ++i) {
            if (offsets[i] > offsets[i + 1] || offsets[i + 1] > std::uint64_t(areaSize))
                return false;
            // Records of one directory entry, within its own range only.
            ByteCursor records(QByteArrayView(m_data).first(area + qsizetype(offsets[i + 1])),
                               area + qsizetype(offsets[i]), false);
            while (!records.atEnd()) {
                std::uint32_t keyLength = 0;
                std::uint32_t valueLength = 0;
                if (!records.readU32(keyLength))
                    return false;
                const auto key = records.take(keyLength);
                if (!key || !records.readU32(valueLength))
                    return false;
                const auto value = records.take(valueLength);
                if (!value || !addPending(*key, keyLength, *value, valueLength, buckets[i]))
                    return false;
            }
        }
    } else {
        std::uint32_t bucketCount = 0;
        if (!cursor.readU32(bucketCount) || bucketCount > limits.maxEntries)
            return false;
        const auto ends = cursor.take(bucketCount, 4);
        if (!ends)
            return false;
        std::uint32_t previous = 0;
        for (std::uint32_t b = 0; b < bucketCount; ++b) {
            const std::uint32_t end = cursor.u32At(*ends + 4 * qsizetype(b));
            if (end < previous || (end - previous) % 2 != 0)
                return false;
            previous = end;
        }
        const std::uint32_t lengthCount = previous;
        if (lengthCount / 2 > limits.maxEntries)
            return false;
        const auto lengths = cursor.take(lengthCount, 4);
        const auto bucketNumbers = lengths ? cursor.take(bucketCount, 2) : std::nullopt;
        if (!bucketNumbers)
            return false;
        std::uint32_t index = 0;
        for (std::uint32_t b = 0; b < bucketCount; ++b) {
            const std::uint16_t bucket = cursor.u16At(*bucketNumbers + 2 * qsizetype(b));
            if (bucket >= dictionaryBucketCount)
                return false;
            const std::uint32_t end = cursor.u32At(*ends + 4 * qsizetype(b));
            for (; index < end; index += 2) {
                const std::uint32_t keyLength = cursor.u32At(*lengths + 4 * qsizetype(index));
                const std::uint32_t valueLength = cursor.u32At(*lengths + 4 * qsizetype(index + 1));
                const auto key = cursor.take(keyLength);
                const auto value = key ? cursor.take(valueLength) : std::nullopt;
                if (!value || !addPending(*key, keyLength, *value, valueLength, bucket))
                    return false;
            }
        }
    }
    for (PendingEntry &p : pending) {
        if (m_dictionary.m_chainEntryCount >= limits.maxEntries)
            return false;
        m_dictionary.pushChainEntry(p.bucket, std::move(p.entry));
    }
    return true;
}

bool BinaryDictionaryReader::readVersion2(ByteCursor &cursor)
{
    std::uint32_t headerStringLength = 0;
    if (!cursor.readU32(headerStringLength) ||
        headerStringLength > m_dictionary.m_limits.maxHeaderStringLength) {
        m_dictionary.invalidate("binary dictionary: bad header string");
        return false;
    }
    const auto headerString = cursor.take(headerStringLength);
    if (!headerString) {
        m_dictionary.invalidate("binary dictionary: the header string is cut short");
        return false;
    }
    m_dictionary.m_headerString = m_data.sliced(*headerString, headerStringLength);
    if (cursor.atEnd()) {
        m_dictionary.invalidate("binary dictionary: no table");
        return false;
    }
    while (!cursor.atEnd()) {
        if (!readTable(cursor)) {
            m_dictionary.invalidate("binary dictionary: a table does not fit its file; "
                                    "the tables before it are kept");
            return false;
        }
    }
    return true;
}

bool BinaryDictionaryReader::readTable(ByteCursor &cursor)
{
    const auto &limits = m_dictionary.m_limits;
    DictionaryTable table;
    table.data = m_data;
    table.owner = m_owner;
    table.bigEndian = cursor.bigEndian();

    std::uint8_t keysFlag = 0;
    if (!cursor.readU32(table.baseIndex) || !cursor.readU8(keysFlag))
        return false;
    if (keysFlag != 'Y' && keysFlag != 'N')
        return false;
    table.keysPresent = keysFlag == 'Y';
    if (!cursor.readU32(table.entryCount) || !cursor.readU32(table.liveCount) ||
        !cursor.readU32(table.bucketRecordCount))
        return false;
    if (table.entryCount > limits.maxEntriesPerTable || table.liveCount > table.entryCount)
        return false;
    if (table.keysPresent && !cursor.readU32(table.keyBytesLength))
        return false;
    if (!cursor.readU32(table.valueBytesLength))
        return false;

    const std::uint32_t n = table.entryCount;
    std::optional<qsizetype> keyOffsets, keyLengths;
    if (table.keysPresent) {
        keyOffsets = cursor.take(n, 4);
        keyLengths = keyOffsets ? cursor.take(n, 2) : std::nullopt;
        if (!keyLengths)
            return false;
        table.keyOffsets = *keyOffsets;
        table.keyLengths = *keyLengths;
    }
    const auto valueOffsets = cursor.take(n, 4);
    const auto valueLengths = valueOffsets ? cursor.take(n, 2) : std::nullopt;
    if (!valueLengths)
        return false;
    table.valueOffsets = *valueOffsets;
    table.valueLengths = *valueLengths;
    if (table.keysPresent) {
        const auto keyBytes = cursor.take(table.keyBytesLength);
        if (!keyBytes)
            return false;
        table.keyBytes = *keyBytes;
    }
    const auto valueBytes = cursor.take(table.valueBytesLength);
    if (!valueBytes)
        return false;
    table.valueBytes = *valueBytes;

    // Every entry's runs lie inside their sections.
    for (std::uint32_t i = 0; i < n; ++i) {
        if (table.keysPresent) {
            const std::uint64_t end =
                std::uint64_t(cursor.u32At(table.keyOffsets + 4 * qsizetype(i))) +
                cursor.u16At(table.keyLengths + 2 * qsizetype(i));
            if (end > table.keyBytesLength)
                return false;
        }
        const std::uint64_t end =
            std::uint64_t(cursor.u32At(table.valueOffsets + 4 * qsizetype(i))) +
            2 * std::uint64_t(cursor.u16At(table.valueLengths + 2 * qsizetype(i)));
        if (end > table.valueBytesLength)
            return false;
    }

    if (table.keysPresent) {
        const std::uint32_t m = table.bucketRecordCount;
        if (m > limits.maxEntriesPerTable)
            return false;
        const auto numbers = cursor.take(m, 2);
        const auto counts = numbers ? cursor.take(m, 4) : std::nullopt;
        if (!counts)
            return false;
        std::uint64_t total = 0;
        bool repeated = false;
        std::vector<bool> named(dictionaryBucketCount, false);
        for (std::uint32_t r = 0; r < m; ++r) {
            const std::uint16_t bucket = cursor.u16At(*numbers + 2 * qsizetype(r));
            if (bucket >= dictionaryBucketCount)
                return false;
            repeated = repeated || named[bucket];
            named[bucket] = true;
            total += cursor.u32At(*counts + 4 * qsizetype(r));
        }
        // Each entry belongs to one bucket; more indices than entries is a corrupt table.
        if (total > n)
            return false;
        const auto indices = cursor.take(total, 4);
        if (!indices)
            return false;
        for (std::uint64_t k = 0; k < total; ++k) {
            if (cursor.u32At(*indices + 4 * qsizetype(k)) >= n)
                return false;
        }
        table.bucketIndices = *indices;
        table.buckets.assign(dictionaryBucketCount, {});
        if (!repeated) {
            std::uint32_t first = 0;
            for (std::uint32_t r = 0; r < m; ++r) {
                const std::uint32_t count = cursor.u32At(*counts + 4 * qsizetype(r));
                table.buckets[cursor.u16At(*numbers + 2 * qsizetype(r))] = {first, count};
                first += count;
            }
        } else {
            // Regroup by bucket, keeping the records' order within each bucket.
            for (std::uint32_t r = 0; r < m; ++r)
                table.buckets[cursor.u16At(*numbers + 2 * qsizetype(r))].count +=
                    cursor.u32At(*counts + 4 * qsizetype(r));
            std::uint32_t first = 0;
            for (auto &range : table.buckets) {
                range.first = first;
                first += range.count;
            }
            std::vector<std::uint32_t> filled(dictionaryBucketCount, 0);
            table.ownIndices.resize(std::size_t(total));
            qsizetype at = *indices;
            for (std::uint32_t r = 0; r < m; ++r) {
                const std::uint16_t bucket = cursor.u16At(*numbers + 2 * qsizetype(r));
                const std::uint32_t count = cursor.u32At(*counts + 4 * qsizetype(r));
                for (std::uint32_t k = 0; k < count; ++k, at += 4)
                    table.ownIndices[table.buckets[bucket].first + filled[bucket]++] =
                        cursor.u32At(at);
            }
        }
    }

    if (!cursor.readU32(table.extraCount))
        return false;
    if (table.extraCount > 0) {
        if (table.extraCount > limits.maxExtraRecords || !cursor.readU32(table.extraTextLength))
            return false;
        const auto extra = cursor.take(table.extraCount, 4 + 4 + 2);
        if (!extra || !cursor.take(table.extraTextLength))
            return false;
        table.extraSection = *extra;
    }

    if (!m_dictionary.addTable(std::move(table))) {
        // The table itself was whole, so reading goes on with the next one.
        m_dictionary.invalidate("binary dictionary: a table's base index does not follow the "
                                "tables before it");
    }
    return true;
}

} // namespace basekit_private
