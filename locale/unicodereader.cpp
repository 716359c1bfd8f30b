#include "locale/unicodereader.h"

#include <cstring>

namespace basekit_private {

UnicodeReader::UnicodeReader(QByteArrayView utf16)
{
    // An odd last byte is half a unit and is dropped.
    QString text(utf16.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto lo = static_cast<unsigned char>(utf16[2 * i]);
        const auto hi = static_cast<unsigned char>(utf16[2 * i + 1]);
        text[i] = QChar(char16_t(lo | (hi << 8)));
    }
    setText(std::move(text));
}

} // namespace basekit_private
