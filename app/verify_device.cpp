#include "app/verify_device.h"

#include "platform/devices/capture_filter.h"

namespace capspect {

// Every device of the Linux backends is a filter of ours, a catalog's or a V4L2 node's.
std::unique_ptr<FormatTrials> RenderedDeviceTrials(const TDXShowCapture& capture) {
    sim::CaptureFilter* const filter = sim::CaptureFilter::From(capture.Cap().Get());
    if (filter == nullptr) {
        return nullptr;
    }
    return filter->MakeTrials(capture.OutputFormats().StreamConfig());
}

}  // namespace capspect
