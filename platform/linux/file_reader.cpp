#include "platform/support/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/linux/unique_fd.h"

namespace capspect {

std::variant<ReadOnlyFile, std::string> ReadOnlyFile::Open(const std::filesystem::path& path) {
    // POSIX has no share modes, so writers elsewhere are not kept out.
    OpenedFd opened = OpenFd(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (!opened) {
        return std::string(std::strerror(opened.error));
    }
    struct stat status {};
    if (::fstat(opened.fd.Get(), &status) != 0 || S_ISDIR(status.st_mode)) {
        return std::string(std::strerror(S_ISDIR(status.st_mode) ? EISDIR : errno));
    }
    const std::uint64_t size =
        S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
    // The reader's handle is the platform's own kind (a descriptor here, a HANDLE on
    // Windows); it takes the descriptor over.
    return ReadOnlyFile(opened.fd.Release(), size);
}

std::optional<std::size_t> ReadOnlyFile::ReadAt(std::uint64_t offset,
                                                std::span<std::uint8_t> buffer) const {
    for (;;) {
        const ssize_t count =
            ::pread(handle_, buffer.data(), buffer.size(), static_cast<off_t>(offset));
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
}

void ReadOnlyFile::Close() {
    if (handle_ != kNoHandle) {
        ::close(std::exchange(handle_, kNoHandle));
    }
}

std::string PathText(const std::filesystem::path& path) {
    return path.string();
}

}  // namespace capspect
