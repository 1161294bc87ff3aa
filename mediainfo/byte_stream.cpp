#include "mediainfo/byte_stream.h"

#include <algorithm>
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

namespace {

ReadOnlyFile OpenForReading(const std::filesystem::path& path) {
    std::variant<ReadOnlyFile, std::string> opened = ReadOnlyFile::Open(path);
    if (auto* const reason = std::get_if<std::string>(&opened)) {
        throw EFOpenError(PathText(path), *reason);
    }
    return std::get<ReadOnlyFile>(std::move(opened));
}

}  // namespace

FileByteStream::FileByteStream(const std::filesystem::path& path, std::size_t bufferSize)
    : file_(OpenForReading(path)), buffer_(std::max<std::size_t>(bufferSize, 1)) {}

std::size_t FileByteStream::Read(std::span<std::uint8_t> buffer) {
    const std::uint64_t size = file_.Size();
    if (position_ >= size) {
        return 0;
    }
    buffer = buffer.first(
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - position_)));
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
        const std::optional<std::size_t> count =
            file_.ReadAt(offset + total, buffer.subspan(total));
        if (!count || *count == 0) {
            break;  // end of file, or a read error: both end the data here
        }
        total += *count;
    }
    return total;
}

}  // namespace capspect
