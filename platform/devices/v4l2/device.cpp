#include "platform/devices/v4l2/device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace capspect::v4l2 {

const char* IoctlName(Ioctl ioctl) {
    switch (ioctl) {
        case Ioctl::QueryCap:
            return "VIDIOC_QUERYCAP";
        case Ioctl::EnumFmt:
            return "VIDIOC_ENUM_FMT";
        case Ioctl::EnumFrameSizes:
            return "VIDIOC_ENUM_FRAMESIZES";
        case Ioctl::EnumFrameIntervals:
            return "VIDIOC_ENUM_FRAMEINTERVALS";
        case Ioctl::GetFmt:
            return "VIDIOC_G_FMT";
        case Ioctl::SetFmt:
            return "VIDIOC_S_FMT";
        case Ioctl::TryFmt:
            return "VIDIOC_TRY_FMT";
        case Ioctl::GetParm:
            return "VIDIOC_G_PARM";
        case Ioctl::SetParm:
            return "VIDIOC_S_PARM";
        case Ioctl::EnumInput:
            return "VIDIOC_ENUMINPUT";
        case Ioctl::GetInput:
            return "VIDIOC_G_INPUT";
        case Ioctl::SetInput:
            return "VIDIOC_S_INPUT";
        case Ioctl::EnumStd:
            return "VIDIOC_ENUMSTD";
        case Ioctl::GetStd:
            return "VIDIOC_G_STD";
        case Ioctl::EnumAudio:
            return "VIDIOC_ENUMAUDIO";
        case Ioctl::GetAudio:
            return "VIDIOC_G_AUDIO";
        case Ioctl::CropCap:
            return "VIDIOC_CROPCAP";
        case Ioctl::GetSelection:
            return "VIDIOC_G_SELECTION";
    }
    return "VIDIOC_?";
}

OpenedDevice V4l2FileDevice::Open(const std::filesystem::path& node) {
    OpenedFd opened = OpenFd(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (!opened) {
        return {nullptr, opened.error};
    }
    return {std::unique_ptr<V4l2FileDevice>(new V4l2FileDevice(std::move(opened.fd))), 0};
}

V4l2FileDevice::~V4l2FileDevice() = default;

int V4l2FileDevice::Ioctl(unsigned long request, void* argument) const {
    int result;
    do {
        result = ::ioctl(fd_.Get(), request, argument);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? errno : 0;
}

int V4l2FileDevice::QueryCap(v4l2_capability& capability) {
    return Ioctl(VIDIOC_QUERYCAP, &capability);
}
int V4l2FileDevice::EnumFormat(v4l2_fmtdesc& format) {
    return Ioctl(VIDIOC_ENUM_FMT, &format);
}
int V4l2FileDevice::EnumFrameSizes(v4l2_frmsizeenum& size) {
    return Ioctl(VIDIOC_ENUM_FRAMESIZES, &size);
}
int V4l2FileDevice::EnumFrameIntervals(v4l2_frmivalenum& interval) {
    return Ioctl(VIDIOC_ENUM_FRAMEINTERVALS, &interval);
}
int V4l2FileDevice::GetFormat(v4l2_format& format) {
    return Ioctl(VIDIOC_G_FMT, &format);
}
int V4l2FileDevice::SetFormat(v4l2_format& format) {
    return Ioctl(VIDIOC_S_FMT, &format);
}
int V4l2FileDevice::TryFormat(v4l2_format& format) {
    return Ioctl(VIDIOC_TRY_FMT, &format);
}
int V4l2FileDevice::GetParm(v4l2_streamparm& parm) {
    return Ioctl(VIDIOC_G_PARM, &parm);
}
int V4l2FileDevice::SetParm(v4l2_streamparm& parm) {
    return Ioctl(VIDIOC_S_PARM, &parm);
}
int V4l2FileDevice::EnumInput(v4l2_input& input) {
    return Ioctl(VIDIOC_ENUMINPUT, &input);
}
int V4l2FileDevice::GetInput(int& index) {
    return Ioctl(VIDIOC_G_INPUT, &index);
}
int V4l2FileDevice::SetInput(int index) {
    return Ioctl(VIDIOC_S_INPUT, &index);
}
int V4l2FileDevice::EnumStd(v4l2_standard& standard) {
    return Ioctl(VIDIOC_ENUMSTD, &standard);
}
int V4l2FileDevice::GetStd(v4l2_std_id& standard) {
    return Ioctl(VIDIOC_G_STD, &standard);
}
int V4l2FileDevice::EnumAudio(v4l2_audio& audio) {
    return Ioctl(VIDIOC_ENUMAUDIO, &audio);
}
int V4l2FileDevice::GetAudio(v4l2_audio& audio) {
    return Ioctl(VIDIOC_G_AUDIO, &audio);
}
int V4l2FileDevice::CropCap(v4l2_cropcap& cropcap) {
    return Ioctl(VIDIOC_CROPCAP, &cropcap);
}
int V4l2FileDevice::GetSelection(v4l2_selection& selection) {
    return Ioctl(VIDIOC_G_SELECTION, &selection);
}

int V4l2FileDevice::RequestBuffers(v4l2_requestbuffers& request) {
    return Ioctl(VIDIOC_REQBUFS, &request);
}
int V4l2FileDevice::QueryBuffer(v4l2_buffer& buffer) {
    return Ioctl(VIDIOC_QUERYBUF, &buffer);
}
int V4l2FileDevice::QueueBuffer(v4l2_buffer& buffer) {
    return Ioctl(VIDIOC_QBUF, &buffer);
}
int V4l2FileDevice::DequeueBuffer(v4l2_buffer& buffer) {
    return Ioctl(VIDIOC_DQBUF, &buffer);
}
int V4l2FileDevice::StreamOn(std::uint32_t bufferType) {
    int type = static_cast<int>(bufferType);
    return Ioctl(VIDIOC_STREAMON, &type);
}
int V4l2FileDevice::StreamOff(std::uint32_t bufferType) {
    int type = static_cast<int>(bufferType);
    return Ioctl(VIDIOC_STREAMOFF, &type);
}
int V4l2FileDevice::SetStd(v4l2_std_id standard) {
    return Ioctl(VIDIOC_S_STD, &standard);
}

int V4l2FileDevice::WaitForBuffer(std::chrono::milliseconds timeout) {
    pollfd wait{fd_.Get(), POLLIN, 0};
    const auto ms = static_cast<int>(std::min<std::chrono::milliseconds::rep>(
        std::max<std::chrono::milliseconds::rep>(timeout.count(), 0), INT_MAX));
    // Not repeated on EINTR: the caller decides whether a signal ends the wait.
    const int ready = ::poll(&wait, 1, ms);
    if (ready < 0) {
        return errno;
    }
    return ready == 0 ? ETIMEDOUT : 0;
}

namespace {

class MemoryMapping final : public BufferMapping {
public:
    MemoryMapping(void* address, std::size_t length) : address_(address), length_(length) {}
    ~MemoryMapping() override { ::munmap(address_, length_); }
    MemoryMapping(const MemoryMapping&) = delete;
    MemoryMapping& operator=(const MemoryMapping&) = delete;

private:
    void* const address_;
    const std::size_t length_;
};

}  // namespace

MappedBuffer V4l2FileDevice::Map(std::size_t length, std::uint32_t offset) {
    void* const address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_.Get(),
                                 static_cast<off_t>(offset));
    if (address == MAP_FAILED) {
        return {nullptr, errno};
    }
    return {std::make_unique<MemoryMapping>(address, length), 0};
}

}  // namespace capspect::v4l2
