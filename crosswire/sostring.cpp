#include "crosswire/sostring.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace KnObjects {

SoString::SoString()
    : m_data(static_cast<char *>(std::malloc(kInitialCapacity)))
    , m_capacity(kInitialCapacity)
{
    m_data[0] = '\0';
}

SoString::SoString(const char *text)
    : SoString()
{
    append(text);
}

SoString::SoString(const QByteArray &bytes)
    : SoString()
{
    append(bytes);
}

SoString::SoString(const SoString &other)
    : SoString()
{
    append(other);
}

SoString &SoString::operator=(const SoString &other)
{
    if (this != &other) {
        clear();
        append(other);
    }
    return *this;
}

SoString::~SoString()
{
    std::free(m_data);
}

bool SoString::reserveFor(size_t length)
{
    if (length > maxLength())
        return false;
    const size_t needed = length + 1; // the terminator
    if (needed <= m_capacity)
        return true;
    const size_t capacity = (needed + kGrowthStep) / kGrowthStep * kGrowthStep;
    char *grown = static_cast<char *>(std::realloc(m_data, capacity));
    if (!grown)
        return false;
    m_data = grown;
    m_capacity = capacity;
    return true;
}

bool SoString::prepend(const char *bytes, size_t count)
{
    return insert(0, bytes, count);
}

bool SoString::append(const char *bytes, size_t count)
{
    // A message text is written in some forty small appends into room reserved up front; they
    // need neither the growth check nor the move of what follows an insertion point.
    if (bytes && count < m_capacity - m_length && count <= maxLength() - m_length) {
        std::memcpy(m_data + m_length, bytes, count);
        m_length += count;
        m_data[m_length] = '\0';
        return true;
    }
    return insert(m_length, bytes, count);
}

bool SoString::insert(size_t position, const char *bytes, size_t count)
{
    if (count == 0)
        return true;
    if (!bytes || count > maxLength() - m_length || !reserveFor(m_length + count))
        return false;
    std::memmove(m_data + position + count, m_data + position, m_length - position);
    std::memmove(m_data + position, bytes, count);
    m_length += count;
    m_data[m_length] = '\0';
    return true;
}

bool SoString::append(const char *text)
{
    return text ? append(text, std::strlen(text)) : true;
}

// Decimal numbers are written on every message: std::to_chars gives the "%lu" / "%lld" text
// without the cost of a formatted print.
bool SoString::appendNumber(uint32_t value)
{
    char buffer[16];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() && append(buffer, size_t(end - buffer));
}

bool SoString::appendSigned(int64_t value)
{
    char buffer[24];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() && append(buffer, size_t(end - buffer));
}

bool SoString::appendDouble(double value)
{
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, "%.0f", value);
    return n > 0 && size_t(n) < sizeof buffer && append(buffer, size_t(n));
}

void SoString::clear()
{
    m_length = 0;
    m_data[0] = '\0';
}

bool SoString::operator==(const SoString &other) const
{
    return m_length == other.m_length && std::memcmp(m_data, other.m_data, m_length) == 0;
}

} // namespace KnObjects
