#include "components/scriptruntime/kernova/encoder.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/hashtable.h"
#include "components/scriptruntime/kernova/initterm.h"
#include "components/scriptruntime/kernova/scripthandle.h"
#include "components/scriptruntime/kernova/string.h"
#include "components/scriptruntime/kernova/variant.h"
#include <QStringConverter>
#include <atomic>
#include <cmath>

namespace Kernova {

const Encoder *Encoder::get(const char *name)
{
    static const Encoder utf8("UTF-8", 0);
    static const Encoder utf16("UTF-16", 1);
    static const Encoder latin1("ISO-8859-1", 2);
    const QByteArray wanted = QByteArray(name).toUpper();
    if (wanted == "UTF-8" || wanted == "UTF8")
        return &utf8;
    if (wanted == "UTF-16" || wanted == "UTF16")
        return &utf16;
    if (wanted == "ISO-8859-1" || wanted == "LATIN1")
        return &latin1;
    return nullptr;
}

QByteArray Encoder::encode(const QString &text) const
{
    switch (m_kind) {
    case 1:
        return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    case 2:
        return text.toLatin1();
    default:
        return text.toUtf8();
    }
}

QString Encoder::decode(const QByteArray &bytes) const
{
    switch (m_kind) {
    case 1:
        return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    case 2:
        return QString::fromLatin1(bytes);
    default:
        return QString::fromUtf8(bytes);
    }
}

} // namespace Kernova
