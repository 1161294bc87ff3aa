// The streaming side of the device a capture component rendered, for `capspect verify`.
#pragma once

#include <memory>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "platform/devices/format_trial.h"

namespace capspect {

// Trials of the stream configuration the component's output formats came from; null
// where this build cannot stream the device.
std::unique_ptr<FormatTrials> RenderedDeviceTrials(const TDXShowCapture& capture);

}  // namespace capspect
