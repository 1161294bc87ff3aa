#include "platform/support/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace capspect {

std::variant<ReadOnlyFile, std::string> ReadOnlyFile::Open(const std::filesystem::path& path) {
    // POSIX has no share modes, so writers elsewhere are not kept out.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::string(std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        ::close(fd);
        return std::string(std::strerror(error));
    }
    const std::uint64_t size =
        S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
    return ReadOnlyFile(fd, size);
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
