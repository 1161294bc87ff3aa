#include "app/verify_verdict.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

namespace capspect {
namespace {

constexpr double kUnitsPerSecond = 10'000'000.0;

VerifyOutcome OutcomeOf(const TrialResult& trial, const FormatVerdict& verdict) {
    if (trial.refused) {
        return VerifyOutcome::Refused;
    }
    if (trial.failure || (trial.silent && !trial.frameTimes.empty())) {
        return VerifyOutcome::Failed;
    }
    if (trial.frameTimes.empty()) {
        return VerifyOutcome::NoFrames;
    }
    if (trial.changed) {
        return VerifyOutcome::Changed;
    }
    if (verdict.measuredRate && verdict.advertisedRate &&
        *verdict.measuredRate < kSlowRateShare * *verdict.advertisedRate) {
        return VerifyOutcome::Slow;
    }
    return VerifyOutcome::Ok;
}

// A device that delivered some frames and then none within the timeout.
FailedCall SilenceAfterFrames(std::size_t frames, REFERENCE_TIME frameTimeout) {
    return FailedCall{"wait for frame " + std::to_string(frames + 1), VFW_E_TIMEOUT,
                      "none within " + std::to_string(frameTimeout / 10'000) + " ms"};
}

}  // namespace

std::string_view OutcomeName(VerifyOutcome outcome) {
    static constexpr std::array<std::string_view, kVerifyOutcomeCount> kNames = {
        "ok", "refused", "changed", "no frames", "slow", "failed"};
    return kNames[static_cast<std::size_t>(outcome)];
}

REFERENCE_TIME FrameTimeout(REFERENCE_TIME timeout, const VIDEO_STREAM_CONFIG_CAPS& caps,
                            const AM_MEDIA_TYPE& format) {
    REFERENCE_TIME slowest = caps.MaxFrameInterval;
    if (slowest <= 0) {
        const std::optional<VideoFrame> frame = VideoFrameOf(format);
        slowest = frame ? frame->avgTimePerFrame : 0;
    }
    return std::max(timeout, 3 * std::max<REFERENCE_TIME>(slowest, 0));
}

std::optional<double> MeasuredRate(const TrialResult& trial) {
    const std::vector<REFERENCE_TIME>& times = trial.frameTimes;
    if (times.size() < 2 || times.back() <= times.front()) {
        return std::nullopt;
    }
    const double span = static_cast<double>(times.back() - times.front()) / kUnitsPerSecond;
    return static_cast<double>(times.size() - 1) / span;
}

FormatVerdict JudgeTrial(const TrialResult& trial, std::string mediaType,
                         std::optional<double> advertisedRate, REFERENCE_TIME frameTimeout) {
    FormatVerdict verdict;
    verdict.mediaType = std::move(mediaType);
    verdict.frames = static_cast<int>(trial.frameTimes.size());
    verdict.measuredRate = MeasuredRate(trial);
    verdict.advertisedRate = advertisedRate;
    if (trial.firstFrameDelay) {
        verdict.firstFrameMs = static_cast<double>(*trial.firstFrameDelay) / 10'000.0;
    }
    verdict.delivered = trial.changed;
    verdict.frameTimeout = frameTimeout;
    for (const REFERENCE_TIME time : trial.frameTimes) {
        verdict.frameTimes.push_back(time - trial.frameTimes.front());
    }
    if (trial.refused) {
        verdict.problem = trial.refused;
    } else if (trial.failure) {
        verdict.problem = trial.failure;
    } else if (trial.silent && !trial.frameTimes.empty()) {
        verdict.problem = SilenceAfterFrames(trial.frameTimes.size(), frameTimeout);
    }
    verdict.outcome = OutcomeOf(trial, verdict);
    return verdict;
}

}  // namespace capspect
