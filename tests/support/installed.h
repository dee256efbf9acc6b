#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

namespace testsupport {

// How a started program ended.
struct ProgramExit
{
    bool finished = false; // false: still running when the wait gave up
    int exitCode = -1;     // valid when it exited by itself
    int signal = 0;        // the signal that ended it, 0 when it exited
    // Peak resident memory; a bound, not the exact figure: it also counts
    // what the test process held when it started the program.
    long peakMemoryKiB = 0;
};

// The real quorvel executable, copied into a fresh application folder and
// started offscreen as a user would start it from a folder of their own. It
// is started and reaped here (not by QProcess), so that its peak memory can
// be read when it ends.
class InstalledQuorvel
{
public:
    explicit InstalledQuorvel(const QString &executable = QStringLiteral(QUORVEL_EXECUTABLE));
    ~InstalledQuorvel();
    InstalledQuorvel(const InstalledQuorvel &) = delete;
    InstalledQuorvel &operator=(const InstalledQuorvel &) = delete;

    QString path() const { return dir_.path(); }
    QString dataFolder() const;
    QString directoryFile() const { return dataFolder() + "/quorvel.dat"; }
    QString lockFile() const { return dataFolder() + "/quorvel.lock"; }
    QString keywordFile() const { return path() + "/colorkeys.dat"; }

    // Starts the program and waits until it holds its data folder (the lock
    // file names it); by then it handles the termination signals.
    bool start();
    // True when the started program has ended (it is not reaped here).
    bool ended() const;
    pid_t pid() const { return pid_; }
    void signal(int signalNumber) const;
    // Waits for the program to end, at most timeoutMs.
    ProgramExit wait(int timeoutMs = 60000);
    // Sends a signal and waits for the program to end (killing it if it does not).
    ProgramExit stop(int signalNumber, int timeoutMs = 60000);

private:
    QTemporaryDir dir_;
    QString exe_;
    pid_t pid_ = -1;
};

} // namespace testsupport
