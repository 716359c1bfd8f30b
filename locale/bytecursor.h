#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace basekit_private {

// Bounds-checked reading of numbers and byte runs from a buffer in a given byte order. Every
// read either succeeds whole or fails without moving.
class ByteCursor
{
public:
    ByteCursor(QByteArrayView data, qsizetype pos, bool bigEndian)
        : m_data(data)
        , m_pos(pos)
        , m_bigEndian(bigEndian)
    {
    }

    qsizetype pos() const { return m_pos; }
    qsizetype remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    bool bigEndian() const { return m_bigEndian; }

    bool readU8(std::uint8_t &value);
    bool readU16(std::uint16_t &value);
    bool readU32(std::uint32_t &value);
    // count items of itemSize bytes, with overflow-safe arithmetic; returns the offset of the run.
    std::optional<qsizetype> take(std::uint64_t count, std::uint64_t itemSize = 1);

    // Reads a number stored at an offset of the buffer (which a successful take() vouched for).
    std::uint16_t u16At(qsizetype offset) const;
    std::uint32_t u32At(qsizetype offset) const;

private:
    QByteArrayView m_data;
    qsizetype m_pos;
    bool m_bigEndian;
};

} // namespace basekit_private
