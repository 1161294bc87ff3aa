// Streaming trials of a simulated catalog device. Setting a format goes through the
// pin's IAMStreamConfig, so the catalog's SetFormat faults refuse formats; what the
// stream then delivers is the capability's `streaming` entry (docs/catalog.md). Frames
// come on the active clock (platform/linux/clock.h): at their real pace on the steady
// clock, at once under a test clock, whose time the waits advance.
#pragma once

#include "platform/devices/capture_filter.h"
#include "platform/devices/format_trial.h"

namespace capspect::sim {

class SimFormatTrials final : public FormatTrials {
public:
    // `pin` outlives the trials.
    explicit SimFormatTrials(CapturePin& pin);

    TrialResult Run(const TrialRequest& request) override;
    // Returns the pin to the format it had when the device was bound.
    std::optional<FailedCall> Restore() override;

private:
    const StreamingDesc& StreamingOf(int capability) const;

    CapturePin& pin_;
    const StreamConfigDesc& config_;
};

}  // namespace capspect::sim
