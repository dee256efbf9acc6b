#include "installed.h"

#include "fixtures.h"
#include "platform/system.h"

#include <QDeadlineTimer>
#include <QThread>

#include <csignal>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace testsupport {

InstalledQuorvel::InstalledQuorvel()
{
    QFile::copy(QStringLiteral(QUORVEL_EXECUTABLE), dir_.filePath("quorvel"));
    // The program inherits this; the test itself is offscreen already.
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

InstalledQuorvel::~InstalledQuorvel()
{
    // A test that failed half-way must not leave a program running.
    if (pid_ > 0)
        stop(SIGKILL);
}

QString InstalledQuorvel::dataFolder() const
{
    return QDir(path()).filePath(platform::GetName());
}

bool InstalledQuorvel::start()
{
    QByteArray program = QFile::encodeName(dir_.filePath("quorvel"));
    char *argv[] = {program.data(), nullptr};
    // fork, not vfork or posix_spawn: a child that shares the test's memory
    // until it execs counts the test's peak memory as its own. A forked one
    // counts only what the test holds at this moment, so that is made small.
    ::malloc_trim(0);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::execve(program.constData(), argv, environ);
        ::_exit(127);
    }
    const QByteArray pid = QByteArray::number(pid_) + '\n';
    for (QDeadlineTimer deadline(60000); !fileBytes(lockFile()).startsWith(pid);
         QThread::msleep(5)) {
        if (pid_ < 0 || deadline.hasExpired() || ended())
            return false;
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

void InstalledQuorvel::signal(int signalNumber) const
{
    if (pid_ > 0)
        ::kill(pid_, signalNumber);
}

ProgramExit InstalledQuorvel::wait(int timeoutMs)
{
    ProgramExit result;
    int status = 0;
    rusage usage{};
    for (QDeadlineTimer deadline(timeoutMs);; QThread::msleep(2)) {
        const pid_t done = ::wait4(pid_, &status, WNOHANG, &usage);
        if (done == pid_)
            break;
        if (done < 0 || deadline.hasExpired())
            return result;
    }
    pid_ = -1;
    return {true, WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            WIFSIGNALED(status) ? WTERMSIG(status) : 0, usage.ru_maxrss};
}

ProgramExit InstalledQuorvel::stop(int signalNumber, int timeoutMs)
{
    signal(signalNumber);
    const ProgramExit result = wait(timeoutMs);
    if (!result.finished) {
        signal(SIGKILL);
        wait();
    }
    return result;
}

} // namespace testsupport
