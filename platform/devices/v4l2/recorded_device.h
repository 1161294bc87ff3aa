// A V4L2 device that answers from a recording, for tests: the answers a real driver gave,
// plus the little state a driver keeps (selected input, format, frame interval).
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "platform/devices/v4l2/device.h"
#include "platform/devices/v4l2/recording.h"

namespace capspect::v4l2 {

class RecordedDevice final : public V4l2Device {
public:
    explicit RecordedDevice(DeviceRecording recording);

    // From now on every call fails with `error` (ENODEV: the device was unplugged); 0 makes
    // the device answer again.
    void FailEveryCall(int error) {
        failure_ = error;
        vanish_.reset();
    }
    // Answers `calls` more calls, then fails every call with `error`: a device unplugged
    // in the middle of a sequence of calls.
    void FailAfter(std::size_t calls, int error) { vanish_ = Vanish{calls, error}; }
    // The `nth` call of `ioctl` from now on (0: the next one) fails with `error`, and so do
    // the `times - 1` calls of it after that: a driver failing in the middle of a list.
    void FailCall(Ioctl ioctl, std::size_t nth, int error, std::size_t times = 1) {
        callFaults_.push_back({ioctl, CallsOf(ioctl) + nth, times, error});
    }
    // The calls answered so far, failed ones included; in all and of one ioctl.
    std::size_t Calls() const { return calls_; }
    std::size_t CallsOf(Ioctl ioctl) const { return callsOf_[static_cast<std::size_t>(ioctl)]; }

    int QueryCap(v4l2_capability& capability) override;
    int EnumFormat(v4l2_fmtdesc& format) override;
    int EnumFrameSizes(v4l2_frmsizeenum& size) override;
    int EnumFrameIntervals(v4l2_frmivalenum& interval) override;
    int GetFormat(v4l2_format& format) override;
    // A size the recording has no answer for is set to the nearest recorded discrete size,
    // or clamped to the range and its steps with line and image sizes scaled from the
    // nearest recorded answer.
    int SetFormat(v4l2_format& format) override;
    int TryFormat(v4l2_format& format) override;
    int GetParm(v4l2_streamparm& parm) override;
    // Takes the asked interval when the recording offers it at the current format and
    // size; otherwise keeps the current one (and says so in the answer, as drivers do).
    int SetParm(v4l2_streamparm& parm) override;
    int EnumInput(v4l2_input& input) override;
    int GetInput(int& index) override;
    int SetInput(int index) override;
    int EnumStd(v4l2_standard& standard) override;
    int GetStd(v4l2_std_id& standard) override;
    int EnumAudio(v4l2_audio& audio) override;
    int GetAudio(v4l2_audio& audio) override;
    int CropCap(v4l2_cropcap& cropcap) override;
    int GetSelection(v4l2_selection& selection) override;

private:
    struct InputState {
        std::optional<v4l2_pix_format> format;
        std::optional<v4l2_captureparm> parm;
    };

    struct Vanish {
        std::size_t callsLeft;
        int error;
    };

    struct CallFault {
        Ioctl ioctl;
        std::size_t first;  // the first failing call of the ioctl, counted from the start
        std::size_t times;
        int error;
    };

    // The errno the call of `ioctl` fails with now, 0 when the device answers it; counts
    // the call.
    int Failure(Ioctl ioctl);
    const InputRecording& Current() const { return recording_.inputs[current_]; }
    InputState& State() { return states_[current_]; }
    const FormatRecording* FindFormat(std::uint32_t pixelformat) const;
    // The driver's answer to VIDIOC_TRY_FMT for the asked format, or an errno.
    int Adjust(v4l2_format& format) const;

    DeviceRecording recording_;
    std::vector<InputState> states_;
    std::size_t current_ = 0;
    int failure_ = 0;
    std::optional<Vanish> vanish_;
    std::vector<CallFault> callFaults_;
    std::size_t calls_ = 0;
    std::array<std::size_t, kIoctlCount> callsOf_{};
};

}  // namespace capspect::v4l2
