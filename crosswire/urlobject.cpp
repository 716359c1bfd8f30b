#include "crosswire/urlobject.h"

#include "components/scriptruntime/kernova/livepropertymanager.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/scriptvalues.h"

namespace KnObjects {

using Kernova::LivePropertyManager;
using Kernova::Variant;

namespace {

Variant text(const QString &value)
{
    return Variant(Kernova::String(value));
}

} // namespace

URLObject::URLObject(const QString &url)
    : Kernova::LiveObject(Kernova::String("URL"))
{
    setUrl(url);
}

int URLObject::initialize()
{
    struct Member
    {
        const char *name;
        int id;
        const char *type;
    };
    static const Member members[] = {
        {"valid", kValid, "boolean"},        {"scheme", kScheme, "string"},
        {"host", kHost, "string"},           {"location", kLocation, "string"},
        {"parameter", kParameter, "string"}, {"query", kQuery, "string"},
        {"user", kUser, "string"},           {"port", kPort, "string"},
        {"path", kPath, "string"},           {"fragment", kFragment, "string"},
    };
    registerProperty(Kernova::String("url"), kUrl, LivePropertyManager::kReadWrite,
                     Kernova::String("string"));
    for (const Member &member : members)
        registerProperty(Kernova::String(member.name), member.id, LivePropertyManager::kReadOnly,
                         Kernova::String(member.type));
    return 0;
}

void URLObject::setUrl(const QString &url)
{
    m_text = url;
    m_url = url.size() <= kMaxParsedLength ? QUrl(url.trimmed(), QUrl::StrictMode) : QUrl();
}

bool URLObject::isValid() const
{
    return m_url.isValid() && !m_url.isRelative() && !m_url.scheme().isEmpty();
}

QString URLObject::scheme() const
{
    return isValid() ? m_url.scheme() : QString();
}

QString URLObject::host() const
{
    return isValid() ? m_url.host() : QString();
}

QString URLObject::user() const
{
    return isValid() ? m_url.userName() : QString();
}

QString URLObject::query() const
{
    return isValid() ? m_url.query() : QString();
}

QString URLObject::fragment() const
{
    return isValid() ? m_url.fragment(QUrl::FullyDecoded) : QString();
}

QString URLObject::port() const
{
    return !isValid() || m_url.port() < 0 ? QString() : QString::number(m_url.port());
}

QString URLObject::path() const
{
    if (!isValid())
        return {};
    const QString full = m_url.path(QUrl::FullyDecoded);
    const qsizetype semicolon = full.indexOf(QLatin1Char(';'));
    return semicolon < 0 ? full : full.left(semicolon);
}

QString URLObject::parameter() const
{
    if (!isValid())
        return {};
    const QString full = m_url.path(QUrl::FullyDecoded);
    const qsizetype semicolon = full.indexOf(QLatin1Char(';'));
    return semicolon < 0 ? QString() : full.mid(semicolon + 1);
}

QString URLObject::location() const
{
    if (!isValid())
        return {};
    const QString encoded = m_url.toString(QUrl::FullyEncoded);
    const qsizetype query = encoded.indexOf(QLatin1Char('?'));
    const qsizetype fragment = encoded.indexOf(QLatin1Char('#'));
    qsizetype start = query;
    if (start < 0 || (fragment >= 0 && fragment < start))
        start = fragment;
    return start < 0 ? QString() : encoded.mid(start);
}

int URLObject::get(int id, Variant &value)
{
    switch (id) {
    case kUrl:
        value = text(m_text);
        return 0;
    case kValid:
        value = Variant(isValid());
        return 0;
    case kScheme:
        value = text(scheme());
        return 0;
    case kHost:
        value = text(host());
        return 0;
    case kLocation:
        value = text(location());
        return 0;
    case kParameter:
        value = text(parameter());
        return 0;
    case kQuery:
        value = text(query());
        return 0;
    case kUser:
        value = text(user());
        return 0;
    case kPort:
        value = text(port());
        return 0;
    case kPath:
        value = text(path());
        return 0;
    case kFragment:
        value = text(fragment());
        return 0;
    default:
        return LiveObject::get(id, value);
    }
}

int URLObject::put(int id, const Variant &value)
{
    if (id == kUrl) {
        setUrl(ScriptValues::text(KnScript::Engine::getCurrent(), value));
        return 0;
    }
    return LiveObject::put(id, value);
}

} // namespace KnObjects
