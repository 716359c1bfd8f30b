#pragma once

#include <array>
#include <cstdint>

// The fixed table of Windows locales. The locale id of a locale is its record index: record 0 has
// empty names, records 1 to 206 are Windows locales, record 207 marks the end.
namespace LocaleTable {

struct Record
{
    std::uint32_t lcid;
    const char *abbreviation;
    const char *name;
    const char *alternateName;
    int ansiCodePage; // 0 for locales that have no ANSI code page (Unicode only)
};

inline constexpr int recordCount = 208;
inline constexpr int lastLocaleId = 206;

extern const std::array<Record, recordCount> records;

} // namespace LocaleTable
