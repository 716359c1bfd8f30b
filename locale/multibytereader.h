#pragma once

#include "locale/dictionaryreader.h"

namespace basekit_private {

// 8-bit text decoded with the "ANSI code page": the named character set, or the system's when
// the name is empty (UTF-8 unless the environment's locale says otherwise).
class MultibyteReader : public DictionaryReader
{
public:
    MultibyteReader(QByteArrayView bytes, const QByteArray &charset);

    // The character set the process's locale uses for 8-bit text, as a name QStringDecoder knows.
    static QByteArray systemCharset();
};

} // namespace basekit_private
