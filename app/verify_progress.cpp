#include "app/verify_progress.h"

#include <cstdio>

namespace capspect {

std::string DurationText(std::chrono::seconds duration) {
    const long long total = duration.count();
    char text[32];
    if (total < 60) {
        std::snprintf(text, sizeof text, "%lld s", total);
    } else if (total < 3600) {
        std::snprintf(text, sizeof text, "%lld min %02lld s", total / 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld h %02lld min", total / 3600, total % 3600 / 60);
    }
    return text;
}

std::string ProgressText(const VerifyProgress& progress, std::chrono::seconds elapsed) {
    std::string text = "verify: format " + std::to_string(progress.position) + " of " +
                       std::to_string(progress.count) + ": " + progress.mediaType + ", " +
                       DurationText(elapsed) + " elapsed";
    const int done = progress.position - 1;
    if (done > 0) {
        const auto left = elapsed * (progress.count - done) / done;
        text += ", about " + DurationText(left) + " left";
    }
    return text;
}

ProgressLine::ProgressLine(OutputStream& err)
    : err_(err), start_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() {
    if (shown_ > 0) {
        Write({});
    }
}

void ProgressLine::Show(const VerifyProgress& progress) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_);
    Write(ProgressText(progress, elapsed));
}

void ProgressLine::Write(const std::string& text) {
    // A carriage return and blanks over what is left of the longer line before.
    const std::size_t blanks = shown_ > text.size() ? shown_ - text.size() : 0;
    err_ << '\r' << text << std::string(blanks, ' ') << '\r';
    err_.Flush();
    shown_ = text.size();
}

}  // namespace capspect
