#include "platform/linux/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <utility>

#include "platform/linux/unique_fd.h"

namespace capspect {
namespace {

// ENOENT means the file is missing only when its directory exists.
HRESULT MissingFileError(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (parent.empty() || std::filesystem::is_directory(parent, ignored)) {
        return STG_E_FILENOTFOUND;
    }
    return STG_E_PATHNOTFOUND;
}

HRESULT ErrorFor(const std::string& path, int error, HRESULT fallback) {
    return error == ENOENT ? MissingFileError(path) : StorageErrorFromErrno(error, fallback);
}

bool WriteAll(int fd, std::span<const BYTE> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// A new, exclusively created file in the directory of `path`.
OpenedFd CreateSiblingFile(const std::string& path, std::string& createdName) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        createdName = path + ".tmp-" + std::to_string(::getpid()) + "-" +
                      std::to_string(counter.fetch_add(1));
        OpenedFd created =
            OpenFd(createdName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (created || created.error != EEXIST) {
            return created;
        }
    }
    return {UniqueFd(), EEXIST};
}

}  // namespace

HRESULT StorageErrorFromErrno(int error, HRESULT fallback) {
    switch (error) {
        case ENOENT:
            return STG_E_FILENOTFOUND;
        case ENOTDIR:
            return STG_E_PATHNOTFOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return STG_E_ACCESSDENIED;
        case EROFS:
            return STG_E_DISKISWRITEPROTECTED;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return STG_E_MEDIUMFULL;
        case EMFILE:
        case ENFILE:
            return STG_E_TOOMANYOPENFILES;
        case ENAMETOOLONG:
        case ELOOP:
            return STG_E_INVALIDNAME;
        case ENOMEM:
            return STG_E_INSUFFICIENTMEMORY;
        case EBUSY:
        case ETXTBSY:
            return STG_E_SHAREVIOLATION;
        default:
            return fallback;
    }
}

HRESULT ReadFileBytes(const std::string& path, std::vector<BYTE>& bytes, std::size_t limit) {
    const OpenedFd opened = OpenFd(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (!opened) {
        return ErrorFor(path, opened.error, STG_E_READFAULT);
    }
    const UniqueFd& file = opened.fd;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) {
        return StorageErrorFromErrno(errno, STG_E_READFAULT);
    }
    if (!S_ISREG(status.st_mode)) {
        return STG_E_ACCESSDENIED;
    }
    std::vector<BYTE> contents;
    BYTE buffer[64 * 1024];
    while (contents.size() < limit) {
        const std::size_t wanted = std::min(sizeof buffer, limit - contents.size());
        const ssize_t got = ::read(file.Get(), buffer, wanted);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return StorageErrorFromErrno(errno, STG_E_READFAULT);
        }
        if (got == 0) {
            break;
        }
        contents.insert(contents.end(), buffer, buffer + got);
    }
    bytes = std::move(contents);
    return S_OK;
}

HRESULT ReplaceFileBytes(const std::string& path, std::span<const BYTE> bytes) {
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        return STG_E_ACCESSDENIED;
    }
    std::string temporary;
    OpenedFd created = CreateSiblingFile(path, temporary);
    if (!created) {
        return created.error == ENOENT ? STG_E_PATHNOTFOUND
                                       : StorageErrorFromErrno(created.error, STG_E_WRITEFAULT);
    }
    UniqueFd& file = created.fd;
    bool written = WriteAll(file.Get(), bytes) &&
                   (!exists || ::fchmod(file.Get(), existing.st_mode & 07777) == 0) &&
                   ::fsync(file.Get()) == 0;
    int error = errno;
    if (const int closeError = file.Close(); closeError != 0 && written) {
        written = false;
        error = closeError;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return StorageErrorFromErrno(error, STG_E_WRITEFAULT);
    }
    return S_OK;
}

}  // namespace capspect
