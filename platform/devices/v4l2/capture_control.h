// The driver side of a V4L2 capture filter: the stream configuration of the selected
// input, formats through VIDIOC_S_FMT / S_PARM, crossbar routes through VIDIOC_S_INPUT.
// Every failing ioctl answers HResultFromErrno of its errno.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/devices/device_control.h"
#include "platform/devices/v4l2/capabilities.h"
#include "platform/devices/v4l2/crossbar_layout.h"
#include "platform/devices/v4l2/device.h"
#include "platform/devices/v4l2/recording.h"
#include "platform/devices/v4l2/v4l2_format_trials.h"

namespace capspect::v4l2 {

class V4l2CaptureControl final : public sim::DeviceControl {
public:
    // Hears what a recording of the device could not read (see DeviceRecording::failures).
    using FailureSink = std::function<void(const std::vector<ReadFailure>& failures)>;

    // `recording`: RecordSelectedInput of `device`, made just before. The recordings made
    // later (after a route) tell `failures` what they could not read.
    V4l2CaptureControl(std::unique_ptr<V4l2Device> device, DeviceRecording recording,
                       FailureSink failures = {});

    const sim::StreamConfigDesc& StreamConfig() const override { return config_; }
    unsigned ConfigGeneration() const override { return generation_; }

    // A format the driver would change (another pixel format or size from VIDIOC_TRY_FMT)
    // is refused with VFW_E_INVALIDMEDIATYPE and the device is left as it was. The frame
    // interval is the driver's to round: the delivered format says what it took.
    HRESULT ApplyFormat(const AM_MEDIA_TYPE* format, std::optional<int> capability,
                        std::optional<MediaType>& delivered) override;
    HRESULT ReadFormat(std::optional<MediaType>& format) override;

    // The video decoder output switches the device's input and reads the new input's
    // configuration (what could not be read goes to the failure sink); the audio decoder output
    // cannot be switched on its own (E_NOTIMPL): the driver selects an input's audio with the
    // input.
    HRESULT Route(LONG output, LONG input) override;

    // Trials on the node (V4l2FormatTrials); they restore the state the node had when
    // this control was made and must not outlive the control.
    std::unique_ptr<FormatTrials> MakeTrials() override;

private:
    struct DeviceFormat {
        v4l2_pix_format format;
        std::optional<Fraction> interval;
    };

    void MapSelectedInput();
    HRESULT SetDeviceFormat(std::uint32_t pixelformat, FrameSize size,
                            std::optional<Fraction> interval, bool refuseAdjusted);
    // The recorded interval of the capability's pixel format that the platform's 100 ns
    // value stands for (1001/30000 for 333667), else the value itself as a fraction.
    std::optional<Fraction> IntervalFor(std::uint32_t pixelformat,
                                        REFERENCE_TIME avgTimePerFrame) const;
    std::optional<TrialFormat> TrialFormatOf(int capability, const AM_MEDIA_TYPE& type) const;

    const std::unique_ptr<V4l2Device> device_;
    const FailureSink failures_;
    const std::uint32_t bufferType_;
    DeviceRecording recording_;
    // The node's state when the control was made, before any format or route of ours.
    const FoundState found_;
    std::optional<CrossbarLayout> crossbar_;
    std::vector<VideoCapability> capabilities_;
    sim::StreamConfigDesc config_;
    unsigned generation_ = 0;
    // Per selected input: the format the device had when the filter was made or the input
    // was selected; SetFormat(NULL) returns to it.
    std::optional<DeviceFormat> initial_;
};

}  // namespace capspect::v4l2
