#include "components/mbs/downloadcanceller.h"

#include <QMetaObject>
#include <QNetworkReply>

void DownloadCanceller::cancel()
{
    QMutexLocker locker(&m_lock);
    m_generation.fetch_add(1, std::memory_order_acq_rel);
    // A reply lives on the thread that runs its download: the abort is posted to that thread.
    for (QNetworkReply *reply : std::as_const(m_replies))
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
}

void DownloadCanceller::registerReply(QNetworkReply *reply)
{
    QMutexLocker locker(&m_lock);
    m_replies.insert(reply);
}

void DownloadCanceller::unregisterReply(QNetworkReply *reply)
{
    QMutexLocker locker(&m_lock);
    m_replies.remove(reply);
}
