#include "components/efp/efpurlinterceptor.h"

#include "components/efp/efpstageplayer.h"

#include <QCoreApplication>
#include <QMimeDatabase>
#include <QThread>

EFPUrlInterceptor::EFPUrlInterceptor(EFPStagePlayer *player)
    : m_player(player)
{
}

QUrl EFPUrlInterceptor::intercept(const QUrl &url, DataType type)
{
    if (type != UrlString)
        return url;
    const QString scheme = url.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return url;
    // Hosts are asked on the GUI thread only: a loader thread waiting for the GUI thread could
    // deadlock with a GUI thread that waits for the loader.
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        return url;
    const auto known = m_answers.constFind(url);
    if (known != m_answers.cend())
        return *known;
    const std::optional<QByteArray> data = m_player->requestUrl(url);
    QUrl answer = url;
    if (data) {
        const QString mime = QMimeDatabase().mimeTypeForFileNameAndData(url.path(), *data).name();
        answer = QUrl(QLatin1String("data:") + mime + QLatin1String(";base64,") +
                      QString::fromLatin1(data->toBase64()));
    }
    m_answers.insert(url, answer);
    return answer;
}
