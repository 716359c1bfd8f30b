#pragma once

#include <string>

// The UTF-8 / UTF-16 conversions used at the player library boundary. UTF-8 here is the scheme of
// RFC 2279 (up to six bytes, 31-bit code points); both directions throw std::runtime_error with
// one of the "unicode: ..." texts below on input they cannot convert.
//
//   "unicode: utf16 low surrogate found without high surrogate"
//   "unicode: utf16 high surrogate found without low surrogate"
//   "unicode: utf32 conversion ran out of input"
//   "unicode: ill-defined utf8 (>= 254)"
//   "unicode: ill-defined utf8 (< 192)"
std::string utf16ToUtf8(const std::u16string &text);
std::u16string utf8ToUtf16(const std::string &text);
