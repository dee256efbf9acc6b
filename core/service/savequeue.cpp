#include "core/service/savequeue.h"

#include <QThread>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace core {

SaveQueue::SaveQueue(Save save, QObject *parent)
    : QObject(parent), save_(std::move(save)), thread_(QThread::create([this] { work(); }))
{
    thread_->setParent(this);
    thread_->start();
}

SaveQueue::~SaveQueue()
{
    // Every save requested still reaches the file; none is told any more.
    blockSignals(true);
    wait();
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_->wait();
}

void SaveQueue::save(Request request, quint64 tag)
{
    if (!running_) {
        start({std::move(request), tag});
        return;
    }
    if (waiting_) {
        request.changed = request.changed || waiting_->request.changed;
        if (waiting_->request.endsSync && !request.endsSync) {
            request.endsSync = true;
            request.syncState = std::move(waiting_->request.syncState);
        }
    }
    waiting_ = Job{std::move(request), tag};
}

void SaveQueue::start(Job job)
{
    running_ = true;
    runningTag_ = job.tag;
    {
        const std::lock_guard lock(mutex_);
        job_ = std::move(job.request);
    }
    wake_.notify_one();
}

void SaveQueue::work()
{
#ifdef __linux__
    // A save gives way to the window's thread when both want the processor,
    // so what a person does while a large directory is written stays quick;
    // the window waits for the save only at close, when the save runs alone.
    (void)::setpriority(PRIO_PROCESS, id_t(::gettid()), 5);
#endif
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || job_; });
        if (quit_)
            return;
        std::optional<Request> request = std::exchange(job_, std::nullopt);
        lock.unlock();
        Done done = save_(*request);
        // The snapshot is let go here: entries the model no longer shares
        // are freed on this thread.
        request.reset();
        lock.lock();
        done_ = std::move(done);
        ended_.notify_all();
        QMetaObject::invokeMethod(this, &SaveQueue::deliver, Qt::QueuedConnection);
    }
}

void SaveQueue::deliver()
{
    std::optional<Done> done;
    {
        const std::lock_guard lock(mutex_);
        done = std::exchange(done_, std::nullopt);
    }
    if (!done)
        return; // told already, by wait()
    running_ = false;
    const quint64 tag = runningTag_;
    if (waiting_)
        start(std::move(*std::exchange(waiting_, std::nullopt)));
    emit saved(*done, tag);
}

void SaveQueue::wait()
{
    while (running_) {
        {
            std::unique_lock lock(mutex_);
            ended_.wait(lock, [this] { return done_.has_value(); });
        }
        deliver();
    }
}

} // namespace core
