#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <QWaitCondition>

#include <chrono>
#include <memory>

class FeedHttpServerWorker;

// A small HTTP/1.1 server on 127.0.0.1 for download tests, running on its own thread so a test
// may block while the code under test talks to it. Answers GET requests with the response set
// for the path (404 otherwise), one request per connection, and records every requested path.
// It stops when destroyed.
class FeedHttpServer
{
public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        // Content-Length announced; -1: the body's size. Announcing more than is sent makes a
        // short body.
        qint64 announcedLength = -1;
        // Accept the request and never answer (a stalled server).
        bool stall = false;
    };

    FeedHttpServer();
    ~FeedHttpServer();
    FeedHttpServer(const FeedHttpServer &) = delete;
    FeedHttpServer &operator=(const FeedHttpServer &) = delete;

    bool isListening() const { return m_port != 0; }
    // http://127.0.0.1:<port>/<path>
    QUrl url(const QString &path = QString()) const;

    void setResponse(const QString &path, const Response &response);
    void setBody(const QString &path, const QByteArray &body) { setResponse(path, {200, body}); }

    // Paths requested so far, in order ("/feed/index.json").
    QStringList requests() const;
    // Waits until path has been requested, at most timeout.
    bool waitForRequest(const QString &path, std::chrono::milliseconds timeout) const;

private:
    friend class FeedHttpServerWorker;
    Response responseFor(const QString &path) const;
    void record(const QString &path);

    mutable QMutex m_lock;
    mutable QWaitCondition m_requested;
    QHash<QString, Response> m_responses;
    QStringList m_requests;
    QThread m_thread;
    FeedHttpServerWorker *m_worker = nullptr; // lives on m_thread
    quint16 m_port = 0;
};
