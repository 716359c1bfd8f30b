#include "locale/multibytereader.h"

#include "locale/localelog.h"

#include <QStringDecoder>

#include <clocale>
#include <langinfo.h>

namespace basekit_private {

MultibyteReader::MultibyteReader(QByteArrayView bytes, const QByteArray &charset)
{
    const QByteArray name = charset.isEmpty() ? systemCharset() : charset;
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid()) {
        qCWarning(lcLocale, "unknown character set %s for a text dictionary; reading it as UTF-8",
                  name.constData());
        decoder = QStringDecoder(QStringDecoder::Utf8);
    }
    setText(decoder.decode(bytes));
}

QByteArray MultibyteReader::systemCharset()
{
    // The environment's locale, whether or not the process has called setlocale() yet. The C
    // locale's ASCII is read as UTF-8, as Qt does for every 8-bit text on Linux.
    QByteArray name;
    if (locale_t loc = newlocale(LC_CTYPE_MASK, "", locale_t(nullptr))) {
        name = nl_langinfo_l(CODESET, loc);
        freelocale(loc);
    }
    if (name.isEmpty() || name == "ANSI_X3.4-1968" || name == "ASCII")
        return QByteArrayLiteral("UTF-8");
    return name;
}

} // namespace basekit_private
