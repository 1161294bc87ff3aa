// A file opened for reading at any offset, closed when it goes: POSIX open and pread on
// Linux, CreateFileW and ReadFile on the UTF-16 path on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace capspect {

class ReadOnlyFile {
public:
    // Opens `path` for reading, sharing it with writers elsewhere; answers the platform's
    // reason as text when the file cannot be opened or the path names a directory.
    static std::variant<ReadOnlyFile, std::string> Open(const std::filesystem::path& path);

    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ~ReadOnlyFile();

    // The size of a regular file; 0 for other kinds (pipes, devices), whose size is unknown.
    std::uint64_t Size() const { return size_; }

    // One read of the platform at `offset`: the number of bytes read, 0 at the end of the
    // file, nothing when the read failed. A read interrupted by a signal is repeated.
    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const;

private:
#ifdef _WIN32
    using Handle = void*;
    static constexpr Handle kNoHandle = nullptr;
#else
    using Handle = int;
    static constexpr Handle kNoHandle = -1;
#endif
    ReadOnlyFile(Handle handle, std::uint64_t size) : handle_(handle), size_(size) {}
    void Close();

    Handle handle_ = kNoHandle;
    std::uint64_t size_ = 0;
};

// A path from a name given as UTF-8, as command-line arguments and our UTF-16 names turned
// to UTF-8 are: on Windows a char name would be read in the ANSI code page; on Linux the
// bytes are the name as they stand, UTF-8 or not.
inline std::filesystem::path PathFromUtf8(std::string_view name) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
#else
    return std::filesystem::path(name);
#endif
}

// A path as UTF-8 text for messages. On Linux the bytes of the name as they are.
std::string PathText(const std::filesystem::path& path);

}  // namespace capspect
