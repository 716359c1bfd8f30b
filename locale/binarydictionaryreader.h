#pragma once

#include <QByteArray>

#include <cstdint>

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

    void read(const QByteArray &data);

private:
    bool readVersion1(ByteCursor &cursor, int minor, std::uint8_t encoding);
    bool readVersion2(ByteCursor &cursor);
    bool readTable(ByteCursor &cursor);
    QString decodeValue(QByteArrayView bytes, std::uint8_t encoding, bool &ok) const;

    ZStringDictionary &m_dictionary;
    QByteArray m_data;
};

} // namespace basekit_private
