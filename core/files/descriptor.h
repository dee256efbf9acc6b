#pragma once

#include <QtGlobal>

#include <utility>

#include <unistd.h>

namespace core {

// A file descriptor, closed when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Q_DISABLE_COPY_MOVE(Descriptor)
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes it now, reporting whether everything written got through.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

} // namespace core
