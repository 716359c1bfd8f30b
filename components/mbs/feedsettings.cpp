#include "components/mbs/feedsettings.h"

#include "platform/registry/ptsettings.h"

#include <QDir>
#include <QVariant>

QVariant FeedSettings::value(const QString &name)
{
    {
        PtSettingsCU user(QString::fromLatin1(keyPath));
        const QVariant value = user.value(name);
        if (value.isValid() && !value.toString().isEmpty())
            return value;
    }
    PtSettingsLM machine(QString::fromLatin1(keyPath));
    return machine.value(name);
}

QString FeedSettings::feedText()
{
    return value(QStringLiteral("ContentFeed")).toString().trimmed();
}

std::optional<QUrl> FeedSettings::parseFeed(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    if (text.startsWith(QLatin1Char('/'))) {
        QUrl url = QUrl::fromLocalFile(QDir::cleanPath(text) + QLatin1Char('/'));
        return url;
    }
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file")) {
        if (!url.isLocalFile() || !url.toLocalFile().startsWith(QLatin1Char('/')))
            return std::nullopt;
        return QUrl::fromLocalFile(QDir::cleanPath(url.toLocalFile()) + QLatin1Char('/'));
    }
    if ((scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty())
        return std::nullopt;
    // The root is a folder: relative item paths resolve below it, not beside it.
    if (!url.path().endsWith(QLatin1Char('/')))
        url.setPath(url.path() + QLatin1Char('/'));
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

std::optional<QUrl> FeedSettings::feedRoot()
{
    return parseFeed(feedText());
}

std::chrono::milliseconds FeedSettings::downloadTimeout()
{
    bool ok = false;
    const qint64 ms = value(QStringLiteral("DownloadTimeout")).toLongLong(&ok);
    return ok && ms > 0 ? std::chrono::milliseconds(ms) : defaultTimeout;
}

qint64 FeedSettings::downloadSizeLimit()
{
    bool ok = false;
    const qint64 bytes = value(QStringLiteral("DownloadSizeLimit")).toLongLong(&ok);
    return ok && bytes > 0 ? bytes : defaultSizeLimit;
}
