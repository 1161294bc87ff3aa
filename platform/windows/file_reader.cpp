#include "platform/support/file_reader.h"

#include <limits>
#include <utility>

#include <windows.h>

#include "platform/support/unicode.h"
#include "platform/windows/system_error.h"

namespace capspect {

std::variant<ReadOnlyFile, std::string> ReadOnlyFile::Open(const std::filesystem::path& path) {
    // Shared for reading and writing, as a player that reads a file being recorded needs.
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return SystemErrorText(GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        const DWORD error = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                ? ERROR_DIRECTORY
                                : GetLastError();
        CloseHandle(handle);
        return SystemErrorText(error);
    }
    std::uint64_t size = 0;
    if (GetFileType(handle) == FILE_TYPE_DISK) {
        size = (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
    }
    return ReadOnlyFile(handle, size);
}

std::optional<std::size_t> ReadOnlyFile::ReadAt(std::uint64_t offset,
                                                std::span<std::uint8_t> buffer) const {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const auto wanted =
        static_cast<DWORD>(std::min<std::size_t>(buffer.size(), std::numeric_limits<DWORD>::max()));
    DWORD count = 0;
    if (!ReadFile(handle_, buffer.data(), wanted, &count, &position)) {
        if (GetLastError() == ERROR_HANDLE_EOF) {
            return 0;
        }
        return std::nullopt;
    }
    return count;
}

void ReadOnlyFile::Close() {
    if (handle_ != kNoHandle) {
        CloseHandle(std::exchange(handle_, kNoHandle));
    }
}

std::string PathText(const std::filesystem::path& path) {
    return Utf16ToUtf8(path.u16string());
}

}  // namespace capspect
