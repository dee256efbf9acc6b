// Starts one program and reports its wall time and peak resident memory on
// standard output as "<milliseconds> <kilobytes> <exit status> <start>", the
// start being the moment before the program was started (CLOCK_MONOTONIC,
// nanoseconds).
//
// The benchmark holds its large test data in memory; a program it started
// directly would inherit that high-water mark in its own peak memory. This
// launcher holds no data, so the figure it reads is the program's own.
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s program [arguments...]\n", argv[0]);
        return 2;
    }
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid == 0) {
        // The program's own output would only slow it down here.
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    if (pid < 0)
        return 2;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return 2;
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double milliseconds =
        double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) / 1e6;
    const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%.3f %ld %d %lld\n", milliseconds, usage.ru_maxrss, exitStatus,
                static_cast<long long>(start.tv_sec) * 1000000000LL + start.tv_nsec);
    return 0;
}
