#include "locale/dictionarytable.h"

#include <QSysInfo>

#include <cstring>

namespace basekit_private {

QString DictionaryTable::value(std::uint32_t local) const
{
    if (isDisabled(local))
        return {};
    if (!replacementValues.isEmpty()) {
        const auto it = replacementValues.constFind(local);
        if (it != replacementValues.constEnd())
            return *it;
    }
    const qsizetype length = u16(valueLengths + 2 * qsizetype(local));
    const char *source = data.constData() + valueBytes + u32(valueOffsets + 4 * qsizetype(local));
    QString text(length, Qt::Uninitialized);
    // The run may start at an odd offset, so it is copied bytewise, never read through a
    // char16_t pointer.
    std::memcpy(text.data(), source, std::size_t(length) * 2);
    if (bigEndian != (QSysInfo::ByteOrder == QSysInfo::BigEndian)) {
        char16_t *units = reinterpret_cast<char16_t *>(text.data());
        for (qsizetype i = 0; i < length; ++i)
            units[i] = char16_t((units[i] >> 8) | (units[i] << 8));
    }
    return text;
}

} // namespace basekit_private
