#include "tests/components/mbs/feedhttpserver.h"

#include "tests/components/mbs/feedhttpserverworker.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>

namespace {

// Requests larger than this are no request of the code under test.
constexpr qsizetype kMaximumRequestSize = 16 * 1024;

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

FeedHttpServerWorker::FeedHttpServerWorker(FeedHttpServer *server)
    : m_server(server)
    , m_tcp(this)
{
    connect(&m_tcp, &QTcpServer::newConnection, this, &FeedHttpServerWorker::accept);
}

quint16 FeedHttpServerWorker::listen()
{
    return m_tcp.listen(QHostAddress::LocalHost, 0) ? m_tcp.serverPort() : 0;
}

void FeedHttpServerWorker::accept()
{
    while (QTcpSocket *socket = m_tcp.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { serve(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FeedHttpServerWorker::serve(QTcpSocket *socket)
{
    if (socket->property("answered").toBool())
        return;
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    if (request.size() > kMaximumRequestSize) {
        socket->abort();
        return;
    }
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = words.size() >= 2 ? QString::fromLatin1(words[1]) : QString();
    m_server->record(path);
    const FeedHttpServer::Response response = m_server->responseFor(path);
    if (response.stall)
        return;
    const qint64 length =
        response.announcedLength >= 0 ? response.announcedLength : response.body.size();
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                        reason(response.status) +
                        "\r\nContent-Length: " + QByteArray::number(length) +
                        "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
    answer += response.body;
    socket->write(answer);
    socket->disconnectFromHost();
}

FeedHttpServer::FeedHttpServer()
{
    m_thread.setObjectName(QStringLiteral("FeedHttpServer"));
    m_thread.start();
    auto worker = std::make_unique<FeedHttpServerWorker>(this);
    worker->moveToThread(&m_thread);
    m_worker = worker.release();
    QMetaObject::invokeMethod(
        m_worker, [this]() { m_port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
}

FeedHttpServer::~FeedHttpServer()
{
    // The worker and its sockets go on their own thread, before that thread ends.
    QMetaObject::invokeMethod(
        m_worker, [this]() { delete m_worker; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QUrl FeedHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(path));
}

void FeedHttpServer::setResponse(const QString &path, const Response &response)
{
    QMutexLocker locker(&m_lock);
    m_responses.insert(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path,
                       response);
}

FeedHttpServer::Response FeedHttpServer::responseFor(const QString &path) const
{
    QMutexLocker locker(&m_lock);
    return m_responses.value(path, Response{404, QByteArrayLiteral("not found")});
}

void FeedHttpServer::record(const QString &path)
{
    QMutexLocker locker(&m_lock);
    m_requests.append(path);
    m_requested.wakeAll();
}

QStringList FeedHttpServer::requests() const
{
    QMutexLocker locker(&m_lock);
    return m_requests;
}

bool FeedHttpServer::waitForRequest(const QString &path, std::chrono::milliseconds timeout) const
{
    const QString wanted = path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
    const QDeadlineTimer deadline(timeout);
    QMutexLocker locker(&m_lock);
    while (!m_requests.contains(wanted)) {
        if (!m_requested.wait(&m_lock, deadline))
            return m_requests.contains(wanted);
    }
    return true;
}
