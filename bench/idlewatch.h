#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

// Tells when the event loop of the thread that made it has gone idle after
// an input event: it is waiting for more events, nothing has been delivered
// for a quiet spell, and the change the event makes is visible (a predicate
// checked each time the loop is about to wait). The moment reported is when
// the loop last began to wait, so the quiet spell is not counted.
//
// When a folder is watched, it also tells when the files written there after
// the event were last touched (a save that may end after the window is idle).
//
// A thread of its own watches the clock, so the loop it watches sees no
// timers or events of the watch's.
class IdleWatch final : public QObject
{
public:
    explicit IdleWatch(QObject *parent = nullptr);
    ~IdleWatch() override;
    Q_DISABLE_COPY_MOVE(IdleWatch)

    // Monotonic nanoseconds.
    static std::int64_t now();

    // Files written in this folder are watched from now on (Linux only).
    void watchFolder(const QString &path);

    struct Outcome
    {
        bool ok = false;            // idle and visible before the time ran out
        std::int64_t idleNs = 0;    // when the loop last began to wait
        std::int64_t writtenNs = 0; // last file touched in the folder; 0: none
    };
    // Calls done on this object's thread once the loop is idle with visible()
    // true; with waitForWrite, also once the folder has been written since
    // `since` and then left alone. Gives up after timeoutMs.
    void arm(std::int64_t since, std::function<bool()> visible, bool waitForWrite, int timeoutMs,
             std::function<void(Outcome)> done);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch();
    void aboutToBlock();

    std::function<bool()> visible_;
    std::function<void(Outcome)> done_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> armed_{false};
    std::atomic<bool> blocked_{false};
    std::atomic<bool> visibleAtBlock_{false};
    std::atomic<std::uint64_t> activity_{0};
    std::atomic<std::int64_t> blockedAt_{0};
    std::atomic<std::int64_t> since_{0};
    std::atomic<std::int64_t> deadline_{0};
    std::atomic<bool> waitForWrite_{false};
    std::atomic<int> inotify_{-1};
};
