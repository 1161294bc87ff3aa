#include "fuzz/fuzz_check.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace capspect::fuzz {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

MemoryFile::MemoryFile() : fd_(::memfd_create("capspect-fuzz-input", MFD_CLOEXEC)) {
    Check(fd_ >= 0, "memfd_create");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
    ::close(fd_);
}

void MemoryFile::Write(std::span<const std::uint8_t> bytes) {
    Check(::ftruncate(fd_, 0) == 0, "ftruncate");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        Check(written > 0, "pwrite");
        done += static_cast<std::size_t>(written);
    }
}

}  // namespace capspect::fuzz
