// Memory-mapped streaming of a V4L2 capture node for one trial: request, map and queue
// buffers, start the stream, take frames until enough arrived, the device fell silent,
// failed or a stop was requested, then stop the stream. The buffers are unmapped and
// released (VIDIOC_REQBUFS 0) whatever happened. Single- and multi-planar buffer types.
#pragma once

#include <cstdint>

#include "platform/devices/format_trial.h"
#include "platform/devices/v4l2/streaming.h"

namespace capspect::v4l2 {

// Streams `request.frames` frames into `result`: frame times from the buffers' timestamps
// (the monotonic clock where the driver says so, else the time of the dequeue), the
// first-frame delay from STREAMON to the first dequeue.
void StreamMmapFrames(V4l2Streaming& device, std::uint32_t bufferType, const TrialRequest& request,
                      TrialResult& result);

// The failed call of an ioctl or wait: its name, the errno's HRESULT and text.
FailedCall FailedV4l2Call(const char* call, int error);

}  // namespace capspect::v4l2
