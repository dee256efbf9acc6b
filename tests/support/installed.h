#pragma once

#include <QList>
#include <QString>
#include <QStringList>
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
    // what the test process itself held when it started the program.
    long peakMemoryKiB = 0;
};

// What a program run to its end printed.
struct ProgramOutput
{
    int exitCode = -1; // -1 when it crashed or did not end in time
    QByteArray out;
    QByteArray err;
};

// The real quorvel executable, copied into a fresh application folder marked
// portable and started offscreen as a user would start it from a folder of
// their own. HOME and XDG_DATA_HOME point into a temporary folder of its own,
// so no run can reach the data of whoever runs the tests. The process is
// started and reaped here (not by QProcess), so that its peak memory can be
// read when it ends.
class InstalledQuorvel
{
public:
    explicit InstalledQuorvel(const QString &executable);
    ~InstalledQuorvel();
    InstalledQuorvel(const InstalledQuorvel &) = delete;
    InstalledQuorvel &operator=(const InstalledQuorvel &) = delete;

    QString path() const;
    QString user() const { return user_; }
    QString dataFolder() const;
    QString directoryFile() const;
    QString lockFile() const;
    QString keywordFile() const;
    // The temporary home folder the program is given.
    QString home() const { return home_.path(); }

    // Sets a variable of the program's environment.
    void setEnvironment(const QByteArray &name, const QByteArray &value);
    // Sends what the started program writes to its standard error to a file.
    void setErrorFile(const QString &path) { errorFile_ = path; }
    // Runs another copy of the program with these arguments to its end, at
    // most timeoutMs, beside the one started here (if any).
    ProgramOutput run(const QStringList &arguments, int timeoutMs = 60000) const;

    // Starts the program. Returns false when it could not be started.
    bool launch();
    // Starts the program and waits until it holds its data folder (the lock
    // file names it); by then it handles the termination signals.
    bool start();
    // Waits until the running program handles SIGTERM itself (it has set up
    // its signal handling), without waiting for anything else.
    bool waitUntilHandlingSignals();
    // True when the started program has ended (it is not reaped here).
    bool ended() const;
    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0; }

    void signal(int signalNumber) const;
    // Waits for the program to end, at most timeoutMs.
    ProgramExit wait(int timeoutMs = 60000);
    // Sends a signal and waits for the program to end.
    ProgramExit stop(int signalNumber, int timeoutMs = 60000);

    // Every file and folder below the application folder, one level of
    // folders deep, by name ("user/quorvel.dat").
    QStringList files() const;

private:
    QTemporaryDir dir_;
    QTemporaryDir home_;
    QList<QByteArray> environment_;
    QString errorFile_;
    QString exe_;
    QString user_;
    pid_t pid_ = -1;
};

} // namespace testsupport
