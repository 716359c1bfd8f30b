#include "components/mbs/feedfetcher.h"

#include "components/mbs/downloadcanceller.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace {

constexpr qint64 kChunkSize = 64 * 1024;
constexpr int kMaximumRedirects = 5;

} // namespace

FeedFetcher::FeedFetcher(std::chrono::milliseconds timeout, DownloadCanceller *canceller)
    : m_timeout(timeout)
    , m_canceller(canceller)
{
}

FeedFetcher::Result FeedFetcher::fetch(const QUrl &url, qint64 maximumSize, const Sink &sink) const
{
    const uint64_t ticket = m_canceller->ticket();
    if (url.isLocalFile())
        return fetchLocal(url.toLocalFile(), maximumSize, sink, ticket);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return fetchRemote(url, maximumSize, sink, ticket);
    return {false, QStringLiteral("unsupported address %1").arg(url.toDisplayString()), 0};
}

FeedFetcher::Result FeedFetcher::fetchLocal(const QString &path, qint64 maximumSize,
                                            const Sink &sink, uint64_t ticket) const
{
    Result result;
    const QFileInfo info(path);
    if (!info.isFile()) {
        result.error = QStringLiteral("%1 is no file").arg(path);
        return result;
    }
    if (info.size() > maximumSize) {
        result.error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maximumSize);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return result;
    }
    for (;;) {
        if (m_canceller->isCancelled(ticket)) {
            result.error = QStringLiteral("cancelled");
            return result;
        }
        const QByteArray chunk = file.read(kChunkSize);
        if (chunk.isEmpty())
            break;
        result.bytes += chunk.size();
        if (result.bytes > maximumSize) {
            result.error = QStringLiteral("%1 grew beyond %2 bytes").arg(path).arg(maximumSize);
            return result;
        }
        if (!sink(chunk, &result.error))
            return result;
    }
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return result;
    }
    result.ok = true;
    return result;
}

FeedFetcher::Result FeedFetcher::fetchRemote(const QUrl &url, qint64 maximumSize, const Sink &sink,
                                             uint64_t ticket) const
{
    Result result;
    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    // The transfer time-out restarts with every byte received: it bounds a stalled server, the
    // size limit bounds a slow one.
    request.setTransferTimeout(int(m_timeout.count()));
    request.setRawHeader("Accept-Encoding", "identity");

    std::unique_ptr<QNetworkReply> reply(network.get(request));
    m_canceller->registerReply(reply.get());
    QEventLoop loop;
    bool stopped = false;
    bool cancelled = false;
    auto stop = [&](const QString &why) {
        if (stopped)
            return;
        stopped = true;
        result.error = why;
        reply->abort();
    };
    auto drain = [&]() {
        while (!stopped && reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(kChunkSize);
            result.bytes += chunk.size();
            if (result.bytes > maximumSize) {
                stop(QStringLiteral("more than %1 bytes").arg(maximumSize));
                return;
            }
            QString why;
            if (!sink(chunk, &why))
                stop(why);
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&]() {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maximumSize)
            stop(QStringLiteral("%1 announces more than %2 bytes")
                     .arg(url.toDisplayString())
                     .arg(maximumSize));
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&]() {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status != 200) {
            stop(QStringLiteral("%1 answered %2").arg(url.toDisplayString()).arg(status));
            return;
        }
        drain();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // A cancel that came before the reply was registered is seen here.
    if (m_canceller->isCancelled(ticket))
        reply->abort();
    if (!reply->isFinished())
        loop.exec();
    m_canceller->unregisterReply(reply.get());
    cancelled = m_canceller->isCancelled(ticket);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!stopped && reply->error() == QNetworkReply::NoError && status == 200)
        drain();
    if (stopped)
        return result;
    if (cancelled) {
        result.error = QStringLiteral("cancelled");
        return result;
    }
    if (reply->error() != QNetworkReply::NoError) {
        result.error = QStringLiteral("%1: %2").arg(url.toDisplayString(), reply->errorString());
        return result;
    }
    if (status != 200) {
        result.error = QStringLiteral("%1 answered %2").arg(url.toDisplayString()).arg(status);
        return result;
    }
    if (stopped)
        return result;
    result.ok = true;
    return result;
}
