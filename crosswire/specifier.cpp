#include "crosswire/specifier.h"

#include <cstring>

namespace KnObjects::Crosswire {

namespace {

qsizetype firstOf(const QByteArray &text, const char *chars, qsizetype from = 0)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (std::strchr(chars, text[i]))
            return i;
    }
    return -1;
}

} // namespace

Specifier::Specifier(const QByteArray &text, bool keepCase)
{
    if (!isValidText(text))
        return;
    const QByteArray source = keepCase ? text : text.toLower();
    QByteArray head = source;
    const qsizetype hash = source.indexOf('#');
    if (hash >= 0) {
        m_endpoint = source.mid(hash + 1);
        head = source.left(hash);
    }
    const qsizetype appEnd = firstOf(head, "-_");
    m_application = appEnd < 0 ? head : head.left(appEnd);
    qsizetype rest = appEnd;
    if (rest >= 0 && head[rest] == '_') {
        const qsizetype end = firstOf(head, "-", rest + 1);
        m_instance = head.mid(rest + 1, end < 0 ? -1 : end - rest - 1);
        rest = end;
    } else if (rest >= 0) {
        rest = head.indexOf('-');
    }
    if (rest >= 0) {
        // rest is at a "-": a version when a digit follows, else the locale.
        const qsizetype end = head.indexOf('-', rest + 1);
        const QByteArray part = head.mid(rest + 1, end < 0 ? -1 : end - rest - 1);
        if (!part.isEmpty() && part[0] >= '0' && part[0] <= '9') {
            m_version = part;
            if (end >= 0)
                m_locale = head.mid(end + 1);
        } else {
            m_locale = head.mid(rest + 1);
        }
    }
    m_text = source;
}

void Specifier::rebuild()
{
    QByteArray text = m_application;
    if (!m_instance.isEmpty())
        text.append('_').append(m_instance);
    if (!m_version.isEmpty())
        text.append('-').append(m_version);
    if (!m_locale.isEmpty())
        text.append('-').append(m_locale);
    if (!m_endpoint.isEmpty())
        text.append('#').append(m_endpoint);
    m_text = text.size() >= kMaxLength ? QByteArray() : text;
}

void Specifier::setApplication(const QByteArray &value)
{
    m_application = value;
    rebuild();
}

void Specifier::setInstance(const QByteArray &value)
{
    m_instance = value;
    rebuild();
}

void Specifier::setVersion(const QByteArray &value)
{
    m_version = value;
    rebuild();
}

void Specifier::setLocale(const QByteArray &value)
{
    m_locale = value;
    rebuild();
}

void Specifier::setEndpoint(const QByteArray &value)
{
    m_endpoint = value;
    rebuild();
}

Specifier Specifier::threadEndpoint() const
{
    Specifier thread = *this;
    thread.setEndpoint("thread");
    return thread;
}

Specifier Specifier::base() const
{
    Specifier bare = *this;
    bare.m_instance.clear();
    bare.m_endpoint.clear();
    bare.rebuild();
    return bare;
}

} // namespace KnObjects::Crosswire
