#include "platform/devices/v4l2/device.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

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

std::unique_ptr<V4l2FileDevice> V4l2FileDevice::Open(const std::filesystem::path& node,
                                                     int& error) {
    int fd;
    do {
        fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    error = 0;
    return std::unique_ptr<V4l2FileDevice>(new V4l2FileDevice(fd));
}

V4l2FileDevice::~V4l2FileDevice() {
    // A close interrupted by a signal has still released the descriptor on Linux, so it is
    // not repeated.
    ::close(fd_);
}

int V4l2FileDevice::Ioctl(unsigned long request, void* argument) const {
    int result;
    do {
        result = ::ioctl(fd_, request, argument);
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

}  // namespace capspect::v4l2
