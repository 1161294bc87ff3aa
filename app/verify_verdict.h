// What a streaming trial of one format amounts to: its outcome and the figures `capspect
// verify` prints for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devices/format_trial.h"

namespace capspect {

enum class VerifyOutcome { Ok, Refused, Changed, NoFrames, Slow, Failed };
inline constexpr int kVerifyOutcomeCount = 6;

// "ok", "refused", "changed", "no frames", "slow", "failed".
std::string_view OutcomeName(VerifyOutcome outcome);

// A format is slow below this share of its advertised rate.
inline constexpr double kSlowRateShare = 0.9;

struct FormatVerdict {
    std::string mediaType;  // the report's media-type line of the format
    VerifyOutcome outcome = VerifyOutcome::Ok;
    int frames = 0;
    std::optional<double> measuredRate;    // frames per second from the frame times
    std::optional<double> advertisedRate;  // the format's own rate
    std::optional<double> firstFrameMs;
    std::optional<DeliveredFormat> delivered;  // when the device chose another frame
    // The refusal or failure; for a device that fell silent after some frames, the wait.
    std::optional<FailedCall> problem;
    REFERENCE_TIME frameTimeout = 0;  // what "no frames" waited
    // The device clock's frame times, from the first frame.
    std::vector<REFERENCE_TIME> frameTimes;
};

// How long to wait for a frame: `timeout`, or three frame periods at the capability's
// slowest rate (its longest interval, else the format's own), whichever is longer.
REFERENCE_TIME FrameTimeout(REFERENCE_TIME timeout, const VIDEO_STREAM_CONFIG_CAPS& caps,
                            const AM_MEDIA_TYPE& format);

// The frames per second over the frame times: frames after the first by the time they
// took. Nothing for fewer than two frames or frames that carry no time.
std::optional<double> MeasuredRate(const TrialResult& trial);

// Judges a trial of a format with the given media-type line and advertised rate. Worst
// first: refused, failed (a device that fell silent after delivering frames counts as
// failed), no frames, changed, slow, ok.
FormatVerdict JudgeTrial(const TrialResult& trial, std::string mediaType,
                         std::optional<double> advertisedRate, REFERENCE_TIME frameTimeout);

}  // namespace capspect
