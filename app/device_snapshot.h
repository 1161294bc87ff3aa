// A capture device as the platform's own interfaces show it, written down as a device
// catalog entry, so that a real device can be replayed with --devices.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <optional>

#include "Components/VQDirectShow/DXShowDevices.h"
#include "platform/devices/catalog.h"

namespace capspect {

// The catalog entry of `device`, whose filter is `filter`: the property bag's texts, the
// registered file, every pin (name, direction, category, capabilities with the current one,
// or media types) and the crossbar upstream, as the platform answers. Fault injection has
// no counterpart in a real device and stays empty. Nothing when the device's property bag
// cannot be opened.
std::optional<sim::CatalogDevice> DescribeCaptureDevice(const TDXShowDevice& device,
                                                        IBaseFilter& filter);

}  // namespace capspect
