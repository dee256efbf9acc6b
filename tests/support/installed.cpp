#include "installed.h"

#include "core/datalocation.h"
#include "fixtures.h"
#include "platform/system.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace testsupport {

InstalledQuorvel::InstalledQuorvel(const QString &executable) : user_(platform::GetName())
{
    exe_ = dir_.filePath(QStringLiteral("quorvel"));
    QFile::copy(executable, exe_);
    writeBytes(dir_.filePath(QLatin1String(core::kPortableMarkerName)), {});
    // The test's own environment, offscreen, with a home of its own.
    for (char **e = environ; *e; ++e)
        environment_.append(*e);
    setEnvironment("QT_QPA_PLATFORM", "offscreen");
    setEnvironment("HOME", QFile::encodeName(home()));
    setEnvironment("XDG_DATA_HOME", QFile::encodeName(home() + QStringLiteral("/data")));
}

void InstalledQuorvel::setEnvironment(const QByteArray &name, const QByteArray &value)
{
    environment_.removeIf([&](const QByteArray &e) { return e.startsWith(name + '='); });
    environment_.append(name + '=' + value);
}

ProgramOutput InstalledQuorvel::run(const QStringList &arguments, int timeoutMs) const
{
    QProcess process;
    QStringList environment;
    for (const QByteArray &e : environment_)
        environment.append(QString::fromLocal8Bit(e));
    process.setEnvironment(environment);
    process.start(exe_, arguments);
    ProgramOutput output;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return output;
    }
    output.out = process.readAllStandardOutput();
    output.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        output.exitCode = process.exitCode();
    return output;
}

InstalledQuorvel::~InstalledQuorvel()
{
    // A test that failed half-way must not leave a program running.
    if (running())
        stop(SIGKILL);
}

QString InstalledQuorvel::path() const
{
    return dir_.path();
}

QString InstalledQuorvel::dataFolder() const
{
    return QDir(path()).filePath(user_);
}

QString InstalledQuorvel::directoryFile() const
{
    return dataFolder() + QStringLiteral("/quorvel.dat");
}

QString InstalledQuorvel::lockFile() const
{
    return dataFolder() + QStringLiteral("/quorvel.lock");
}

QString InstalledQuorvel::keywordFile() const
{
    return QDir(path()).filePath(QStringLiteral("colorkeys.dat"));
}

bool InstalledQuorvel::launch()
{
    QList<QByteArray> env = environment_;
    std::vector<char *> envp;
    for (QByteArray &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    QByteArray program = QFile::encodeName(exe_);
    const QByteArray errorFile = QFile::encodeName(errorFile_);
    char *argv[] = {program.data(), nullptr};
    // fork, not vfork or posix_spawn: a child that shares the test's memory
    // until it execs counts the test's peak memory as its own. A forked one
    // counts only what the test holds at this moment, so that is made small.
    ::malloc_trim(0);
    pid_ = ::fork();
    if (pid_ == 0) {
        if (!errorFile.isEmpty()) {
            const int fd = ::open(errorFile.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd < 0 || ::dup2(fd, STDERR_FILENO) < 0)
                ::_exit(127);
        }
        ::execve(program.constData(), argv, envp.data());
        ::_exit(127);
    }
    return pid_ > 0;
}

bool InstalledQuorvel::start()
{
    if (!launch())
        return false;
    const QByteArray pid = QByteArray::number(pid_) + '\n';
    QDeadlineTimer deadline(60000);
    while (!fileBytes(lockFile()).startsWith(pid)) {
        if (deadline.hasExpired() || ended())
            return false;
        QThread::msleep(5);
    }
    return true;
}

bool InstalledQuorvel::ended() const
{
    // Looks without reaping, so that wait() still reads how it ended.
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           info.si_pid == pid_;
}

bool InstalledQuorvel::waitUntilHandlingSignals()
{
    // /proc/<pid>/status lists the caught signals as a hexadecimal mask.
    const QString status = QStringLiteral("/proc/%1/status").arg(pid_);
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && !ended()) {
        for (const QByteArray &line : fileBytes(status).split('\n')) {
            if (line.startsWith("SigCgt:") &&
                (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1)
                return true;
        }
        QThread::msleep(5);
    }
    return false;
}

void InstalledQuorvel::signal(int signalNumber) const
{
    if (pid_ > 0)
        ::kill(pid_, signalNumber);
}

ProgramExit InstalledQuorvel::wait(int timeoutMs)
{
    ProgramExit result;
    QDeadlineTimer deadline(timeoutMs);
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = ::wait4(pid_, &status, WNOHANG, &usage);
        if (done == pid_)
            break;
        if (done < 0 || deadline.hasExpired())
            return result;
        QThread::msleep(2);
    }
    pid_ = -1;
    result.finished = true;
    result.peakMemoryKiB = usage.ru_maxrss;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

ProgramExit InstalledQuorvel::stop(int signalNumber, int timeoutMs)
{
    signal(signalNumber);
    ProgramExit result = wait(timeoutMs);
    if (!result.finished) {
        signal(SIGKILL);
        wait();
    }
    return result;
}

QStringList InstalledQuorvel::files() const
{
    QStringList names;
    const QDir dir(path());
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QString &name : dir.entryList(all, QDir::Name)) {
        names.append(name);
        const QFileInfo info(dir.filePath(name));
        if (info.isDir() && !info.isSymLink()) {
            for (const QString &inner : QDir(dir.filePath(name)).entryList(all, QDir::Name))
                names.append(name + '/' + inner);
        }
    }
    return names;
}

} // namespace testsupport
