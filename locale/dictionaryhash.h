#pragma once

#include <cstddef>
#include <cstdint>

namespace basekit_private {

// The dictionary files store bucket numbers computed with this hash, so it is part of the file
// format: 1021 buckets (a prime, not 1024), and a sample of every n/5-th key byte.
inline constexpr int dictionaryBucketCount = 1021;

inline std::uint32_t dictionaryHash(const char *bytes, std::size_t n)
{
    std::uint32_t h = 0;
    const std::size_t step = n / 5 > 0 ? n / 5 : 1;
    for (std::size_t i = 0; i < n; i += step)
        h = (static_cast<unsigned char>(bytes[i]) + h * 32u) % dictionaryBucketCount;
    return h;
}

} // namespace basekit_private
