#pragma once

#include <QDir>
#include <QList>
#include <QTemporaryDir>
#include <sys/types.h>

namespace testsupport {

// How a started program ended: finished (else still running when the wait
// gave up), its exit code or the signal that ended it, and its peak memory
// (a bound: it also counts what the test held when it started the program).
struct ProgramExit
{
    bool finished = false;
    int exitCode = -1;
    int signal = 0;
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
// so no run can reach the data of whoever runs the tests. It is started and
// reaped here, not by QProcess, so that its peak memory can be read when it
// ends.
class InstalledQuorvel
{
public:
    InstalledQuorvel();
    ~InstalledQuorvel();
    Q_DISABLE_COPY_MOVE(InstalledQuorvel)

    QString path() const { return dir_.path(); }
    QString dataFolder() const;
    QString directoryFile() const { return dataFolder() + "/quorvel.dat"; }
    QString lockFile() const { return dataFolder() + "/quorvel.lock"; }
    QString keywordFile() const { return path() + "/colorkeys.dat"; }
    QString home() const { return home_.path(); }

    // Sets a variable of the program's environment.
    void setEnvironment(const QByteArray &name, const QByteArray &value);
    // Sends what the started program writes to its standard error to a file.
    void setErrorFile(const QString &path) { errorFile_ = path; }
    // Runs another copy of the program with these arguments to its end, at
    // most timeoutMs, beside the one started here (if any).
    ProgramOutput run(const QStringList &arguments, int timeoutMs = 60000) const;

    // Starts the program and waits until it holds its data folder (the lock
    // file names it); by then it handles the termination signals.
    bool start();
    // True when the program has ended (it is not reaped here).
    bool ended() const;
    pid_t pid() const { return pid_; }
    void signal(int signalNumber) const;
    ProgramExit wait(int timeoutMs = 60000);
    // Sends a signal and waits for the end (killing the program if it does not come).
    ProgramExit stop(int signalNumber, int timeoutMs = 60000);

private:
    QTemporaryDir dir_;
    QTemporaryDir home_;
    QList<QByteArray> environment_;
    QString errorFile_;
    pid_t pid_ = -1;
};

} // namespace testsupport
