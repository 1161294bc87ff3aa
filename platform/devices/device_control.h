// The driver behind a capture filter whose device is real (the V4L2 backend). The
// simulated filter classes serve such a device unchanged except where the driver decides:
// the stream configuration it offers, the format it delivers and the crossbar routing.
// Simulated devices have no control; their catalog entry answers alone.
#pragma once

#include <memory>
#include <optional>

#include "platform/devices/catalog.h"
#include "platform/devices/format_trial.h"
#include "platform/support/mediatypes.h"

namespace capspect::sim {

class DeviceControl {
public:
    virtual ~DeviceControl() = default;

    // The capture stream's configuration now; it changes when the device switches input.
    virtual const StreamConfigDesc& StreamConfig() const = 0;
    // Grows each time StreamConfig() changes, so that pins know to read it again.
    virtual unsigned ConfigGeneration() const = 0;

    // Makes the device deliver `format`, which falls under capability `capability` (null
    // format: the format the device had when the filter was made), and answers the format
    // the device delivers afterwards, which may differ from the asked one where the driver
    // adjusted it.
    virtual HRESULT ApplyFormat(const AM_MEDIA_TYPE* format, std::optional<int> capability,
                                std::optional<MediaType>& delivered) = 0;
    // The format the device delivers now; nothing when it has none the capabilities cover.
    virtual HRESULT ReadFormat(std::optional<MediaType>& format) = 0;

    // Routes crossbar input `input` to crossbar output `output` on the device.
    virtual HRESULT Route(LONG output, LONG input) = 0;

    // Streaming trials on the device; they remember the device's state as it was when
    // the control was made, so that Restore returns to it.
    virtual std::unique_ptr<FormatTrials> MakeTrials() = 0;

protected:
    DeviceControl() = default;
    DeviceControl(const DeviceControl&) = default;
    DeviceControl& operator=(const DeviceControl&) = default;
};

}  // namespace capspect::sim
