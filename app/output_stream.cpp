#include "app/output_stream.h"

#include <cerrno>

namespace capspect {

void FileOutput::Write(std::string_view text) {
    // The C library keeps the stream's error indicator, which Flush reports; the reason of
    // the first failure is kept here, as later calls may change errno.
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size() &&
        failure_ == 0) {
        failure_ = errno;
    }
}

bool FileOutput::Flush() {
    if (std::fflush(file_) != 0 && failure_ == 0) {
        failure_ = errno;
    }
    if (std::ferror(file_) == 0) {
        return true;
    }
    errno = failure_;
    return false;
}

}  // namespace capspect
