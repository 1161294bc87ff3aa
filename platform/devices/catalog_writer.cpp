#include "platform/devices/catalog_writer.h"

#include <cstdio>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "platform/support/unicode.h"

namespace capspect::sim {
namespace {

using Json = nlohmann::ordered_json;

Json Text(const std::u16string& text) {
    return Utf16ToUtf8(text);
}

Json Size(const SIZE& size) {
    return Json::array({size.cx, size.cy});
}

Json Rect(const RECT& rect) {
    return Json::array({rect.left, rect.top, rect.right, rect.bottom});
}

Json Hresult(HRESULT hr) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

// A FOURCC of four letters, digits or spaces as its characters; other codes as numbers.
Json Compression(DWORD compression) {
    std::string code;
    for (int shift = 0; shift < 32; shift += 8) {
        const char c = static_cast<char>((compression >> shift) & 0xFF);
        const bool plain =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ';
        if (!plain) {
            return compression;
        }
        code += c;
    }
    return code;
}

// The connector's PhysConn_* name, or its number when it has none.
Json Connector(LONG type) {
    if (const auto name = CatalogConnectorText(type); ConnectorFromCatalogName(name)) {
        return name;
    }
    return type;
}

Json Fault(const CallFault& fault) {
    if (!fault.indices) {
        return Hresult(fault.hr);
    }
    return Json{{"hr", Hresult(fault.hr)}, {"indices", *fault.indices}};
}

void AddFault(Json& object, const char* key, const OptionalFault& fault) {
    if (fault) {
        object[key] = Fault(*fault);
    }
}

template <typename Header>
void AddVideoHeader(Json& type, const Header& header) {
    type["rcSource"] = Rect(header.rcSource);
    type["rcTarget"] = Rect(header.rcTarget);
    type["dwBitRate"] = header.dwBitRate;
    type["dwBitErrorRate"] = header.dwBitErrorRate;
    type["AvgTimePerFrame"] = header.AvgTimePerFrame;
    if constexpr (std::is_same_v<Header, VIDEOINFOHEADER2>) {
        type["dwInterlaceFlags"] = header.dwInterlaceFlags;
        type["dwCopyProtectFlags"] = header.dwCopyProtectFlags;
        type["dwPictAspectRatioX"] = header.dwPictAspectRatioX;
        type["dwPictAspectRatioY"] = header.dwPictAspectRatioY;
        type["dwControlFlags"] = header.dwControlFlags;
    }
    const BITMAPINFOHEADER& bitmap = header.bmiHeader;
    type["biSize"] = bitmap.biSize;
    type["biWidth"] = bitmap.biWidth;
    type["biHeight"] = bitmap.biHeight;
    type["biPlanes"] = bitmap.biPlanes;
    type["biBitCount"] = bitmap.biBitCount;
    type["biCompression"] = Compression(bitmap.biCompression);
    type["biSizeImage"] = bitmap.biSizeImage;
    type["biXPelsPerMeter"] = bitmap.biXPelsPerMeter;
    type["biYPelsPerMeter"] = bitmap.biYPelsPerMeter;
    type["biClrUsed"] = bitmap.biClrUsed;
    type["biClrImportant"] = bitmap.biClrImportant;
}

void AddWaveFormat(Json& type, const WAVEFORMATEX& wave) {
    type["wFormatTag"] = wave.wFormatTag;
    type["nChannels"] = wave.nChannels;
    type["nSamplesPerSec"] = wave.nSamplesPerSec;
    type["nAvgBytesPerSec"] = wave.nAvgBytesPerSec;
    type["nBlockAlign"] = wave.nBlockAlign;
    type["wBitsPerSample"] = wave.wBitsPerSample;
    type["cbSize"] = wave.cbSize;
}

Json MediaTypeJson(const MediaTypeDesc& desc) {
    Json type{{"majortype", CatalogGuidText(desc.majortype)},
              {"subtype", CatalogGuidText(desc.subtype)},
              {"formattype", CatalogGuidText(desc.formattype)},
              {"bFixedSizeSamples", desc.bFixedSizeSamples != FALSE},
              {"bTemporalCompression", desc.bTemporalCompression != FALSE},
              {"lSampleSize", desc.lSampleSize},
              {"cbFormat", desc.cbFormat}};
    // Only the structure the format type calls for has fields in the catalog.
    if (desc.formattype == FORMAT_VideoInfo) {
        if (const auto* header = std::get_if<VIDEOINFOHEADER>(&desc.format)) {
            AddVideoHeader(type, *header);
        }
    } else if (desc.formattype == FORMAT_VideoInfo2) {
        if (const auto* header = std::get_if<VIDEOINFOHEADER2>(&desc.format)) {
            AddVideoHeader(type, *header);
        }
    } else if (desc.formattype == FORMAT_WaveFormatEx) {
        if (const auto* wave = std::get_if<WAVEFORMATEX>(&desc.format)) {
            AddWaveFormat(type, *wave);
        }
    }
    return type;
}

Json StreamConfigJson(const StreamConfigDesc& config) {
    Json capabilities = Json::array();
    for (const Capability& capability : config.capabilities) {
        capabilities.push_back({{"caps", VideoCapsToJson(capability.caps)},
                                {"mediaType", MediaTypeJson(capability.mediaType)}});
    }
    return Json{{"capsSize", config.capsSize},
                {"current", config.current},
                {"capabilities", std::move(capabilities)}};
}

Json PinJson(const PinDesc& pin) {
    Json json{{"name", Text(pin.name)},
              {"direction", pin.direction == PinDirection::Input ? "input" : "output"}};
    if (pin.category) {
        json["category"] = CatalogGuidText(*pin.category);
    }
    if (pin.streamConfig) {
        json["streamConfig"] = StreamConfigJson(*pin.streamConfig);
    }
    if (!pin.mediaTypes.empty()) {
        Json types = Json::array();
        for (const MediaTypeDesc& type : pin.mediaTypes) {
            types.push_back(MediaTypeJson(type));
        }
        json["mediaTypes"] = std::move(types);
    }
    Json faults = Json::object();
    AddFault(faults, "GetNumberOfCapabilities", pin.faults.getNumberOfCapabilities);
    AddFault(faults, "GetStreamCaps", pin.faults.getStreamCaps);
    AddFault(faults, "GetFormat", pin.faults.getFormat);
    AddFault(faults, "SetFormat", pin.faults.setFormat);
    if (!faults.empty()) {
        json["faults"] = std::move(faults);
    }
    return json;
}

Json CrossbarJson(const CrossbarDesc& crossbar) {
    Json inputs = Json::array();
    for (const CrossbarInput& input : crossbar.inputs) {
        inputs.push_back({{"type", Connector(input.type)}, {"related", input.related}});
    }
    Json outputs = Json::array();
    for (const CrossbarOutput& output : crossbar.outputs) {
        Json json{{"type", Connector(output.type)},
                  {"related", output.related},
                  {"routedFrom", output.routedFrom}};
        if (output.canRouteFrom) {
            json["canRouteFrom"] = *output.canRouteFrom;
        }
        outputs.push_back(std::move(json));
    }
    Json json{{"inputs", std::move(inputs)}, {"outputs", std::move(outputs)}};
    const CrossbarFaults& faults = crossbar.faults;
    Json faultsJson = Json::object();
    AddFault(faultsJson, "get_PinCounts", faults.getPinCounts);
    if (const auto& pinInfo = faults.getCrossbarPinInfo) {
        Json fault{{"hr", Hresult(pinInfo->hr)}};
        if (pinInfo->inputs) {
            fault["inputs"] = *pinInfo->inputs;
        }
        if (pinInfo->outputs) {
            fault["outputs"] = *pinInfo->outputs;
        }
        faultsJson["get_CrossbarPinInfo"] = std::move(fault);
    }
    AddFault(faultsJson, "get_IsRoutedTo", faults.getIsRoutedTo);
    AddFault(faultsJson, "CanRoute", faults.canRoute);
    AddFault(faultsJson, "Route", faults.route);
    if (!faultsJson.empty()) {
        json["faults"] = std::move(faultsJson);
    }
    return json;
}

Json PropertiesJson(const DeviceProperties& properties) {
    Json json = Json::object();
    const auto addText = [&json](const char* key, const std::optional<std::u16string>& text) {
        if (text) {
            json[key] = Text(*text);
        }
    };
    addText("FriendlyName", properties.friendlyName);
    addText("Description", properties.description);
    addText("DevicePath", properties.devicePath);
    addText("CLSID", properties.clsid);
    if (properties.waveInId) {
        json["WaveInID"] = *properties.waveInId;
    }
    return json;
}

Json DeviceJson(const CatalogDevice& device) {
    Json json{{"category", device.category == DeviceCategory::Video ? "video" : "audio"},
              {"properties", PropertiesJson(device.properties)}};
    if (device.fileName) {
        json["fileName"] = Text(*device.fileName);
    }
    Json pins = Json::array();
    for (const PinDesc& pin : device.pins) {
        pins.push_back(PinJson(pin));
    }
    json["pins"] = std::move(pins);
    if (device.crossbar) {
        json["crossbar"] = CrossbarJson(*device.crossbar);
    }
    Json faults = Json::object();
    AddFault(faults, "BindToStorage", device.faults.bindToStorage);
    AddFault(faults, "BindToObject", device.faults.bindToObject);
    AddFault(faults, "RenderPreview", device.faults.renderPreview);
    if (!faults.empty()) {
        json["faults"] = std::move(faults);
    }
    return json;
}

}  // namespace

nlohmann::ordered_json VideoCapsToJson(const VIDEO_STREAM_CONFIG_CAPS& caps) {
    return Json{{"guid", CatalogGuidText(caps.guid)},
                {"VideoStandard", caps.VideoStandard},
                {"InputSize", Size(caps.InputSize)},
                {"MinCroppingSize", Size(caps.MinCroppingSize)},
                {"MaxCroppingSize", Size(caps.MaxCroppingSize)},
                {"CropGranularityX", caps.CropGranularityX},
                {"CropGranularityY", caps.CropGranularityY},
                {"CropAlignX", caps.CropAlignX},
                {"CropAlignY", caps.CropAlignY},
                {"MinOutputSize", Size(caps.MinOutputSize)},
                {"MaxOutputSize", Size(caps.MaxOutputSize)},
                {"OutputGranularityX", caps.OutputGranularityX},
                {"OutputGranularityY", caps.OutputGranularityY},
                {"StretchTapsX", caps.StretchTapsX},
                {"StretchTapsY", caps.StretchTapsY},
                {"ShrinkTapsX", caps.ShrinkTapsX},
                {"ShrinkTapsY", caps.ShrinkTapsY},
                {"MinFrameInterval", caps.MinFrameInterval},
                {"MaxFrameInterval", caps.MaxFrameInterval},
                {"MinBitsPerSecond", caps.MinBitsPerSecond},
                {"MaxBitsPerSecond", caps.MaxBitsPerSecond}};
}

std::string CatalogToJsonText(const Catalog& catalog) {
    Json devices = Json::array();
    for (const CatalogDevice& device : catalog.devices) {
        devices.push_back(DeviceJson(device));
    }
    return Json{{"devices", std::move(devices)}}.dump(2) + "\n";
}

}  // namespace capspect::sim
