#include "locale/dictionaryreader.h"

#include "locale/byteswapunicodereader.h"
#include "locale/multibytereader.h"
#include "locale/unicodereader.h"

namespace basekit_private {

DictionaryReader::~DictionaryReader() = default;

std::unique_ptr<DictionaryReader> DictionaryReader::create(QByteArrayView data,
                                                           const QByteArray &ansiCharset)
{
    if (data.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(data[0]);
        const auto b1 = static_cast<unsigned char>(data[1]);
        if (b0 == 0xFF && b1 == 0xFE)
            return std::make_unique<UnicodeReader>(data.sliced(2));
        if (b0 == 0xFE && b1 == 0xFF)
            return std::make_unique<ByteSwapUnicodeReader>(data.sliced(2));
    }
    return std::make_unique<MultibyteReader>(data, ansiCharset);
}

void DictionaryReader::setText(QString text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    m_text = std::move(text);
    m_pos = 0;
    m_atEnd = false;
}

bool DictionaryReader::readLine(QStringView &line)
{
    if (m_atEnd)
        return false;
    const qsizetype n = m_text.size();
    const QChar *units = m_text.constData();
    qsizetype end = m_pos;
    while (end < n) {
        const char16_t c = units[end].unicode();
        if (c == u'\n' || c == u'\r' || c == u'\u2028' || c == u'\u2029')
            break;
        ++end;
    }
    line = QStringView(units + m_pos, end - m_pos);
    if (end == n)
        m_atEnd = true;
    else
        m_pos = end + 1;
    return true;
}

} // namespace basekit_private
