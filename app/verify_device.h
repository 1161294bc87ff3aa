// The streaming side of the device a capture component rendered, for `capspect verify`.
#pragma once

#include <memory>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "platform/devices/format_trial.h"

namespace capspect {

// Trials of the stream configuration the component's output formats came from; null
// where this build cannot stream the device.
// `device` names the device's moniker, which the system's filters are bound from again.
std::unique_ptr<FormatTrials> RenderedDeviceTrials(const TDXShowCapture& capture,
                                                   IMoniker* device = nullptr);

// Trials of a device whose filter is not one of ours (the system's, on Windows), bound
// from `device` for each trial; null where this build has none.
std::unique_ptr<FormatTrials> SystemDeviceTrials(const TDXShowCapture& capture, IMoniker* device);

}  // namespace capspect
