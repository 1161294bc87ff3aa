// A recording of a V4L2 device's answers: what the capture backend asks a device, written
// down so that a device can be replayed without the hardware (RecordedDevice). Its JSON
// form is in recording_json.h.
//
// The answers are kept per input because most of them (formats, frame sizes, standards,
// cropping) depend on the selected input.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/v4l2/device.h"

namespace capspect::v4l2 {

struct Fraction {
    std::uint32_t numerator = 0;
    std::uint32_t denominator = 0;
    friend bool operator==(const Fraction&, const Fraction&) = default;
};

struct FrameSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    friend bool operator==(const FrameSize&, const FrameSize&) = default;
};

// A stepwise (or, with steps of 1, continuous) range of sizes or of frame intervals.
template <typename T>
struct Range {
    T min{};
    T max{};
    T step{};
    friend bool operator==(const Range&, const Range&) = default;
};

// The answers of VIDIOC_ENUM_FRAMESIZES (or VIDIOC_ENUM_FRAMEINTERVALS): either a list of
// discrete values or one stepwise/continuous range; `type` is 0 when the call failed.
template <typename T>
struct Enumeration {
    std::uint32_t type = 0;  // V4L2_FRMSIZE_TYPE_* or V4L2_FRMIVAL_TYPE_*, 0: not offered
    std::vector<T> discrete;
    Range<T> range;
    friend bool operator==(const Enumeration&, const Enumeration&) = default;
};

// What the driver answers for one pixel format at one frame size.
struct SizeAnswers {
    FrameSize size;
    Enumeration<Fraction> intervals;
    std::optional<v4l2_pix_format> tried;  // VIDIOC_TRY_FMT at this size
};

struct FormatRecording {
    v4l2_fmtdesc description{};
    Enumeration<FrameSize> sizes;
    std::vector<SizeAnswers> atSizes;
};

struct StandardRecording {
    v4l2_std_id id = 0;
    std::string name;
    Fraction framePeriod;
    std::uint32_t frameLines = 0;
};

// Everything that depends on the selected input.
struct InputRecording {
    std::optional<v4l2_input> input;  // absent for a device without VIDIOC_ENUMINPUT
    std::uint32_t bufferType = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    std::optional<v4l2_pix_format> format;     // VIDIOC_G_FMT
    std::optional<v4l2_captureparm> parm;      // VIDIOC_G_PARM
    std::optional<v4l2_std_id> standard;       // VIDIOC_G_STD
    std::vector<StandardRecording> standards;  // VIDIOC_ENUMSTD
    std::optional<v4l2_cropcap> cropcap;       // VIDIOC_CROPCAP
    std::optional<v4l2_rect> cropDefault;      // VIDIOC_G_SELECTION, V4L2_SEL_TGT_CROP_DEFAULT
    std::optional<std::uint32_t> audio;        // VIDIOC_G_AUDIO index
    std::vector<FormatRecording> formats;
};

// A question the device failed to answer in a way a working device does not (see
// RecordDevice): not the end of an enumeration, not a query the driver does not offer.
struct ReadFailure {
    Ioctl ioctl = Ioctl::QueryCap;
    std::uint32_t pixelformat = 0;  // 0: not asked for a pixel format
    std::optional<FrameSize> size;
    std::optional<std::uint32_t> index;  // the enumeration's index
    int error = 0;                       // the errno
    friend bool operator==(const ReadFailure&, const ReadFailure&) = default;
};

// "VIDIOC_ENUM_FRAMESIZES for YUYV, index 3: Input/output error": the ioctl, what it was
// asked for and the errno's text.
std::string ReadFailureText(const ReadFailure& failure);

struct DeviceRecording {
    v4l2_capability capability{};
    std::optional<int> currentInput;  // VIDIOC_G_INPUT; absent when not implemented
    std::vector<InputRecording> inputs;
    std::vector<v4l2_audio> audioInputs;
    // What could not be read, in the order it was asked; the rest of the recording holds
    // what could. An enumeration that failed ends at the failed index.
    std::vector<ReadFailure> failures;
};

// The buffer type the capture node is asked with: single-planar capture, or multi-planar
// when the node only offers that.
std::uint32_t CaptureBufferType(const v4l2_capability& capability);
// A format of the buffer type (VIDIOC_G_FMT's answer) read as one image: a multi-planar
// format gives the first plane's line length and the planes' sizes summed.
v4l2_pix_format SinglePlaneView(const v4l2_format& format);
// The record VIDIOC_TRY_FMT / VIDIOC_S_FMT take for `pixelformat` at `size`, any field.
v4l2_format FormatRequest(std::uint32_t bufferType, std::uint32_t pixelformat, FrameSize size);

// True when `size` lies within the range's bounds and on its steps.
bool SizeInRange(const Range<FrameSize>& range, FrameSize size);

// Asks `device` everything the backend asks, for every input, and restores the input that
// was selected; VIDIOC_TRY_FMT at every size asked, so that a replay can answer it.
//
// The answers are read by errno: EINVAL ends an enumeration (or says a query does not
// apply), ENOTTY says the driver does not offer the query, ENODATA that the input has no
// standards, cropping, frame rate or audio to tell of; EINTR and EAGAIN are asked again.
// Every other errno is a failure of the device: it goes into `recording.failures` and the
// recording goes on with the next question.
//
// Answers 0 when the recording could be made (failures or not), else the errno that made
// it impossible: VIDIOC_QUERYCAP or switching the input failed, or the device went away
// (ENODEV, ENXIO), after which nothing more is asked. The failure is in
// `recording.failures` then too.
int RecordDevice(V4l2Device& device, DeviceRecording& recording);

// Like RecordDevice, but without switching inputs: only the selected input's answers are
// asked (every other input has only its VIDIOC_ENUMINPUT entry), so a device that another
// program is using is left as it is. VIDIOC_TRY_FMT is asked only for the formats whose
// image size only the driver knows (ImageSizeFromDriver). What a capture filter needs
// when it is made.
int RecordSelectedInput(V4l2Device& device, DeviceRecording& recording);

// The recorded state of the selected input: the one VIDIOC_G_INPUT named, else the only
// one; null when the recording has none.
const InputRecording* SelectedInput(const DeviceRecording& recording);

}  // namespace capspect::v4l2
