#include "platform/linux/unique_fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace capspect {

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0) {
        // A close interrupted by a signal has still released the descriptor on Linux, so
        // it is not repeated.
        ::close(fd_);
    }
    fd_ = fd;
}

int UniqueFd::Close() {
    return ::close(Release()) == 0 ? 0 : errno;
}

OpenedFd OpenFd(const char* path, int flags, mode_t mode) {
    for (;;) {
        const int fd = ::open(path, flags, mode);
        if (fd >= 0) {
            return {UniqueFd(fd), 0};
        }
        if (errno != EINTR) {
            return {UniqueFd(), errno};
        }
    }
}

}  // namespace capspect
