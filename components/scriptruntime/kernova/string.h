#pragma once

#include <QByteArray>
#include <QString>

namespace Kernova {

class Encoder;

// The runtime's text: UTF-16 inside, made from 8-bit text, UTF-16 with a length, or bytes in
// a named encoding.
class String
{
public:
    String() = default;
    String(const char *latin1);
    String(const char16_t *utf16, qsizetype length);
    String(const QByteArray &bytes, const Encoder &encoder);
    String(const QString &text);

    bool isEmpty() const { return m_text.isEmpty(); }
    qsizetype length() const { return m_text.size(); }
    const QString &toQString() const { return m_text; }
    // The text as bytes in `encoder`'s encoding.
    QByteArray encode(const Encoder &encoder) const;

    bool operator==(const String &other) const { return m_text == other.m_text; }

private:
    QString m_text;
};

} // namespace Kernova
