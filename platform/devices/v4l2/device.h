// The V4L2 calls the capture backend makes, behind an interface so that unit tests can
// answer them from recorded data instead of a kernel driver.
//
// Every call takes the kernel's own record, as the ioctl does, and answers 0 on success or
// the errno the driver gave (EINVAL at the end of an enumeration, ENOTTY for a call the
// driver does not implement, ENODEV once the device is gone).
#pragma once

#include <linux/videodev2.h>

#include <cstddef>
#include <filesystem>
#include <memory>

#include "platform/devices/v4l2/streaming.h"
#include "platform/linux/unique_fd.h"

namespace capspect::v4l2 {

// The ioctls behind the calls of V4l2Device, one per method.
enum class Ioctl {
    QueryCap,
    EnumFmt,
    EnumFrameSizes,
    EnumFrameIntervals,
    GetFmt,
    SetFmt,
    TryFmt,
    GetParm,
    SetParm,
    EnumInput,
    GetInput,
    SetInput,
    EnumStd,
    GetStd,
    EnumAudio,
    GetAudio,
    CropCap,
    GetSelection,
};
inline constexpr std::size_t kIoctlCount = static_cast<std::size_t>(Ioctl::GetSelection) + 1;

// The kernel's name of the ioctl: "VIDIOC_ENUM_FMT".
const char* IoctlName(Ioctl ioctl);

class V4l2Device {
public:
    virtual ~V4l2Device() = default;

    virtual int QueryCap(v4l2_capability& capability) = 0;

    virtual int EnumFormat(v4l2_fmtdesc& format) = 0;
    virtual int EnumFrameSizes(v4l2_frmsizeenum& size) = 0;
    virtual int EnumFrameIntervals(v4l2_frmivalenum& interval) = 0;
    virtual int GetFormat(v4l2_format& format) = 0;
    virtual int SetFormat(v4l2_format& format) = 0;
    virtual int TryFormat(v4l2_format& format) = 0;
    virtual int GetParm(v4l2_streamparm& parm) = 0;
    virtual int SetParm(v4l2_streamparm& parm) = 0;

    virtual int EnumInput(v4l2_input& input) = 0;
    virtual int GetInput(int& index) = 0;
    virtual int SetInput(int index) = 0;
    virtual int EnumStd(v4l2_standard& standard) = 0;
    virtual int GetStd(v4l2_std_id& standard) = 0;
    virtual int EnumAudio(v4l2_audio& audio) = 0;
    virtual int GetAudio(v4l2_audio& audio) = 0;

    virtual int CropCap(v4l2_cropcap& cropcap) = 0;
    virtual int GetSelection(v4l2_selection& selection) = 0;

    // The streaming calls of the device; null where it cannot stream (a recording).
    virtual V4l2Streaming* Streaming() { return nullptr; }

protected:
    V4l2Device() = default;
    V4l2Device(const V4l2Device&) = default;
    V4l2Device& operator=(const V4l2Device&) = default;
};

// What opening a node gives: the device, or the errno of the failed open.
struct OpenedDevice {
    std::unique_ptr<V4l2Device> device;
    int error = 0;
};

// A device node opened read-write and non-blocking (so that nothing waits on a driver
// that stopped answering); the descriptor is closed with the object.
class V4l2FileDevice final : public V4l2Device, public V4l2Streaming {
public:
    // Opens `node`: the device, or the errno of the failed open.
    static OpenedDevice Open(const std::filesystem::path& node);

    ~V4l2FileDevice() override;
    V4l2FileDevice(const V4l2FileDevice&) = delete;
    V4l2FileDevice& operator=(const V4l2FileDevice&) = delete;

    int QueryCap(v4l2_capability& capability) override;
    int EnumFormat(v4l2_fmtdesc& format) override;
    int EnumFrameSizes(v4l2_frmsizeenum& size) override;
    int EnumFrameIntervals(v4l2_frmivalenum& interval) override;
    int GetFormat(v4l2_format& format) override;
    int SetFormat(v4l2_format& format) override;
    int TryFormat(v4l2_format& format) override;
    int GetParm(v4l2_streamparm& parm) override;
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

    V4l2Streaming* Streaming() override { return this; }
    int RequestBuffers(v4l2_requestbuffers& request) override;
    int QueryBuffer(v4l2_buffer& buffer) override;
    int QueueBuffer(v4l2_buffer& buffer) override;
    int DequeueBuffer(v4l2_buffer& buffer) override;
    int StreamOn(std::uint32_t bufferType) override;
    int StreamOff(std::uint32_t bufferType) override;
    int SetStd(v4l2_std_id standard) override;
    int WaitForBuffer(std::chrono::milliseconds timeout) override;
    MappedBuffer Map(std::size_t length, std::uint32_t offset) override;

private:
    explicit V4l2FileDevice(UniqueFd fd) : fd_(std::move(fd)) {}

    // The ioctl, repeated while a signal interrupts it; answers 0 or the errno.
    int Ioctl(unsigned long request, void* argument) const;

    const UniqueFd fd_;
};

}  // namespace capspect::v4l2
