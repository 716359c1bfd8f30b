#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace KnObjects::Crosswire {

// MD5 fed piece by piece, as a plain value: a copy carries the state reached so far, so the
// state after a text's unchanging beginning can be kept and continued from.
class Md5Digest
{
public:
    static constexpr size_t kBlockSize = 64;
    using Result = std::array<uint8_t, 16>;

    void add(const char *data, size_t length);
    // The digest of everything added; the state itself is left as it was.
    Result result() const;
    // Bytes added so far.
    uint64_t length() const { return m_length; }

private:
    void addBlocks(const unsigned char *data, size_t blocks);

    uint32_t m_state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    uint64_t m_length = 0;
    unsigned char m_pending[kBlockSize] = {};
};

} // namespace KnObjects::Crosswire
