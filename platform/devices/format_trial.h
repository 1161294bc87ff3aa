// One streaming trial of a capture format: set the format, stream a number of frames,
// stop. The device side (a simulated catalog device, a V4L2 node) runs the trial; the
// verify command judges what happened. Times are 100 ns units, like the platform's
// REFERENCE_TIME; frame times come from the device's own clock.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include <dshow.h>

namespace capspect {

// The frame a video media type describes (VIDEOINFOHEADER or VIDEOINFOHEADER2).
struct VideoFrame {
    LONG width = 0;
    LONG height = 0;  // as the header has it: negative for top-down RGB
    GUID subtype{};
    REFERENCE_TIME avgTimePerFrame = 0;
};

// The frame of a usable video type; nothing for other types or a short format block.
std::optional<VideoFrame> VideoFrameOf(const AM_MEDIA_TYPE& type);

// What a trial asks for.
struct TrialRequest {
    // The output format to set, one of the stream configuration's capabilities.
    int capability = 0;
    const AM_MEDIA_TYPE* format = nullptr;
    int frames = 5;
    // How long to wait for each frame before the device counts as silent.
    REFERENCE_TIME frameTimeout = 50'000'000;
    // Asked between frames; true ends the trial early (Ctrl-C).
    std::function<bool()> stopRequested;
};

// The frame the device delivered when it differs from the asked one.
struct DeliveredFormat {
    LONG width = 0;
    LONG height = 0;
    GUID subtype{};
};

// `delivered` when it is another frame than `asked` (the height's sign, which says only
// which way RGB rows run, does not count); nothing when it is the asked frame.
std::optional<DeliveredFormat> ChangedFrame(const VideoFrame& asked, DeliveredFormat delivered);

// A REFERENCE_TIME as whole milliseconds, for waits on the platform's millisecond clocks.
std::chrono::milliseconds ToMilliseconds(REFERENCE_TIME units);

// A call that failed, as the device names it: "VIDIOC_DQBUF" and the code, or a
// simulated call and its HRESULT.
struct FailedCall {
    std::string call;
    HRESULT code = E_FAIL;
    std::string reason;  // the errno's text for V4L2; empty: the HRESULT's text is used
};

struct TrialResult {
    // Setting the format failed: the device refused it.
    std::optional<FailedCall> refused;
    // Set, but the device chose another size or pixel format.
    std::optional<DeliveredFormat> changed;
    // The device clock's time of each frame received, in order.
    std::vector<REFERENCE_TIME> frameTimes;
    // From starting the stream to the first frame, when one came.
    std::optional<REFERENCE_TIME> firstFrameDelay;
    // Streaming failed (start, wait, dequeue, stop) after frameTimes.size() frames.
    std::optional<FailedCall> failure;
    // No frame came within the frame timeout after frameTimes.size() frames.
    bool silent = false;
    // The trial ended early on request.
    bool stopped = false;
};

// The streaming side of one device, made for one verify run. It remembers the device's
// state (input, format, frame interval, standard) as it was when the device was opened;
// Restore puts it back.
class FormatTrials {
public:
    virtual ~FormatTrials() = default;

    virtual TrialResult Run(const TrialRequest& request) = 0;
    // Puts the device back as it was found; the failed call when that is not possible.
    virtual std::optional<FailedCall> Restore() = 0;

protected:
    FormatTrials() = default;
    FormatTrials(const FormatTrials&) = default;
    FormatTrials& operator=(const FormatTrials&) = default;
};

}  // namespace capspect
