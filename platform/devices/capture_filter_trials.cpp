// Streaming trials of a capture filter's pins: the simulated device's or the real one's.
#include "platform/devices/capture_filter.h"
#include "platform/devices/sim_format_trials.h"

namespace capspect::sim {
namespace {

// Trials that keep the filter they stream from, and so its pins and device, alive.
class FilterBoundTrials final : public FormatTrials {
public:
    FilterBoundTrials(ComPtr<IBaseFilter> filter, std::unique_ptr<FormatTrials> trials)
        : filter_(std::move(filter)), trials_(std::move(trials)) {}

    TrialResult Run(const TrialRequest& request) override { return trials_->Run(request); }
    std::optional<FailedCall> Restore() override { return trials_->Restore(); }

private:
    const ComPtr<IBaseFilter> filter_;
    // Declared last, so that it goes before the filter it uses.
    const std::unique_ptr<FormatTrials> trials_;
};

}  // namespace

std::unique_ptr<FormatTrials> CaptureFilter::MakeTrials(IAMStreamConfig* streamConfig) {
    for (const auto& pin : Pins()) {
        auto* capturePin = dynamic_cast<CapturePin*>(pin.get());
        if (capturePin == nullptr || streamConfig == nullptr ||
            static_cast<IAMStreamConfig*>(capturePin) != streamConfig ||
            !capturePin->Desc().streamConfig) {
            continue;
        }
        std::unique_ptr<FormatTrials> trials =
            control_ ? control_->MakeTrials() : std::make_unique<SimFormatTrials>(*capturePin);
        return std::make_unique<FilterBoundTrials>(ComPtr<IBaseFilter>(this), std::move(trials));
    }
    return nullptr;
}

}  // namespace capspect::sim
