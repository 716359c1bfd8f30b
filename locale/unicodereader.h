#pragma once

#include "locale/dictionaryreader.h"

namespace basekit_private {

// UTF-16 little-endian text (the bytes after the mark FF FE). The units are taken as stored.
class UnicodeReader : public DictionaryReader
{
public:
    explicit UnicodeReader(QByteArrayView utf16);
};

} // namespace basekit_private
