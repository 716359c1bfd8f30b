#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QtEndian>

#include <cstdint>
#include <memory>
#include <vector>

namespace basekit_private {

// One table of a version-2 binary dictionary. The arrays stay where they are in the file's
// bytes (shared with every other table of that file), so loading allocates nothing per entry.
// The reader has checked every offset and length against the table's sections.
struct DictionaryTable
{
    struct BucketRange
    {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };

    // The file's bytes, and what keeps them alive (a mapped file) when data does not own them.
    QByteArray data;
    std::shared_ptr<const void> owner;
    bool bigEndian = false;

    std::uint32_t baseIndex = 0;
    bool keysPresent = false;
    std::uint32_t entryCount = 0;
    std::uint32_t liveCount = 0;
    std::uint32_t bucketRecordCount = 0;
    std::uint32_t keyBytesLength = 0;
    std::uint32_t valueBytesLength = 0;

    // Offsets into data.
    qsizetype keyOffsets = 0;
    qsizetype keyLengths = 0;
    qsizetype valueOffsets = 0;
    qsizetype valueLengths = 0;
    qsizetype keyBytes = 0;
    qsizetype valueBytes = 0;

    // The extra section: kept, not used by lookups.
    std::uint32_t extraCount = 0;
    std::uint32_t extraTextLength = 0;
    qsizetype extraSection = 0;

    // Per bucket, the run of the bucket-entry list holding its local entry indices (empty when
    // the table has no keys). The list is the file's, or ownIndices when the file named a bucket
    // in more than one record and the list had to be regrouped.
    std::vector<BucketRange> buckets;
    qsizetype bucketIndices = 0;
    std::vector<std::uint32_t> ownIndices;

    // Entries disabled as duplicates of an earlier table (empty when none are).
    std::vector<bool> disabled;
    // Texts that a later text dictionary set for keys of this table, by local index.
    QHash<std::uint32_t, QString> replacementValues;

    std::uint32_t u32(qsizetype offset) const
    {
        const char *p = data.constData() + offset;
        return bigEndian ? qFromBigEndian<std::uint32_t>(p) : qFromLittleEndian<std::uint32_t>(p);
    }
    std::uint16_t u16(qsizetype offset) const
    {
        const char *p = data.constData() + offset;
        return bigEndian ? qFromBigEndian<std::uint16_t>(p) : qFromLittleEndian<std::uint16_t>(p);
    }

    std::uint32_t localAt(std::uint32_t position) const
    {
        return ownIndices.empty() ? u32(bucketIndices + 4 * qsizetype(position))
                                  : ownIndices[position];
    }

    bool isDisabled(std::uint32_t local) const { return !disabled.empty() && disabled[local]; }

    QByteArrayView key(std::uint32_t local) const
    {
        if (!keysPresent || isDisabled(local))
            return {};
        return QByteArrayView(data.constData() + keyBytes + u32(keyOffsets + 4 * qsizetype(local)),
                              u16(keyLengths + 2 * qsizetype(local)));
    }

    QString value(std::uint32_t local) const;
};

} // namespace basekit_private
