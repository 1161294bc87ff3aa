#include "app/report_json.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "Components/VQDirectShow/MediaTypeNames.h"
#include "platform/devices/catalog_names.h"
#include "platform/devices/catalog_writer.h"
#include "platform/sdk/guid.h"
#include "platform/support/guids.h"
#include "platform/support/unicode.h"

namespace capspect {
namespace {

using Json = nlohmann::ordered_json;

// A GUID as registry text with the name given to it.
Json NamedGuid(const GUID& guid, const std::string& name) {
    return Json{{"guid", GuidToString(guid)}, {"name", name}};
}

// The platform's name of a major type (MEDIATYPE_Video); null for a GUID without one.
Json MajorTypeName(const GUID& majorType) {
    const std::string name = sim::CatalogGuidText(majorType);
    return name.starts_with('{') ? Json(nullptr) : Json(name);
}

// The four characters of a FOURCC, or its code in hex ("0xB5315258") when a byte is not a
// printable character (big-endian variants set the top bit of the last one).
std::string FourCCCharacters(DWORD fourcc) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto c = static_cast<unsigned char>((fourcc >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            char hex[11];
            std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(fourcc));
            return hex;
        }
        text += static_cast<char>(c);
    }
    return text;
}

// The subtype's name as the text report writes it; a FOURCC subtype the report has no
// name for is named by its characters instead, so scripts can tell such formats apart.
std::string SubtypeJsonName(const GUID& subtype) {
    // What SubtypeName answers for a GUID it does not list.
    constexpr std::u16string_view kUnknownSubtype = u"unknown SubType";
    const std::u16string name = SubtypeName(subtype);
    if (name == kUnknownSubtype && subtype == FourCCGuid(subtype.Data1)) {
        return FourCCCharacters(subtype.Data1);
    }
    return Utf16ToUtf8(name);
}

// The catalog's capability record with the report's names added: the format type's name
// next to its GUID and the standards' names after their bits.
Json CapsAsJson(const VIDEO_STREAM_CONFIG_CAPS& caps) {
    Json record = sim::VideoCapsToJson(caps);
    Json named;
    for (auto& [key, value] : record.items()) {
        if (key == "guid") {
            named[key] = NamedGuid(caps.guid, Utf16ToUtf8(FormatTypeName(caps.guid)));
            continue;
        }
        named[key] = std::move(value);
        if (key == "VideoStandard") {
            named["VideoStandardName"] = Utf16ToUtf8(VideoStandardName(caps.VideoStandard));
        }
    }
    return named;
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
void AddVideoFields(Json& json, const Header& header) {
    json["AvgTimePerFrame"] = header.AvgTimePerFrame;
    json["dwBitRate"] = header.dwBitRate;
    json["biWidth"] = header.bmiHeader.biWidth;
    json["biHeight"] = header.bmiHeader.biHeight;
    json["biBitCount"] = header.bmiHeader.biBitCount;
    json["biSizeImage"] = header.bmiHeader.biSizeImage;
}

Json MediaTypeAsJson(const AM_MEDIA_TYPE& mediaType) {
    Json json{
        {"majortype", Json{{"guid", GuidToString(mediaType.majortype)},
                           {"name", MajorTypeName(mediaType.majortype)}}},
        {"subtype", NamedGuid(mediaType.subtype, SubtypeJsonName(mediaType.subtype))},
        {"formattype",
         NamedGuid(mediaType.formattype, Utf16ToUtf8(FormatTypeName(mediaType.formattype)))},
        {"cbFormat", mediaType.cbFormat},
    };
    if (const auto header = ReadVideoHeader<VIDEOINFOHEADER>(mediaType, FORMAT_VideoInfo)) {
        AddVideoFields(json, *header);
    } else if (const auto header2 =
                   ReadVideoHeader<VIDEOINFOHEADER2>(mediaType, FORMAT_VideoInfo2)) {
        AddVideoFields(json, *header2);
        json["dwInterlaceFlags"] = header2->dwInterlaceFlags;
        json["dwPictAspectRatioX"] = header2->dwPictAspectRatioX;
        json["dwPictAspectRatioY"] = header2->dwPictAspectRatioY;
        json["aspect"] = header2->dwPictAspectRatioY == 0
                             ? Json(nullptr)
                             : Json(static_cast<double>(header2->dwPictAspectRatioX) /
                                    header2->dwPictAspectRatioY);
    }
    return json;
}

// Frames per second as the report shows them (two decimals); null without a video header
// or a frame duration.
Json FramesPerSecond(const AM_MEDIA_TYPE* mediaType, float fps) {
    const bool isVideo =
        mediaType != nullptr &&
        (ReadVideoHeader<VIDEOINFOHEADER>(*mediaType, FORMAT_VideoInfo).has_value() ||
         ReadVideoHeader<VIDEOINFOHEADER2>(*mediaType, FORMAT_VideoInfo2).has_value());
    if (!isVideo || !(fps > 0.0F)) {
        return nullptr;
    }
    return std::round(static_cast<double>(fps) * 100.0) / 100.0;
}

}  // namespace

Json FormatAsJson(const TDXShowStreamConfigItem& format, int index) {
    const AM_MEDIA_TYPE* const mediaType = format.PmtConfig();
    return Json{
        {"index", index},
        {"caps", CapsAsJson(format.ConfigCaps())},
        {"mediaType", mediaType != nullptr ? MediaTypeAsJson(*mediaType) : Json(nullptr)},
        {"fps", FramesPerSecond(mediaType, format.FPS())},
        {"text", Utf16ToUtf8(format.AsText())},
    };
}

Json FormatReportAsJson(const TDXShowDevice& device, const TDXShowStreamConfig& formats) {
    Json list = Json::array();
    for (int i = 0; i < formats.Count(); ++i) {
        list.push_back(FormatAsJson(formats.Items(i), i));
    }
    return Json{
        {"device", Json{{"description", Utf16ToUtf8(device.Description())},
                        {"devicePath", Utf16ToUtf8(device.DevicePath())}}},
        {"formats", std::move(list)},
    };
}

}  // namespace capspect
