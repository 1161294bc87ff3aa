#include "platform/devices/v4l2/analog.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

namespace capspect::v4l2 {
namespace {

constexpr std::array<std::pair<v4l2_std_id, ULONG>, 23> kStandards{{
    {V4L2_STD_PAL_B, AnalogVideo_PAL_B},
    {V4L2_STD_PAL_B1, AnalogVideo_PAL_B},
    {V4L2_STD_PAL_G, AnalogVideo_PAL_G},
    {V4L2_STD_PAL_H, AnalogVideo_PAL_H},
    {V4L2_STD_PAL_I, AnalogVideo_PAL_I},
    {V4L2_STD_PAL_D, AnalogVideo_PAL_D},
    {V4L2_STD_PAL_D1, AnalogVideo_PAL_D},
    {V4L2_STD_PAL_K, AnalogVideo_PAL_D},  // the platform counts PAL-K with PAL-D
    {V4L2_STD_PAL_M, AnalogVideo_PAL_M},
    {V4L2_STD_PAL_N, AnalogVideo_PAL_N},
    {V4L2_STD_PAL_Nc, AnalogVideo_PAL_N_COMBO},
    {V4L2_STD_PAL_60, AnalogVideo_PAL_60},
    {V4L2_STD_NTSC_M, AnalogVideo_NTSC_M},
    {V4L2_STD_NTSC_M_JP, AnalogVideo_NTSC_M_J},
    {V4L2_STD_NTSC_443, AnalogVideo_NTSC_433},
    {V4L2_STD_NTSC_M_KR, AnalogVideo_NTSC_M},
    {V4L2_STD_SECAM_B, AnalogVideo_SECAM_B},
    {V4L2_STD_SECAM_D, AnalogVideo_SECAM_D},
    {V4L2_STD_SECAM_G, AnalogVideo_SECAM_G},
    {V4L2_STD_SECAM_H, AnalogVideo_SECAM_H},
    {V4L2_STD_SECAM_K, AnalogVideo_SECAM_K},
    {V4L2_STD_SECAM_K1, AnalogVideo_SECAM_K1},
    {V4L2_STD_SECAM_L, AnalogVideo_SECAM_L},
}};

std::string LowerName(const __u8* name, std::size_t capacity) {
    std::string text(reinterpret_cast<const char*>(name),
                     strnlen(reinterpret_cast<const char*>(name), capacity));
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Mentions(const std::string& name, std::initializer_list<const char*> words) {
    return std::any_of(words.begin(), words.end(),
                       [&name](const char* word) { return name.find(word) != std::string::npos; });
}

}  // namespace

ULONG AnalogVideoStandardsFrom(v4l2_std_id standards) {
    ULONG bits = AnalogVideo_None;
    for (const auto& [v4l2, platform] : kStandards) {
        if (standards & v4l2) {
            bits |= platform;
        }
    }
    // SECAM-L' (V4L2's LC) is the platform's SECAM-L1.
    if (standards & V4L2_STD_SECAM_LC) {
        bits |= AnalogVideo_SECAM_L1;
    }
    return bits;
}

PhysicalConnectorType VideoConnectorOf(const v4l2_input& input, std::string_view busInfo) {
    if (input.type == V4L2_INPUT_TYPE_TUNER) {
        return PhysConn_Video_Tuner;
    }
    const std::string name = LowerName(input.name, sizeof input.name);
    if (Mentions(name, {"s-video", "svideo", "s video", "y/c"})) {
        return PhysConn_Video_SVideo;
    }
    if (Mentions(name, {"composite", "cvbs"})) {
        return PhysConn_Video_Composite;
    }
    if (Mentions(name, {"component", "ypbpr", "yprpb"})) {
        return PhysConn_Video_YRYBY;
    }
    if (Mentions(name, {"scart"})) {
        return PhysConn_Video_SCART;
    }
    if (Mentions(name, {"hdmi", "dvi", "sdi", "displayport", "digital"}) ||
        (input.capabilities & V4L2_IN_CAP_DV_TIMINGS)) {
        return PhysConn_Video_SerialDigital;
    }
    if (Mentions(name, {"vga", "rgb"})) {
        return PhysConn_Video_RGB;
    }
    // An unnamed analog input that takes TV standards: composite is the usual connector.
    if (input.capabilities & V4L2_IN_CAP_STD) {
        return PhysConn_Video_Composite;
    }
    return busInfo.starts_with("usb") ? PhysConn_Video_USB : PhysConn_Video_ParallelDigital;
}

PhysicalConnectorType AudioConnectorOf(const v4l2_audio& audio) {
    const std::string name = LowerName(audio.name, sizeof audio.name);
    if (Mentions(name, {"tuner", "tv", "radio"})) {
        return PhysConn_Audio_Tuner;
    }
    if (Mentions(name, {"mic"})) {
        return PhysConn_Audio_Mic;
    }
    if (Mentions(name, {"spdif", "s/pdif", "optical", "toslink"})) {
        return PhysConn_Audio_SPDIFDigital;
    }
    if (Mentions(name, {"aes", "ebu"})) {
        return PhysConn_Audio_AESDigital;
    }
    if (Mentions(name, {"hdmi", "sdi"})) {
        return PhysConn_Audio_AudioDecoder;
    }
    if (Mentions(name, {"usb"})) {
        return PhysConn_Audio_USB;
    }
    return PhysConn_Audio_Line;
}

}  // namespace capspect::v4l2
