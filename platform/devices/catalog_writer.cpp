#include "platform/devices/catalog_writer.h"

#include <type_traits>

#include <nlohmann/json.hpp>

#include "platform/support/guids.h"
#include "platform/support/hex_text.h"
#include "platform/support/unicode.h"

namespace capspect::sim {
namespace {

using Json = nlohmann::ordered_json;

Json Text(const std::u16string& text) {
    return Utf16ToUtf8(text);
}

Json Hresult(HRESULT hr) {
    return HexCode(static_cast<std::uint32_t>(hr));
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

void SizeMember(JsonWriter& out, std::string_view key, const SIZE& size) {
    out.Key(key).BeginArray();
    out.Integer(size.cx);
    out.Integer(size.cy);
    out.EndArray();
}

void RectMember(JsonWriter& out, std::string_view key, const RECT& rect) {
    out.Key(key).BeginArray();
    for (const LONG side : {rect.left, rect.top, rect.right, rect.bottom}) {
        out.Integer(side);
    }
    out.EndArray();
}

template <typename Header>
void AddVideoHeader(JsonWriter& type, const Header& header) {
    RectMember(type, "rcSource", header.rcSource);
    RectMember(type, "rcTarget", header.rcTarget);
    type.Member("dwBitRate", header.dwBitRate);
    type.Member("dwBitErrorRate", header.dwBitErrorRate);
    type.Member("AvgTimePerFrame", header.AvgTimePerFrame);
    if constexpr (std::is_same_v<Header, VIDEOINFOHEADER2>) {
        type.Member("dwInterlaceFlags", header.dwInterlaceFlags);
        type.Member("dwCopyProtectFlags", header.dwCopyProtectFlags);
        type.Member("dwPictAspectRatioX", header.dwPictAspectRatioX);
        type.Member("dwPictAspectRatioY", header.dwPictAspectRatioY);
        type.Member("dwControlFlags", header.dwControlFlags);
    }
    const BITMAPINFOHEADER& bitmap = header.bmiHeader;
    type.Member("biSize", bitmap.biSize);
    type.Member("biWidth", bitmap.biWidth);
    type.Member("biHeight", bitmap.biHeight);
    type.Member("biPlanes", bitmap.biPlanes);
    type.Member("biBitCount", bitmap.biBitCount);
    type.Member("biCompression", Compression(bitmap.biCompression));
    type.Member("biSizeImage", bitmap.biSizeImage);
    type.Member("biXPelsPerMeter", bitmap.biXPelsPerMeter);
    type.Member("biYPelsPerMeter", bitmap.biYPelsPerMeter);
    type.Member("biClrUsed", bitmap.biClrUsed);
    type.Member("biClrImportant", bitmap.biClrImportant);
}

void AddWaveFormat(JsonWriter& type, const WAVEFORMATEX& wave) {
    type.Member("wFormatTag", wave.wFormatTag);
    type.Member("nChannels", wave.nChannels);
    type.Member("nSamplesPerSec", wave.nSamplesPerSec);
    type.Member("nAvgBytesPerSec", wave.nAvgBytesPerSec);
    type.Member("nBlockAlign", wave.nBlockAlign);
    type.Member("wBitsPerSample", wave.wBitsPerSample);
    type.Member("cbSize", wave.cbSize);
}

void WriteMediaType(JsonWriter& type, const MediaTypeDesc& desc) {
    type.BeginObject();
    type.Member("majortype", CatalogGuidText(desc.majortype));
    type.Member("subtype", CatalogGuidText(desc.subtype));
    type.Member("formattype", CatalogGuidText(desc.formattype));
    type.Member("bFixedSizeSamples", desc.bFixedSizeSamples != FALSE);
    type.Member("bTemporalCompression", desc.bTemporalCompression != FALSE);
    type.Member("lSampleSize", desc.lSampleSize);
    type.Member("cbFormat", desc.cbFormat);
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
    type.EndObject();
}

void WriteStreamConfig(JsonWriter& out, const StreamConfigDesc& config) {
    out.BeginObject();
    out.Member("capsSize", config.capsSize);
    out.Member("current", config.current);
    out.Key("capabilities").BeginArray();
    for (const Capability& capability : config.capabilities) {
        const std::size_t start = out.Written();
        out.BeginObject();
        out.Key("caps");
        WriteVideoCaps(out, capability.caps);
        out.Key("mediaType");
        WriteMediaType(out, capability.mediaType);
        out.EndObject();
        if (&capability == &config.capabilities.front()) {
            out.ReserveForLike(start, config.capabilities.size());
        }
    }
    out.EndArray();
    out.EndObject();
}

void WritePin(JsonWriter& out, const PinDesc& pin) {
    out.BeginObject();
    out.Member("name", Utf16ToUtf8(pin.name));
    out.Member("direction", pin.direction == PinDirection::Input ? "input" : "output");
    if (pin.category) {
        out.Member("category", CatalogGuidText(*pin.category));
    }
    if (pin.streamConfig) {
        out.Key("streamConfig");
        WriteStreamConfig(out, *pin.streamConfig);
    }
    if (!pin.mediaTypes.empty()) {
        out.Key("mediaTypes").BeginArray();
        for (const MediaTypeDesc& type : pin.mediaTypes) {
            WriteMediaType(out, type);
        }
        out.EndArray();
    }
    Json faults = Json::object();
    AddFault(faults, "GetNumberOfCapabilities", pin.faults.getNumberOfCapabilities);
    AddFault(faults, "GetStreamCaps", pin.faults.getStreamCaps);
    AddFault(faults, "GetFormat", pin.faults.getFormat);
    AddFault(faults, "SetFormat", pin.faults.setFormat);
    if (!faults.empty()) {
        out.Member("faults", faults);
    }
    out.EndObject();
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

void WriteDevice(JsonWriter& out, const CatalogDevice& device) {
    out.BeginObject();
    out.Member("category", device.category == DeviceCategory::Video ? "video" : "audio");
    out.Member("properties", PropertiesJson(device.properties));
    if (device.fileName) {
        out.Member("fileName", Utf16ToUtf8(*device.fileName));
    }
    out.Key("pins").BeginArray();
    for (const PinDesc& pin : device.pins) {
        WritePin(out, pin);
    }
    out.EndArray();
    if (device.crossbar) {
        out.Member("crossbar", CrossbarJson(*device.crossbar));
    }
    Json faults = Json::object();
    AddFault(faults, "BindToStorage", device.faults.bindToStorage);
    AddFault(faults, "BindToObject", device.faults.bindToObject);
    AddFault(faults, "RenderPreview", device.faults.renderPreview);
    if (!faults.empty()) {
        out.Member("faults", faults);
    }
    out.EndObject();
}

}  // namespace

void WriteVideoCaps(JsonWriter& out, const VIDEO_STREAM_CONFIG_CAPS& caps,
                    const VideoCapsNames* names) {
    out.BeginObject();
    if (names != nullptr) {
        out.Key("guid").BeginObject();
        out.Member("guid", GuidToString(caps.guid));
        out.Member("name", names->formatType);
        out.EndObject();
    } else {
        out.Member("guid", CatalogGuidText(caps.guid));
    }
    out.Member("VideoStandard", caps.VideoStandard);
    if (names != nullptr) {
        out.Member("VideoStandardName", names->videoStandard);
    }
    SizeMember(out, "InputSize", caps.InputSize);
    SizeMember(out, "MinCroppingSize", caps.MinCroppingSize);
    SizeMember(out, "MaxCroppingSize", caps.MaxCroppingSize);
    out.Member("CropGranularityX", caps.CropGranularityX);
    out.Member("CropGranularityY", caps.CropGranularityY);
    out.Member("CropAlignX", caps.CropAlignX);
    out.Member("CropAlignY", caps.CropAlignY);
    SizeMember(out, "MinOutputSize", caps.MinOutputSize);
    SizeMember(out, "MaxOutputSize", caps.MaxOutputSize);
    out.Member("OutputGranularityX", caps.OutputGranularityX);
    out.Member("OutputGranularityY", caps.OutputGranularityY);
    out.Member("StretchTapsX", caps.StretchTapsX);
    out.Member("StretchTapsY", caps.StretchTapsY);
    out.Member("ShrinkTapsX", caps.ShrinkTapsX);
    out.Member("ShrinkTapsY", caps.ShrinkTapsY);
    out.Member("MinFrameInterval", caps.MinFrameInterval);
    out.Member("MaxFrameInterval", caps.MaxFrameInterval);
    out.Member("MinBitsPerSecond", caps.MinBitsPerSecond);
    out.Member("MaxBitsPerSecond", caps.MaxBitsPerSecond);
    out.EndObject();
}

std::string CatalogToJsonText(const Catalog& catalog) {
    std::string text;
    JsonWriter out(text);
    out.BeginObject();
    out.Key("devices").BeginArray();
    for (const CatalogDevice& device : catalog.devices) {
        WriteDevice(out, device);
    }
    out.EndArray();
    out.EndObject();
    text += '\n';
    return text;
}

}  // namespace capspect::sim
