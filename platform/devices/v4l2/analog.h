// Analog video standards and physical connectors: V4L2's view of them mapped to the
// platform's AnalogVideoStandard bits and PhysicalConnectorType values.
#pragma once

#include <linux/videodev2.h>

#include <string_view>

#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/mediatype.h"

namespace capspect::v4l2 {

// The AnalogVideoStandard bits of every standard in `standards`. V4L2 standards without a
// platform counterpart (ATSC) are left out; see docs/v4l2.md for the table.
ULONG AnalogVideoStandardsFrom(v4l2_std_id standards);

// The connector of a video input, from its type, capabilities and name; `busInfo` (the
// driver's bus_info) tells a USB camera from one on another bus.
PhysicalConnectorType VideoConnectorOf(const v4l2_input& input, std::string_view busInfo);

// The connector of an audio input, from its name; a line input when the name says nothing.
PhysicalConnectorType AudioConnectorOf(const v4l2_audio& audio);

}  // namespace capspect::v4l2
