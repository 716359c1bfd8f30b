#include "crosswire/md5digest.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace KnObjects::Crosswire {

namespace {

constexpr uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                             5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                             4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                             6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t rotateLeft(uint32_t value, int bits)
{
    return (value << bits) | (value >> (32 - bits));
}

uint32_t littleEndianWord(const unsigned char *bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

// One of the 64 steps; the index is known when compiling, so the four rounds unroll into
// straight code without a table of functions or word orders.
template<int i>
inline void step(uint32_t &a, uint32_t b, uint32_t c, uint32_t d, const uint32_t *words)
{
    uint32_t f = 0;
    int word = 0;
    if constexpr (i < 16) {
        f = d ^ (b & (c ^ d));
        word = i;
    } else if constexpr (i < 32) {
        f = c ^ (d & (b ^ c));
        word = (5 * i + 1) % 16;
    } else if constexpr (i < 48) {
        f = b ^ c ^ d;
        word = (3 * i + 5) % 16;
    } else {
        f = c ^ (b | ~d);
        word = (7 * i) % 16;
    }
    a = b + rotateLeft(a + f + kSines[i] + words[word], kShifts[i]);
}

// The registers rotate by one each step: a step of index i updates register (-i mod 4).
template<int i>
inline void rotatedStep(uint32_t (&r)[4], const uint32_t *words)
{
    constexpr int a = (4 - i % 4) % 4;
    step<i>(r[a], r[(a + 1) % 4], r[(a + 2) % 4], r[(a + 3) % 4], words);
}

template<int... i>
inline void allSteps(uint32_t (&r)[4], const uint32_t *words, std::integer_sequence<int, i...>)
{
    (rotatedStep<i>(r, words), ...);
}

} // namespace

void Md5Digest::addBlocks(const unsigned char *data, size_t blocks)
{
    for (; blocks > 0; --blocks, data += kBlockSize) {
        uint32_t words[16];
        for (int w = 0; w < 16; ++w)
            words[w] = littleEndianWord(data + 4 * w);
        uint32_t r[4] = {m_state[0], m_state[1], m_state[2], m_state[3]};
        allSteps(r, words, std::make_integer_sequence<int, 64>());
        for (int w = 0; w < 4; ++w)
            m_state[w] += r[w];
    }
}

void Md5Digest::add(const char *data, size_t length)
{
    auto bytes = reinterpret_cast<const unsigned char *>(data);
    size_t pending = size_t(m_length % kBlockSize);
    m_length += length;
    if (pending > 0) {
        const size_t taken = std::min(length, kBlockSize - pending);
        std::memcpy(m_pending + pending, bytes, taken);
        bytes += taken;
        length -= taken;
        pending += taken;
        if (pending < kBlockSize)
            return;
        addBlocks(m_pending, 1);
    }
    addBlocks(bytes, length / kBlockSize);
    std::memcpy(m_pending, bytes + length / kBlockSize * kBlockSize, length % kBlockSize);
}

Md5Digest::Result Md5Digest::result() const
{
    Md5Digest end = *this;
    const uint64_t bits = m_length * 8;
    const size_t pending = size_t(m_length % kBlockSize);
    // 0x80, zeros up to 8 bytes before a block's end, then the length in bits.
    unsigned char padding[kBlockSize + 8] = {0x80};
    const size_t padLength = pending < 56 ? 56 - pending : 120 - pending;
    end.add(reinterpret_cast<const char *>(padding), padLength);
    unsigned char lengthBytes[8];
    for (int i = 0; i < 8; ++i)
        lengthBytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    end.add(reinterpret_cast<const char *>(lengthBytes), 8);
    Result out{};
    for (int w = 0; w < 4; ++w) {
        for (int i = 0; i < 4; ++i)
            out[size_t(4 * w + i)] = static_cast<unsigned char>(end.m_state[w] >> (8 * i));
    }
    return out;
}

} // namespace KnObjects::Crosswire
