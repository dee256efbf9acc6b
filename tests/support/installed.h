#pragma once

#include <QDir>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>
#include <sys/types.h>

namespace testsupport {

// How it ended: finished (else the wait gave up), exit code or signal, and peak
// memory (which counts what the test held when it started the program).
struct ProgramExit
{
    bool finished = false;
    int exitCode = -1;
    int signal = 0;
    long peakMemoryKiB = 0;
};

struct ProgramOutput // what a program run to its end printed
{
    int exitCode = -1; // -1 when it crashed or did not end in time
    QByteArray out;
    QByteArray err;
};

// The real executable, copied into a fresh portable application folder and run
// offscreen with a temporary HOME and XDG_DATA_HOME, so it never reaches the
// tester's data. Started and reaped here, not by QProcess, to read its peak memory.
class InstalledQuorvel
{
public:
    InstalledQuorvel();
    ~InstalledQuorvel();
    Q_DISABLE_COPY_MOVE(InstalledQuorvel)

    QString path() const { return dir_.path(); }
    QString dataFolder() const;
    QString directoryFile() const { return dataFolder() + "/quorvel.dat"; }
    QString keywordFile() const { return path() + "/colorkeys.dat"; }
    QString home() const { return home_.path(); }

    void setEnvironment(const QByteArray &name, const QByteArray &value);
    void setErrorFile(const QString &path) { errorFile_ = path; }
    // Runs another copy to its end (at most timeoutMs), beside the started one,
    // with input on its standard input (then closed).
    ProgramOutput run(const QStringList &arguments, int timeoutMs = 60000,
                      const QByteArray &input = {}) const;
    // Starts another copy in process, with input on its standard input (then closed).
    void start(QProcess &process, const QStringList &arguments, const QByteArray &input) const;

    // Starts it and waits until it holds the lock on its data folder: it then
    // handles signals.
    bool start();
    bool holdsFolderLock() const;
    bool ended() const; // not reaped here
    pid_t pid() const { return pid_; }
    void signal(int signalNumber) const;
    ProgramExit wait(int timeoutMs = 60000);
    // Signals and waits for the end, killing the program if it does not come.
    ProgramExit stop(int signalNumber, int timeoutMs = 60000);

private:
    QTemporaryDir dir_;
    QTemporaryDir home_;
    QList<QByteArray> environment_;
    QString errorFile_;
    pid_t pid_ = -1;
};

} // namespace testsupport
