#pragma once

#include "locale/dictionaryreader.h"

namespace basekit_private {

// UTF-16 big-endian text (the bytes after the mark FE FF); every unit is byte-swapped.
class ByteSwapUnicodeReader : public DictionaryReader
{
public:
    explicit ByteSwapUnicodeReader(QByteArrayView utf16);
};

} // namespace basekit_private
