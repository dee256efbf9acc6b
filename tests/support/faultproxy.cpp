#include "tests/support/faultproxy.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace testsupport {

class FaultProxy::Worker : public QObject
{
public:
    explicit Worker(FaultProxy &proxy) : proxy_(proxy) {}

    quint16 listen(quint16 port = 0)
    {
        if (server_)
            return server_->serverPort();
        server_ = new QTcpServer(this);
        QObject::connect(server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *client = server_->nextPendingConnection()) {
                client->setParent(this);
                QObject::connect(client, &QTcpSocket::readyRead, this,
                                 [this, client] { serve(client); });
                QObject::connect(client, &QTcpSocket::disconnected, this, [this, client] {
                    buffers_.remove(client);
                    client->deleteLater();
                });
            }
        });
        return server_->listen(QHostAddress::LocalHost, port) ? server_->serverPort() : 0;
    }

    void stop()
    {
        delete server_;
        server_ = nullptr;
        for (QTcpSocket *client : findChildren<QTcpSocket *>())
            client->abort();
    }

private:
    // Takes one whole request from the client's bytes, when they hold one.
    static QByteArray takeRequest(QByteArray &buffer)
    {
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return {};
        qsizetype length = 0;
        for (const QByteArray &line : buffer.left(headEnd).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (buffer.size() < headEnd + 4 + length)
            return {};
        const QByteArray request = buffer.left(headEnd + 4 + length);
        buffer.remove(0, request.size());
        return request;
    }

    // The request as the server gets it: on a connection that closes after it.
    static QByteArray closing(const QByteArray &request)
    {
        const qsizetype headEnd = request.indexOf("\r\n\r\n");
        QByteArray head;
        for (const QByteArray &line : request.left(headEnd).split('\n')) {
            if (!line.toLower().startsWith("connection:"))
                head += line + '\n';
        }
        return head + "Connection: close\r\n" + request.mid(headEnd + 2);
    }

    QByteArray passOn(const QByteArray &request)
    {
        QTcpSocket server;
        server.connectToHost(QHostAddress::LocalHost, quint16(proxy_.server_.port()));
        if (!server.waitForConnected(30000))
            return {};
        server.write(closing(request));
        QByteArray answer;
        while (server.state() == QAbstractSocket::ConnectedState && server.waitForReadyRead(120000))
            answer += server.readAll();
        return answer + server.readAll();
    }

    void serve(QTcpSocket *client)
    {
        QByteArray &buffer = buffers_[client];
        buffer += client->readAll();
        for (QByteArray request = takeRequest(buffer); !request.isEmpty();
             request = takeRequest(buffer)) {
            const int number = ++proxy_.count_;
            const auto fault = Fault(proxy_.fault_.load());
            const bool due = number >= proxy_.faultAt_;
            if (fault == Fault::Stop && due) {
                stop();
                return;
            }
            QByteArray answer;
            if (fault == Fault::InsufficientStorage && due && request.startsWith("PUT ")) {
                answer = "HTTP/1.1 507 Insufficient Storage\r\nContent-Length: 0\r\n\r\n";
            } else {
                answer = passOn(request);
                if (proxy_.onAnswered_)
                    proxy_.onAnswered_(number);
            }
            QPointer<QTcpSocket> alive(client);
            if (fault == Fault::DropAnswer && due) {
                client->write(answer.left(answer.size() / 2));
                client->flush();
                client->waitForBytesWritten(10000);
                client->abort();
                return;
            }
            client->write(answer);
            if (!alive || answer.isEmpty())
                return;
        }
    }

    FaultProxy &proxy_;
    QTcpServer *server_ = nullptr;
    QHash<QTcpSocket *, QByteArray> buffers_;
};

FaultProxy::FaultProxy(QUrl server) : server_(std::move(server))
{
    worker_ = new Worker(*this);
    worker_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
    QMetaObject::invokeMethod(
        worker_, [this] { port_ = worker_->listen(); }, Qt::BlockingQueuedConnection);
}

FaultProxy::~FaultProxy()
{
    thread_.quit();
    thread_.wait();
}

QUrl FaultProxy::url(const QUrl &serverUrl) const
{
    QUrl url = serverUrl;
    url.setPort(port_);
    return url;
}

void FaultProxy::setFault(Fault fault, int request)
{
    QMetaObject::invokeMethod(
        worker_,
        [&] {
            if (Fault(fault_.load()) == Fault::Stop)
                worker_->listen(port_);
            count_ = 0;
            fault_ = int(fault);
            faultAt_ = request;
        },
        Qt::BlockingQueuedConnection);
}

void FaultProxy::setOnAnswered(std::function<void(int)> hook)
{
    QMetaObject::invokeMethod(
        worker_, [&] { onAnswered_ = std::move(hook); }, Qt::BlockingQueuedConnection);
}

} // namespace testsupport
