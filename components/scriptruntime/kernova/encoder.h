#pragma once

#include <QByteArray>
#include <QString>

namespace Kernova {

// A text encoding by name ("UTF-8", "UTF-16", "ISO-8859-1"); get() gives null for an unknown one.
class Encoder
{
public:
    static const Encoder *get(const char *name);

    const char *name() const { return m_name; }
    QByteArray encode(const QString &text) const;
    QString decode(const QByteArray &bytes) const;

private:
    explicit Encoder(const char *name, int kind)
        : m_name(name)
        , m_kind(kind)
    {
    }

    const char *m_name;
    int m_kind;
};

} // namespace Kernova
