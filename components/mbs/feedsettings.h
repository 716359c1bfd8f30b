#pragma once

#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

// The library's settings in the registry, key "Software\Tessaly\MBS" of the current user, else
// of the machine:
//
// - "ContentFeed" (text): the feed, a local folder ("/srv/feed", "file:///srv/feed") or an
//   http(s) address ("https://example.org/feed/"); none or an unusable one: no feed.
// - "DownloadTimeout" (integer, milliseconds): how long a download may go without progress.
// - "DownloadSizeLimit" (integer, bytes): the most one item may have in all.
//
// The client id lives under the current user only (see ClientId).
class FeedSettings
{
public:
    static constexpr const char *keyPath = "Software\\Tessaly\\MBS";
    static constexpr std::chrono::milliseconds defaultTimeout{30000};
    static constexpr qint64 defaultSizeLimit = 64 * 1024 * 1024;

    // The feed's root as a URL (a local folder as a file: URL), or nullopt.
    static std::optional<QUrl> feedRoot();
    // The text of "ContentFeed" as found (empty when none).
    static QString feedText();
    static std::chrono::milliseconds downloadTimeout();
    static qint64 downloadSizeLimit();

    // A feed text as a URL: http(s) with a host, file: or an absolute folder path; nullopt for
    // anything else.
    static std::optional<QUrl> parseFeed(const QString &text);

private:
    // The value of the user's key, else of the machine's.
    static QVariant value(const QString &name);
};
