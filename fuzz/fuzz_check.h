// What the fuzz targets share: a check that stops the run with a message, so that a broken
// property is reported (and its input kept) like a crash, and a file held in memory for
// code that only reads files by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace capspect::fuzz {

// Stops the process with `what` on stderr when `condition` is false.
void Check(bool condition, const char* what);

// An anonymous file in memory (memfd) that the process can open by name through
// /proc/self/fd, rewritten for every input; no file-system directory is touched.
class MemoryFile {
public:
    MemoryFile();
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the contents with `bytes`.
    void Write(std::span<const std::uint8_t> bytes);
    // A name that opens the file.
    const std::string& Path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

}  // namespace capspect::fuzz
