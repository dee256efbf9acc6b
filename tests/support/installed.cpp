#include "installed.h"

#include "core/directory/datalocation.h"
#include "fixtures.h"
#include "platform/system/system.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace testsupport {

InstalledQuorvel::InstalledQuorvel()
{
    QFile::copy(QStringLiteral(QUORVEL_EXECUTABLE), dir_.filePath("quorvel"));
    writeBytes(dir_.filePath(QLatin1String(core::kPortableMarkerName)), {});
    for (char **e = environ; *e; ++e)
        environment_.append(*e);
    setEnvironment("QT_QPA_PLATFORM", "offscreen");
    // The design's English texts, whatever the tester's language.
    setEnvironment("LC_ALL", "C");
    setEnvironment("LANGUAGE", "");
    setEnvironment("HOME", QFile::encodeName(home()));
    setEnvironment("XDG_DATA_HOME", QFile::encodeName(home() + QStringLiteral("/data")));
}

void InstalledQuorvel::setEnvironment(const QByteArray &name, const QByteArray &value)
{
    environment_.removeIf([&](const QByteArray &e) { return e.startsWith(name + '='); });
    environment_.append(name + '=' + value);
}

ProgramOutput InstalledQuorvel::run(const QStringList &arguments, int timeoutMs,
                                    const QByteArray &input) const
{
    QProcess process;
    start(process, arguments, input);
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

void InstalledQuorvel::start(QProcess &process, const QStringList &arguments,
                             const QByteArray &input) const
{
    process.setEnvironment(QString::fromLocal8Bit(environment_.join('\0')).split(QChar(0)));
    process.start(dir_.filePath("quorvel"), arguments);
    process.write(input);
    process.closeWriteChannel();
}

InstalledQuorvel::~InstalledQuorvel()
{
    if (pid_ > 0) // a test that failed half-way leaves no program running
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
    QList<QByteArray> env = environment_;
    std::vector<char *> envp;
    for (QByteArray &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const QByteArray errorFile = QFile::encodeName(errorFile_);
    // fork, not vfork or posix_spawn, which count the test's peak memory as the
    // child's; a forked child counts what the test holds now, made small first.
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
    for (QDeadlineTimer deadline(60000); !holdsFolderLock(); QThread::msleep(5)) {
        if (pid_ < 0 || deadline.hasExpired() || ended())
            return false;
    }
    return true;
}

bool InstalledQuorvel::holdsFolderLock() const
{
    // Read from the system's list ("1: FLOCK ADVISORY WRITE <pid> <dev>:<inode> ..."),
    // never by taking the lock, which the program could then find taken.
    struct stat folder
    {
    };
    const QByteArray held = QByteArray::number(pid_) + ' ';
    for (const QByteArray &line : fileBytes("/proc/locks").split('\n'))
        if (line.contains(" FLOCK ") && line.contains(' ' + held) &&
            ::stat(QFile::encodeName(dataFolder()).constData(), &folder) == 0 &&
            line.contains(':' + QByteArray::number(quint64(folder.st_ino)) + ' '))
            return true;
    return false;
}

bool InstalledQuorvel::ended() const
{
    siginfo_t info{}; // looked at, not reaped: wait() reads how it ended
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
