#include "app/verify_device.h"

#include "platform/devices/capture_filter.h"

namespace capspect {

// A catalog's devices (on both platforms) and V4L2 nodes are filters of ours and stream
// themselves; the system's own capture filters stream through the system's graph.
std::unique_ptr<FormatTrials> RenderedDeviceTrials(const TDXShowCapture& capture,
                                                   IMoniker* device) {
    sim::CaptureFilter* const filter = sim::CaptureFilter::From(capture.Cap().Get());
    if (filter == nullptr) {
        return SystemDeviceTrials(capture, device);
    }
    return filter->MakeTrials(capture.OutputFormats().StreamConfig());
}

#ifndef _WIN32
// Every device of the Linux backends is a filter of ours.
std::unique_ptr<FormatTrials> SystemDeviceTrials(const TDXShowCapture& /*capture*/,
                                                 IMoniker* /*device*/) {
    return nullptr;
}
#endif

}  // namespace capspect
