#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>

namespace basekit_private {

// Line source of a text dictionary. The subclass is chosen by the byte-order mark: UTF-16
// little-endian (UnicodeReader), UTF-16 big-endian (ByteSwapUnicodeReader), or 8-bit text in the
// "ANSI code page" (MultibyteReader). A line ends at LF, CR, U+2028 or U+2029; a NUL ends the
// text.
class DictionaryReader
{
public:
    virtual ~DictionaryReader();
    DictionaryReader(const DictionaryReader &) = delete;
    DictionaryReader &operator=(const DictionaryReader &) = delete;

    // ansiCharset names the character set of text without a mark; empty means the system's.
    static std::unique_ptr<DictionaryReader> create(QByteArrayView data,
                                                    const QByteArray &ansiCharset);

    // The next line (possibly empty); false at the end of the text. The view stays valid as
    // long as the reader.
    bool readLine(QStringView &line);

protected:
    DictionaryReader() = default;
    void setText(QString text);

private:
    QString m_text;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
};

} // namespace basekit_private
