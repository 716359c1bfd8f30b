#include "components/scriptruntime/kernova/string.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/encoder.h"
#include "components/scriptruntime/kernova/hashtable.h"
#include "components/scriptruntime/kernova/initterm.h"
#include "components/scriptruntime/kernova/scripthandle.h"
#include "components/scriptruntime/kernova/variant.h"
#include <QStringConverter>
#include <atomic>
#include <cmath>

namespace Kernova {

String::String(const char *latin1)
    : m_text(QString::fromLatin1(latin1))
{
}

String::String(const char16_t *utf16, qsizetype length)
    : m_text(reinterpret_cast<const QChar *>(utf16), length)
{
}

String::String(const QByteArray &bytes, const Encoder &encoder)
    : m_text(encoder.decode(bytes))
{
}

String::String(const QString &text)
    : m_text(text)
{
}

QByteArray String::encode(const Encoder &encoder) const
{
    return encoder.encode(m_text);
}

} // namespace Kernova
