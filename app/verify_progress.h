// The progress line of a long verify run on a terminal: the format tried, how long the
// run has taken and about how long the rest will take, rewritten in place on stderr.
#pragma once

#include <chrono>
#include <string>
#include "app/output_stream.h"

#include "app/verify_run.h"

namespace capspect {

class ProgressLine {
public:
    explicit ProgressLine(OutputStream& err);
    // Clears the line, so that what follows starts on an empty line.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(const VerifyProgress& progress);

private:
    void Write(const std::string& text);

    OutputStream& err_;
    const std::chrono::steady_clock::time_point start_;
    std::size_t shown_ = 0;  // the length of the line on screen
};

// "4 s", "2 min 05 s", "1 h 03 min".
std::string DurationText(std::chrono::seconds duration);

// The progress line's text: "verify: format 3 of 12: 640x480 YUY2 30.00fps, 4 s elapsed,
// about 12 s left". The estimate is the mean time per format so far times the formats left.
std::string ProgressText(const VerifyProgress& progress, std::chrono::seconds elapsed);

}  // namespace capspect
