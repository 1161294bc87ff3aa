#include "app/report_json.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "Components/VQDirectShow/MediaTypeNames.h"
#include "platform/devices/catalog_names.h"
#include "platform/devices/catalog_writer.h"
#include "platform/devices/json_writer.h"
#include "platform/support/guids.h"
#include "platform/support/unicode.h"

namespace capspect {
namespace {

// A GUID as registry text with the name given to it (null without one).
void WriteNamedGuid(sim::JsonWriter& out, std::string_view key, const GUID& guid,
                    const std::optional<std::string>& name) {
    out.Key(key).BeginObject();
    out.Member("guid", GuidToString(guid));
    out.Key("name");
    if (name) {
        out.String(*name);
    } else {
        out.Null();
    }
    out.EndObject();
}

// The platform's name of a major type (MEDIATYPE_Video); nothing for a GUID without one.
std::optional<std::string> MajorTypeName(const GUID& majorType) {
    std::string name = sim::CatalogGuidText(majorType);
    if (name.starts_with('{')) {
        return std::nullopt;
    }
    return name;
}

// The subtype's name as the text report writes it; a FOURCC subtype the report has no
// name for is named by its characters instead, so scripts can tell such formats apart.
std::string SubtypeJsonName(const GUID& subtype) {
    // What SubtypeName answers for a GUID it does not list.
    constexpr std::u16string_view kUnknownSubtype = u"unknown SubType";
    const std::u16string name = SubtypeName(subtype);
    if (name == kUnknownSubtype && subtype == FourCCGuid(subtype.Data1)) {
        return FourCCText(subtype.Data1);
    }
    return Utf16ToUtf8(name);
}

// The video header of a media type when its format block holds a whole one.
template <typename Header>
std::optional<Header> ReadVideoHeader(const AM_MEDIA_TYPE& mediaType, const GUID& formatType) {
    if (mediaType.formattype != formatType || mediaType.pbFormat == nullptr ||
        mediaType.cbFormat < sizeof(Header)) {
        return std::nullopt;
    }
    Header header{};
    std::memcpy(&header, mediaType.pbFormat, sizeof header);
    return header;
}

// The fields a VIDEOINFOHEADER and a VIDEOINFOHEADER2 share.
template <typename Header>
void AddVideoFields(sim::JsonWriter& out, const Header& header) {
    out.Member("AvgTimePerFrame", header.AvgTimePerFrame);
    out.Member("dwBitRate", header.dwBitRate);
    out.Member("biWidth", header.bmiHeader.biWidth);
    out.Member("biHeight", header.bmiHeader.biHeight);
    out.Member("biBitCount", header.bmiHeader.biBitCount);
    out.Member("biSizeImage", header.bmiHeader.biSizeImage);
}

void WriteMediaType(sim::JsonWriter& out, const AM_MEDIA_TYPE& mediaType) {
    out.BeginObject();
    WriteNamedGuid(out, "majortype", mediaType.majortype, MajorTypeName(mediaType.majortype));
    WriteNamedGuid(out, "subtype", mediaType.subtype, SubtypeJsonName(mediaType.subtype));
    WriteNamedGuid(out, "formattype", mediaType.formattype,
                   Utf16ToUtf8(FormatTypeName(mediaType.formattype)));
    out.Member("cbFormat", mediaType.cbFormat);
    if (const auto header = ReadVideoHeader<VIDEOINFOHEADER>(mediaType, FORMAT_VideoInfo)) {
        AddVideoFields(out, *header);
    } else if (const auto header2 =
                   ReadVideoHeader<VIDEOINFOHEADER2>(mediaType, FORMAT_VideoInfo2)) {
        AddVideoFields(out, *header2);
        out.Member("dwInterlaceFlags", header2->dwInterlaceFlags);
        out.Member("dwPictAspectRatioX", header2->dwPictAspectRatioX);
        out.Member("dwPictAspectRatioY", header2->dwPictAspectRatioY);
        out.Key("aspect");
        if (header2->dwPictAspectRatioY == 0) {
            out.Null();
        } else {
            out.Number(static_cast<double>(header2->dwPictAspectRatioX) /
                       header2->dwPictAspectRatioY);
        }
    }
    out.EndObject();
}

// Frames per second as the report shows them (two decimals); null without a video header
// or a frame duration.
void WriteFramesPerSecond(sim::JsonWriter& out, const AM_MEDIA_TYPE* mediaType, float fps) {
    const bool isVideo =
        mediaType != nullptr &&
        (ReadVideoHeader<VIDEOINFOHEADER>(*mediaType, FORMAT_VideoInfo).has_value() ||
         ReadVideoHeader<VIDEOINFOHEADER2>(*mediaType, FORMAT_VideoInfo2).has_value());
    if (!isVideo || !(fps > 0.0F)) {
        out.Null();
        return;
    }
    out.Number(std::round(static_cast<double>(fps) * 100.0) / 100.0);
}

// One output format: {"index", "caps", "mediaType", "fps", "text"}.
void WriteFormat(sim::JsonWriter& out, const TDXShowStreamConfigItem& format, int index) {
    const AM_MEDIA_TYPE* const mediaType = format.PmtConfig();
    const VIDEO_STREAM_CONFIG_CAPS& caps = format.ConfigCaps();
    const sim::VideoCapsNames names{Utf16ToUtf8(FormatTypeName(caps.guid)),
                                    Utf16ToUtf8(VideoStandardName(caps.VideoStandard))};
    out.BeginObject();
    out.Member("index", index);
    out.Key("caps");
    sim::WriteVideoCaps(out, caps, &names);
    out.Key("mediaType");
    if (mediaType != nullptr) {
        WriteMediaType(out, *mediaType);
    } else {
        out.Null();
    }
    out.Key("fps");
    WriteFramesPerSecond(out, mediaType, format.FPS());
    out.Member("text", Utf16ToUtf8(format.AsText()));
    out.EndObject();
}

}  // namespace

void WriteDeviceMember(sim::JsonWriter& out, const TDXShowDevice& device) {
    out.Key("device").BeginObject();
    out.Member("description", Utf16ToUtf8(device.Description()));
    out.Member("devicePath", Utf16ToUtf8(device.DevicePath()));
    out.EndObject();
}

std::string FormatReportAsJson(const TDXShowDevice& device, const TDXShowStreamConfig& formats) {
    std::string text;
    sim::JsonWriter out(text);
    out.BeginObject();
    WriteDeviceMember(out, device);
    out.Key("formats").BeginArray();
    for (int i = 0; i < formats.Count(); ++i) {
        const std::size_t start = out.Written();
        WriteFormat(out, formats.Items(i), i);
        if (i == 0) {
            out.ReserveForLike(start, static_cast<std::size_t>(formats.Count()));
        }
    }
    out.EndArray();
    out.EndObject();
    text += '\n';
    return text;
}

}  // namespace capspect
