#pragma once

#include <QObject>
#include <QTcpServer>

class FeedHttpServer;
class QTcpSocket;

// The server's socket side, living on the server's thread.
class FeedHttpServerWorker : public QObject
{
    Q_OBJECT
public:
    explicit FeedHttpServerWorker(FeedHttpServer *server);

    quint16 listen();

private:
    void accept();
    void serve(QTcpSocket *socket);

    FeedHttpServer *m_server;
    QTcpServer m_tcp;
};
