// Preloaded into the real program, it stands in for another program that writes the
// directory file just as the program puts its new version in place: the first renameat2
// onto a file named quorvel.dat first writes QUORVEL_RACE_CONTENT into that file.

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

extern "C" int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags)
{
    static bool written = false;
    const char *content = std::getenv("QUORVEL_RACE_CONTENT");
    const char *slash = std::strrchr(to, '/');
    if (!written && content && std::strcmp(slash ? slash + 1 : to, "quorvel.dat") == 0) {
        written = true;
        const int fd = ::openat(toDir, to, O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd >= 0 && ::write(fd, content, std::strlen(content)) >= 0)
            ::close(fd);
    }
    using Real = int (*)(int, const char *, int, const char *, unsigned);
    return reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "renameat2"))(fromDir, from, toDir, to, flags);
}
