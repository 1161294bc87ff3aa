#include "platform/devices/sim_format_trials.h"

#include <algorithm>
#include <chrono>

#include <windows.h>

#include "platform/support/mediatypes.h"

namespace capspect::sim {
namespace {

using std::chrono::milliseconds;

// A format without a frame rate streams at 30 frames per second.
constexpr REFERENCE_TIME kDefaultInterval = 333'333;
// Waits are cut into slices so that a stop request is heard soon.
constexpr milliseconds kWaitSlice{20};

const StreamingDesc kPlainStreaming;

// The simulated stream's clock: 100 ns units since the stream started, on the platform's
// millisecond clock (which Linux tests drive).
class StreamClock {
public:
    StreamClock() : start_(timeGetTime()) {}

    // Waits until `time`; false when a stop request came first.
    bool WaitUntil(REFERENCE_TIME time, const std::function<bool()>& stopRequested) const {
        const milliseconds due = ToMilliseconds(time);
        for (;;) {
            if (stopRequested && stopRequested()) {
                return false;
            }
            // Unsigned, so that the clock's wrap after 49 days does not matter.
            const milliseconds elapsed{static_cast<DWORD>(timeGetTime() - start_)};
            if (elapsed >= due) {
                return true;
            }
            Sleep(static_cast<DWORD>(std::min(due - elapsed, kWaitSlice).count()));
        }
    }

private:
    const DWORD start_;
};

// The frame the device delivers when `asked` is set: what the catalog says it changes.
DeliveredFormat DeliveredFrame(const StreamingDesc& streaming, const VideoFrame& asked) {
    DeliveredFormat delivered{asked.width, asked.height, asked.subtype};
    if (streaming.deliveredSize) {
        delivered.width = streaming.deliveredSize->cx;
        delivered.height = streaming.deliveredSize->cy;
    }
    if (streaming.deliveredSubtype) {
        delivered.subtype = *streaming.deliveredSubtype;
    }
    return delivered;
}

// Streams frames as `streaming` describes, at `interval`, into `result`.
void Stream(const StreamingDesc& streaming, REFERENCE_TIME interval, const TrialRequest& request,
            TrialResult& result) {
    const StreamClock clock;
    const REFERENCE_TIME first = streaming.firstFrameDelay.value_or(interval);
    REFERENCE_TIME previous = 0;
    for (int frame = 0; frame < request.frames; ++frame) {
        if (streaming.failure && frame == streaming.failure->afterFrames) {
            result.failure = FailedCall{"EC_ERRORABORT", streaming.failure->hr, {}};
            return;
        }
        const REFERENCE_TIME due = first + frame * interval;
        const bool arrives = !streaming.frames || frame < *streaming.frames;
        const REFERENCE_TIME waitEnd = arrives ? std::min(due, previous + request.frameTimeout)
                                               : previous + request.frameTimeout;
        if (!clock.WaitUntil(waitEnd, request.stopRequested)) {
            result.stopped = true;
            return;
        }
        if (!arrives || due > waitEnd) {
            result.silent = true;
            return;
        }
        if (frame == 0) {
            result.firstFrameDelay = due;
        }
        result.frameTimes.push_back(due);
        previous = due;
    }
}

}  // namespace

SimFormatTrials::SimFormatTrials(CapturePin& pin) : pin_(pin), config_(*pin.Desc().streamConfig) {}

const StreamingDesc& SimFormatTrials::StreamingOf(int capability) const {
    if (capability < 0 || static_cast<std::size_t>(capability) >= config_.capabilities.size()) {
        return kPlainStreaming;
    }
    return config_.capabilities[static_cast<std::size_t>(capability)].streaming;
}

TrialResult SimFormatTrials::Run(const TrialRequest& request) {
    TrialResult result;
    MediaType format(*request.format);
    if (const HRESULT hr = pin_.SetFormat(const_cast<AM_MEDIA_TYPE*>(&format.Get())); FAILED(hr)) {
        result.refused = FailedCall{"IAMStreamConfig::SetFormat", hr, {}};
        return result;
    }
    // The trial's own capability: an earlier one may cover the same format.
    const int capability =
        request.capability >= 0 ? request.capability : pin_.CurrentCapability().value_or(-1);
    const StreamingDesc& streaming = StreamingOf(capability);
    const std::optional<VideoFrame> asked = VideoFrameOf(format.Get());
    if (asked) {
        result.changed = ChangedFrame(*asked, DeliveredFrame(streaming, *asked));
    }
    const REFERENCE_TIME setInterval = asked ? asked->avgTimePerFrame : 0;
    const REFERENCE_TIME interval =
        streaming.frameInterval.value_or(setInterval > 0 ? setInterval : kDefaultInterval);
    Stream(streaming, interval, request, result);
    return result;
}

std::optional<FailedCall> SimFormatTrials::Restore() {
    if (const HRESULT hr = pin_.SetFormat(nullptr); FAILED(hr)) {
        return FailedCall{"IAMStreamConfig::SetFormat", hr, {}};
    }
    return std::nullopt;
}

}  // namespace capspect::sim
