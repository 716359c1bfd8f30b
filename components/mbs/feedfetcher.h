#pragma once

#include <QByteArrayView>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>

class DownloadCanceller;

// Reads one resource of a feed, a local file or an http(s) address, on the calling thread and
// hands its bytes to a sink as they arrive. Bounded in size (more than maximumSize bytes fail
// the fetch as soon as they are announced or arrive) and in time (timeout without progress).
class FeedFetcher
{
public:
    // Returns false to stop the fetch (it then fails with the sink's reason).
    using Sink = std::function<bool(QByteArrayView bytes, QString *why)>;

    struct Result
    {
        bool ok = false;
        QString error;
        qint64 bytes = 0;
    };

    FeedFetcher(std::chrono::milliseconds timeout, DownloadCanceller *canceller);

    Result fetch(const QUrl &url, qint64 maximumSize, const Sink &sink) const;

private:
    Result fetchLocal(const QString &path, qint64 maximumSize, const Sink &sink,
                      uint64_t ticket) const;
    Result fetchRemote(const QUrl &url, qint64 maximumSize, const Sink &sink,
                       uint64_t ticket) const;

    std::chrono::milliseconds m_timeout;
    DownloadCanceller *m_canceller;
};
