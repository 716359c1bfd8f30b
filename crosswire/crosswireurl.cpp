#include "crosswire/crosswireurl.h"

#include "crosswire/specifier.h"

#include <QUrl>
#include <QUrlQuery>

namespace KnObjects {

namespace {

std::optional<CrosswireUrl> refuse(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return std::nullopt;
}

} // namespace

bool CrosswireUrl::isSpecifierText(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                        (u >= '0' && u <= '9') || u == '-' || u == '_' || u == '.';
        if (!ok)
            return false;
    }
    return true;
}

std::optional<CrosswireUrl> CrosswireUrl::split(const QString &url, QString *error)
{
    if (url.size() > kMaxLength)
        return refuse(error, QStringLiteral("address too long"));
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return refuse(error, QStringLiteral("not a valid address: ") + parsed.errorString());
    if (parsed.scheme().compare(kScheme, Qt::CaseInsensitive) != 0)
        return refuse(error, QStringLiteral("not a tessaly-crosswire address"));
    if (!parsed.userInfo().isEmpty() || parsed.port() != -1)
        return refuse(error, QStringLiteral("an address names no user or port"));

    QStringList parts;
    if (!parsed.host().isEmpty())
        parts.append(parsed.host(QUrl::FullyDecoded));
    const QStringList pathParts = parsed.path(QUrl::FullyDecoded).split(QLatin1Char('/'));
    for (const QString &part : pathParts) {
        if (!part.isEmpty())
            parts.append(part);
    }
    if (parsed.hasFragment()) {
        if (parts.size() != 1)
            return refuse(error, QStringLiteral("two endpoint suffixes"));
        parts.append(parsed.fragment(QUrl::FullyDecoded));
    }
    if (parts.isEmpty())
        return refuse(error, QStringLiteral("no target"));
    if (parts.size() > 2)
        return refuse(error, QStringLiteral("too many path parts"));
    for (const QString &part : parts) {
        if (!isSpecifierText(part))
            return refuse(error, QStringLiteral("not a specifier: ") + part);
    }

    CrosswireUrl result;
    result.target = parts.join(QLatin1Char('#')).toUtf8();
    if (!Crosswire::Specifier(result.target).isValid())
        return refuse(error, QStringLiteral("target too long"));

    if (parsed.hasQuery()) {
        const QUrlQuery query(parsed);
        const auto items = query.queryItems(QUrl::FullyDecoded);
        if (items.size() > kMaxProperties)
            return refuse(error, QStringLiteral("too many query items"));
        for (const auto &item : items) {
            if (item.first.isEmpty())
                return refuse(error, QStringLiteral("query item without a name"));
            result.properties.append(item);
        }
    }
    return result;
}

} // namespace KnObjects
