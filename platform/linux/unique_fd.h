// File descriptors owned by one object at a time: closed when the owner goes, moved but
// never copied. Opening answers the descriptor or the errno of the failed call.
#pragma once

#include <sys/types.h>

#include <utility>

namespace capspect {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool IsValid() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(fd_, -1); }
    // Closes the descriptor held, if any, and takes `fd`.
    void Reset(int fd = -1);
    // Closes now; answers 0 or the errno of close, which can report a failed write.
    int Close();

private:
    int fd_ = -1;
};

// A descriptor, or the errno of the call that could not make one.
struct OpenedFd {
    UniqueFd fd;
    int error = 0;

    explicit operator bool() const { return fd.IsValid(); }
};

// open(2), repeated while a signal interrupts it.
OpenedFd OpenFd(const char* path, int flags, mode_t mode = 0);

}  // namespace capspect
