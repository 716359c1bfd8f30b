#include "shared/glint/efpunicode.h"

#include <stdexcept>

namespace {

void appendUtf8(std::string &out, char32_t cp)
{
    const auto put = [&out](unsigned value) {
        out.push_back(static_cast<char>(value));
    };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x200000) {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x4000000) {
        put(0xF8 | (cp >> 24));
        put(0x80 | ((cp >> 18) & 0x3F));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xFC | ((cp >> 30) & 0x01));
        put(0x80 | ((cp >> 24) & 0x3F));
        put(0x80 | ((cp >> 18) & 0x3F));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string utf16ToUtf8(const std::u16string &text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        char32_t cp = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            // A high surrogate must be followed by a low one; taking any unit as the second
            // half would swallow a real character (the "]" of a CDATA end, say).
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                throw std::runtime_error(
                    "unicode: utf16 high surrogate found without low surrogate");
            const char32_t next = text[++i];
            cp = (unit - 0xD800) * 1024 + (next - 0xDC00) + 0x10000;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            throw std::runtime_error("unicode: utf16 low surrogate found without high surrogate");
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::u16string utf8ToUtf16(const std::string &text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if (lead < 0xC0) {
            throw std::runtime_error("unicode: ill-defined utf8 (< 192)");
        } else if (lead < 0xE0) {
            extra = 1;
            cp = lead & 0x1F;
        } else if (lead < 0xF0) {
            extra = 2;
            cp = lead & 0x0F;
        } else if (lead < 0xF8) {
            extra = 3;
            cp = lead & 0x07;
        } else if (lead < 0xFC) {
            extra = 4;
            cp = lead & 0x03;
        } else if (lead < 0xFE) {
            extra = 5;
            cp = lead & 0x01;
        } else {
            throw std::runtime_error("unicode: ill-defined utf8 (>= 254)");
        }
        if (text.size() - i - 1 < size_t(extra))
            throw std::runtime_error("unicode: utf32 conversion ran out of input");
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += 1 + extra;
        if (cp <= 0xFFFF) {
            out.push_back(static_cast<char16_t>(cp));
        } else if (cp <= 0x10FFFF) {
            out.push_back(static_cast<char16_t>(((cp - 0x10000) >> 10) + 0xD800));
            out.push_back(static_cast<char16_t>((cp & 0x3FF) + 0xDC00));
        } else {
            // Five- and six-byte sequences name code points UTF-16 cannot hold; a surrogate pair
            // computed from them would silently stand for a different character.
            out.push_back(u'\uFFFD');
        }
    }
    return out;
}
