#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

namespace basekit_private {

class ByteCursor;
class ZStringDictionary;

// Reads a binary dictionary ("ZString Binary Format", versions 1.0, 1.5 and 2.x in either byte
// order) into a dictionary. Every count, offset and length is checked against the data and the
// dictionary's limits before anything is used: a table that does not fit is rejected whole, the
// dictionary's valid flag is cleared, and the tables read before it stay.
class BinaryDictionaryReader
{
public:
    explicit BinaryDictionaryReader(ZStringDictionary &dictionary);

    // owner keeps data's bytes alive when data does not own them (a mapped file).
    void read(const QByteArray &data, const std::shared_ptr<const void> &owner);

private:
    bool readVersion1(ByteCursor &cursor, int minor, std::uint8_t encoding);
    bool readVersion2(ByteCursor &cursor);
    bool readTable(ByteCursor &cursor);
    QString decodeValue(QByteArrayView bytes, std::uint8_t encoding, bool &ok) const;

    ZStringDictionary &m_dictionary;
    QByteArray m_data;
    std::shared_ptr<const void> m_owner;
};

} // namespace basekit_private
