#include "idlewatch.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <ctime>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {

// No delivery for this long with the loop waiting: idle.
constexpr std::int64_t kQuietNs = 25'000'000;
// After a file was put in place, nothing more in the folder for this long:
// the write has ended.
constexpr std::int64_t kWriteQuietNs = 100'000'000;

} // namespace

IdleWatch::IdleWatch(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
    connect(QAbstractEventDispatcher::instance(thread()), &QAbstractEventDispatcher::aboutToBlock,
            this, &IdleWatch::aboutToBlock);
    thread_ = std::thread([this] { watch(); });
}

IdleWatch::~IdleWatch()
{
    stop_ = true;
    thread_.join();
#ifdef __linux__
    if (inotify_ >= 0)
        ::close(inotify_);
#endif
}

std::int64_t IdleWatch::now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void IdleWatch::watchFolder(const QString &path)
{
#ifdef __linux__
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd >= 0 && inotify_add_watch(fd, QFile::encodeName(path).constData(),
                                     IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM |
                                         IN_DELETE) >= 0)
        inotify_ = fd;
    else if (fd >= 0)
        ::close(fd);
#else
    Q_UNUSED(path);
#endif
}

void IdleWatch::arm(std::int64_t since, std::function<bool()> visible, bool waitForWrite,
                    int timeoutMs, std::function<void(Outcome)> done)
{
    visible_ = std::move(visible);
    done_ = std::move(done);
    since_ = since;
    waitForWrite_ = waitForWrite && inotify_ >= 0;
    deadline_ = since + std::int64_t(timeoutMs) * 1'000'000;
    blocked_ = false;
    visibleAtBlock_ = false;
    ++activity_;
    armed_.store(true, std::memory_order_release);
}

bool IdleWatch::eventFilter(QObject *, QEvent *)
{
    // Something is being delivered: the loop is at work.
    blocked_.store(false, std::memory_order_relaxed);
    activity_.fetch_add(1, std::memory_order_relaxed);
    return false;
}

void IdleWatch::aboutToBlock()
{
    if (armed_.load(std::memory_order_acquire) && visible_)
        visibleAtBlock_ = visible_();
    blockedAt_ = now();
    activity_.fetch_add(1, std::memory_order_relaxed);
    blocked_.store(true, std::memory_order_release);
}

void IdleWatch::watch()
{
    std::uint64_t seen = 0;
    std::int64_t changed = now();
    std::int64_t idleAt = 0;
    std::int64_t placedAt = 0;  // a file put in place since the event
    std::int64_t lastWrite = 0; // anything in the folder since the event
    while (!stop_) {
        // Fine-grained while a step is timed, coarse in between.
        const timespec pause{0, armed_.load(std::memory_order_relaxed) ? 500'000 : 5'000'000};
        nanosleep(&pause, nullptr);
        const std::int64_t t = now();
#ifdef __linux__
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; inotify_ >= 0 && (n = ::read(inotify_, buffer, sizeof buffer)) > 0;) {
            for (char *p = buffer; p < buffer + n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(p);
                lastWrite = t;
                if (event->mask & IN_MOVED_TO)
                    placedAt = t;
                p += sizeof(inotify_event) + event->len;
            }
        }
#endif
        if (!armed_.load(std::memory_order_acquire)) {
            idleAt = 0;
            continue;
        }
        const std::int64_t since = since_;
        if (placedAt < since)
            placedAt = 0;
        if (lastWrite < since)
            lastWrite = 0;
        const std::uint64_t activity = activity_.load(std::memory_order_relaxed);
        if (activity != seen) {
            seen = activity;
            changed = t;
        }
        if (!idleAt && blocked_.load(std::memory_order_acquire) && visibleAtBlock_ &&
            t - changed >= kQuietNs)
            idleAt = blockedAt_;
        const bool written = !waitForWrite_ || (placedAt && t - lastWrite >= kWriteQuietNs);
        const bool late = t > deadline_;
        if ((idleAt && written) || late) {
            Outcome outcome{idleAt != 0 && written, idleAt, placedAt ? lastWrite : 0};
            armed_ = false;
            idleAt = 0;
            QMetaObject::invokeMethod(
                this, [this, outcome] { done_(outcome); }, Qt::QueuedConnection);
        }
    }
}
