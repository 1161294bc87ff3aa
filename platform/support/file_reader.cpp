#include "platform/support/file_reader.h"

#include <utility>

namespace capspect {

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)), size_(other.size_) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kNoHandle);
        size_ = other.size_;
    }
    return *this;
}

ReadOnlyFile::~ReadOnlyFile() {
    Close();
}

}  // namespace capspect
