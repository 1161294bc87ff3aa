// A V4L2 capture device described the way the simulated platform describes its devices (a
// device catalog entry, platform/sim/catalog.h), so that the system device enumerator,
// device monikers, property bags, the capture filter and the crossbar of the simulated
// platform serve it, and so that it can be written out as a catalog (`capspect snapshot`).
#pragma once

#include <optional>
#include <vector>

#include "platform/devices/catalog.h"
#include "platform/devices/v4l2/capabilities.h"
#include "platform/devices/v4l2/crossbar_layout.h"
#include "platform/devices/v4l2/discovery.h"
#include "platform/devices/v4l2/recording.h"
#include "platform/support/mediatypes.h"

namespace capspect::v4l2 {

// The class of our V4L2 capture filter, the "CLSID" property of every V4L2 device.
inline constexpr CLSID CLSID_V4l2CaptureFilter{
    0xB2212627, 0xDB1A, 0x46C8, {0x94, 0xCD, 0xCC, 0x79, 0x8C, 0xE0, 0xE5, 0xFA}};

// The property bag of a discovered device: "FriendlyName" the card, "Description" the
// card told apart from other nodes of that name, "DevicePath" the stable path, "CLSID".
sim::DeviceProperties PropertiesOf(const CaptureDeviceInfo& info);

// A device entry with properties only: what the device list needs, before any ioctl
// beyond VIDIOC_QUERYCAP.
sim::CatalogDevice ListedDevice(const CaptureDeviceInfo& info);

sim::MediaTypeDesc MediaTypeDescOf(const VideoMediaType& type);

// The frame interval the device delivers, from VIDIOC_G_PARM; nothing when it gives none.
std::optional<Fraction> CurrentInterval(const InputRecording& input);

// The media type of the format the device delivers (`format` at `interval`), made from the
// first capability that covers its pixel format and size; nothing when none does.
std::optional<MediaType> DeliveredMediaType(const std::vector<VideoCapability>& capabilities,
                                            const v4l2_pix_format& format,
                                            std::optional<Fraction> interval);

// The stream configuration of the input: its capabilities, with `current` the capability
// that the delivered format falls under (-1 when none does).
sim::StreamConfigDesc StreamConfigOf(const std::vector<VideoCapability>& capabilities,
                                     const InputRecording& input);

sim::CrossbarDesc CrossbarDescOf(const CrossbarLayout& layout);

// The whole device as a catalog entry: the property bag, a capture pin with the selected
// input's capabilities and, with a crossbar, an analog video input pin and the crossbar.
sim::CatalogDevice DescribeDevice(const CaptureDeviceInfo& info, const DeviceRecording& recording);

}  // namespace capspect::v4l2
