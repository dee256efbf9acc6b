#pragma once

#include <QByteArray>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <functional>

namespace testsupport {

// An HTTP proxy on a free port of 127.0.0.1 that passes each request to a
// server (one connection to it per request) and can misbehave from a given
// request on. It runs in a thread of its own, so a test may wait for a
// program without an event loop. Requests are numbered from 1.
class FaultProxy
{
public:
    enum class Fault {
        None,
        InsufficientStorage, // every PUT from request n on answered 507, not passed on
        DropAnswer, // from request n on passed on, half the answer sent, the connection cut
        Stop,       // from request n on no answer: connections cut, no new ones
    };

    explicit FaultProxy(QUrl server);
    ~FaultProxy();
    Q_DISABLE_COPY_MOVE(FaultProxy)

    bool listening() const { return port_ != 0; }
    // The address through the proxy of a URL of the server.
    QUrl url(const QUrl &serverUrl) const;
    // Resets the count of requests too; a stopped proxy listens again.
    void setFault(Fault fault, int request = 1);
    int requests() const { return count_; }
    // Called in the proxy's thread with a request's number once the server
    // has answered it, before the answer is passed on.
    void setOnAnswered(std::function<void(int)> hook);

private:
    class Worker;
    QUrl server_;
    QThread thread_;
    Worker *worker_ = nullptr; // lives in thread_
    quint16 port_ = 0;
    std::atomic<int> count_{0};
    std::atomic<int> fault_{0};
    std::atomic<int> faultAt_{0};
    std::function<void(int)> onAnswered_;
};

} // namespace testsupport
