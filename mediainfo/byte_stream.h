// Seekable byte streams that media identification reads from: a buffered file stream and
// an in-memory stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "platform/support/file_reader.h"

namespace capspect {

// Raised when a file cannot be opened for reading. The message names the file and the
// reason; the file name is kept as the bytes it was opened by.
class EFOpenError : public Exception {
public:
    EFOpenError(const std::string& fileName, const std::string& reason);

    const std::string& FileName() const noexcept { return fileName_; }
    const std::string& Reason() const noexcept { return reason_; }

private:
    std::string fileName_;
    std::string reason_;
};

// A read-only stream of bytes with a position. The position may be moved past the end;
// reads there deliver nothing.
class ByteStream {
public:
    virtual ~ByteStream() = default;

    // Copies up to buffer.size() bytes from the position into `buffer`, advances the
    // position by the number copied and returns that number. Short only at the end of the
    // data (or when the medium fails to deliver more).
    virtual std::size_t Read(std::span<std::uint8_t> buffer) = 0;
    virtual void Seek(std::uint64_t position) = 0;
    virtual std::uint64_t Position() const = 0;
    virtual std::uint64_t Size() const = 0;

    bool AtEnd() const { return Position() >= Size(); }
};

// A stream over bytes held in memory.
class MemoryByteStream final : public ByteStream {
public:
    explicit MemoryByteStream(std::vector<std::uint8_t> bytes);

    std::size_t Read(std::span<std::uint8_t> buffer) override;
    void Seek(std::uint64_t position) override { position_ = position; }
    std::uint64_t Position() const override { return position_; }
    std::uint64_t Size() const override { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
};

// A stream over a file opened for reading. Reads go through a buffer, so reading a file a
// few bytes at a time costs one system call per buffer, not per read.
class FileByteStream final : public ByteStream {
public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;

    // Opens `path` for reading; raises EFOpenError when that fails or the path names a
    // directory.
    explicit FileByteStream(const std::filesystem::path& path,
                            std::size_t bufferSize = kDefaultBufferSize);

    std::size_t Read(std::span<std::uint8_t> buffer) override;
    void Seek(std::uint64_t position) override { position_ = position; }
    std::uint64_t Position() const override { return position_; }
    std::uint64_t Size() const override { return file_.Size(); }

    // How many times the file itself has been read so far.
    std::uint64_t SystemReadCount() const noexcept { return systemReads_; }

private:
    std::size_t ReadFromFile(std::uint64_t offset, std::span<std::uint8_t> buffer);
    bool FillBuffer();

    ReadOnlyFile file_;
    std::uint64_t position_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t bufferOffset_ = 0;  // file offset of buffer_[0]
    std::size_t bufferLength_ = 0;    // valid bytes in buffer_
    std::uint64_t systemReads_ = 0;
};

}  // namespace capspect
