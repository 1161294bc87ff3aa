#include "app/verify_device.h"

#include "platform/devices/capture_filter.h"

namespace capspect {

// A catalog's devices (on both platforms) and V4L2 nodes are filters of ours; the system's
// own capture filters on Windows are not streamed yet (docs/verify.md).
std::unique_ptr<FormatTrials> RenderedDeviceTrials(const TDXShowCapture& capture) {
    sim::CaptureFilter* const filter = sim::CaptureFilter::From(capture.Cap().Get());
    if (filter == nullptr) {
        return nullptr;
    }
    return filter->MakeTrials(capture.OutputFormats().StreamConfig());
}

}  // namespace capspect
