#include "mediainfo/byte_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/support/unicode.h"

namespace capspect {

EFOpenError::EFOpenError(const std::string& fileName, const std::string& reason)
    : Exception(Utf8ToUtf16("Cannot open file \"" + fileName + "\". " + reason)),
      fileName_(fileName),
      reason_(reason) {}

MemoryByteStream::MemoryByteStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

std::size_t MemoryByteStream::Read(std::span<std::uint8_t> buffer) {
    if (position_ >= bytes_.size()) {
        return 0;
    }
    const auto available = static_cast<std::size_t>(bytes_.size() - position_);
    const std::size_t count = std::min(buffer.size(), available);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), count, buffer.begin());
    position_ += count;
    return count;
}

FileByteStream::FileByteStream(const std::filesystem::path& path, std::size_t bufferSize)
    : buffer_(std::max<std::size_t>(bufferSize, 1)) {
    // Opened read-only: the file is never written. POSIX has no share modes, so writers
    // elsewhere are not kept out.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw EFOpenError(path.string(), std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(fd_, &status) != 0 || S_ISDIR(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        ::close(fd_);
        throw EFOpenError(path.string(), std::strerror(error));
    }
    size_ = S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
}

FileByteStream::~FileByteStream() {
    ::close(fd_);
}

std::size_t FileByteStream::Read(std::span<std::uint8_t> buffer) {
    if (position_ >= size_) {
        return 0;
    }
    buffer = buffer.first(
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - position_)));
    std::size_t copied = 0;
    while (copied < buffer.size()) {
        const bool inBuffer =
            position_ >= bufferOffset_ && position_ < bufferOffset_ + bufferLength_;
        if (!inBuffer) {
            // Large requests bypass the buffer; small ones refill it.
            if (buffer.size() - copied >= buffer_.size()) {
                const std::size_t count = ReadFromFile(position_, buffer.subspan(copied));
                position_ += count;
                return copied + count;
            }
            if (!FillBuffer()) {
                break;
            }
        }
        const auto start = static_cast<std::size_t>(position_ - bufferOffset_);
        const std::size_t count = std::min(bufferLength_ - start, buffer.size() - copied);
        std::memcpy(buffer.data() + copied, buffer_.data() + start, count);
        copied += count;
        position_ += count;
    }
    return copied;
}

bool FileByteStream::FillBuffer() {
    bufferOffset_ = position_;
    bufferLength_ = ReadFromFile(position_, buffer_);
    return bufferLength_ > 0;
}

std::size_t FileByteStream::ReadFromFile(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    std::size_t total = 0;
    while (total < buffer.size()) {
        ++systemReads_;
        const ssize_t count = ::pread(fd_, buffer.data() + total, buffer.size() - total,
                                      static_cast<off_t>(offset + total));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;  // end of file, or a read error: both end the data here
        }
        total += static_cast<std::size_t>(count);
    }
    return total;
}

}  // namespace capspect
