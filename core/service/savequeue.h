#pragma once

#include "core/service/directoryservice.h"

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

class QThread;

namespace core {

// Saves the directory on a thread of its own, so that the window that
// changes it stays responsive: each request holds a snapshot of the entries
// and is saved by the function given, one at a time. Requests made while a
// save runs wait as one: the newest snapshot is saved next (never an older
// one after it), and a change or a sync end of a request it replaced is
// carried into it. Each save ended is told on the thread that made the
// queue, in order.
class SaveQueue final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SaveQueue)

public:
    using Request = DirectoryService::SaveRequest;
    using Done = DirectoryService::SaveDone;
    using Save = std::function<Done(const Request &)>;
    explicit SaveQueue(Save save, QObject *parent = nullptr);
    // Waits for the save that runs and the one that waits, untold.
    ~SaveQueue() override;

    // Saves the request after the one that runs, if any. tag is the
    // caller's, given back with the save that covered it.
    void save(Request request, quint64 tag = 0);
    // A save runs, or is about to.
    bool busy() const { return running_; }
    // Returns once every save requested (also those requested while it
    // waits) has ended and been told.
    void wait();

signals:
    void saved(const core::DirectoryService::SaveDone &done, quint64 tag);

private:
    struct Job
    {
        Request request;
        quint64 tag = 0;
    };
    void start(Job job);
    void work();
    // Tells the save that ended, after starting the one that waits.
    void deliver();

    Save save_;
    QThread *thread_;
    bool running_ = false;
    std::optional<Job> waiting_;
    quint64 runningTag_ = 0;
    // Shared with the worker.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable ended_;
    std::optional<Request> job_;
    std::optional<Done> done_;
    bool quit_ = false;
};

} // namespace core
