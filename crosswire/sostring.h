#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace KnObjects {

// The messaging library's byte string. Capacity grows in steps of 128 bytes (a new string holds
// 128; growth makes it the needed length plus 128, rounded down to a multiple of 128), the text
// is always NUL-terminated, and numbers are appended in the fixed forms peers parse. A string
// never grows beyond maxLength(): an append that would is refused and leaves it unchanged.
class SoString
{
public:
    static constexpr size_t kInitialCapacity = 128;
    static constexpr size_t kGrowthStep = 128;

    SoString();
    explicit SoString(const char *text);
    explicit SoString(const QByteArray &bytes);
    SoString(const SoString &other);
    SoString &operator=(const SoString &other);
    ~SoString();

    const char *data() const { return m_data; }
    size_t length() const { return m_length; }
    size_t capacity() const { return m_capacity; }
    bool isEmpty() const { return m_length == 0; }
    static constexpr size_t maxLength() { return 64u * 1024u * 1024u; }

    bool append(const char *bytes, size_t count);
    bool append(const char *text);
    bool append(const QByteArray &bytes) { return append(bytes.constData(), size_t(bytes.size())); }
    bool append(const SoString &other) { return append(other.m_data, other.m_length); }
    // Puts `count` bytes before the text; refused like append.
    bool prepend(const char *bytes, size_t count);
    // "%lu" of an unsigned 32-bit number; a 64-bit value is appended as its low 32 bits.
    bool appendNumber(uint32_t value);
    bool appendNumber64(uint64_t value) { return appendNumber(static_cast<uint32_t>(value)); }
    // "%ld" of a signed number.
    bool appendSigned(int64_t value);
    // "%.0f".
    bool appendDouble(double value);
    void clear();
    // Grows the capacity now (by the usual rule) so that `length` bytes fit without another
    // growth; false when `length` is beyond maxLength() or memory is short.
    bool reserve(size_t length) { return reserveFor(length); }

    QByteArray toByteArray() const { return QByteArray(m_data, qsizetype(m_length)); }
    bool operator==(const SoString &other) const;

private:
    bool reserveFor(size_t length);
    // Puts `count` bytes at `position` (at most the length), the rest of the text after them.
    bool insert(size_t position, const char *bytes, size_t count);

    char *m_data = nullptr;
    size_t m_length = 0;
    size_t m_capacity = 0;
};

} // namespace KnObjects
