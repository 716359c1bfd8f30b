#include "locale/bytecursor.h"

#include <QtEndian>

namespace basekit_private {

bool ByteCursor::readU8(std::uint8_t &value)
{
    if (remaining() < 1)
        return false;
    value = static_cast<std::uint8_t>(m_data[m_pos++]);
    return true;
}

bool ByteCursor::readU16(std::uint16_t &value)
{
    if (remaining() < 2)
        return false;
    value = u16At(m_pos);
    m_pos += 2;
    return true;
}

bool ByteCursor::readU32(std::uint32_t &value)
{
    if (remaining() < 4)
        return false;
    value = u32At(m_pos);
    m_pos += 4;
    return true;
}

std::optional<qsizetype> ByteCursor::take(std::uint64_t count, std::uint64_t itemSize)
{
    // count and itemSize come from 32-bit fields, so the product cannot overflow 64 bits.
    const std::uint64_t bytes = count * itemSize;
    if (remaining() < 0 || bytes > std::uint64_t(remaining()))
        return std::nullopt;
    const qsizetype start = m_pos;
    m_pos += qsizetype(bytes);
    return start;
}

std::uint16_t ByteCursor::u16At(qsizetype offset) const
{
    const char *p = m_data.data() + offset;
    return m_bigEndian ? qFromBigEndian<std::uint16_t>(p) : qFromLittleEndian<std::uint16_t>(p);
}

std::uint32_t ByteCursor::u32At(qsizetype offset) const
{
    const char *p = m_data.data() + offset;
    return m_bigEndian ? qFromBigEndian<std::uint32_t>(p) : qFromLittleEndian<std::uint32_t>(p);
}

} // namespace basekit_private
