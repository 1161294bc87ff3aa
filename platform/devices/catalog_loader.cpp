// Reads a device catalog from JSON. Every value is checked where it is read, so that a
// fault is reported with the JSON path that leads to it; the catalog is built in a local
// value and only returned once it is complete.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/devices/catalog.h"
#include "platform/devices/json_path.h"
#include "platform/support/guids.h"
#include "platform/support/unicode.h"

namespace capspect::sim {
namespace {

using Json = nlohmann::json;

constexpr std::size_t kMaxShownValue = 40;
constexpr int kMaxRecordSize = 65536;
constexpr int kWaveTagLimit = 0xFFFF;
constexpr std::string_view kTopLevel = "(top level)";

// A fault found in a catalog: where, and what was expected there.
struct Invalid {
    std::string path;
    std::string message;
};

std::string Shown(const Json& value) {
    std::string text = value.dump();
    if (text.size() > kMaxShownValue) {
        text = text.substr(0, kMaxShownValue - 3) + "...";
    }
    return text;
}

// A JSON value and the path that leads to it from the top of the catalog.
class Node : public JsonPath {
public:
    using JsonPath::JsonPath;
    explicit Node(const JsonPath& place) : JsonPath(place) {}

    Node Member(std::string_view key) const { return Node(JsonPath::Member(key)); }
    Node Element(std::size_t index) const { return Node(JsonPath::Element(index)); }

    [[noreturn]] void Fail(std::string_view expectation) const {
        throw Invalid{Path(), "expected " + std::string(expectation) + ", found " + Shown(Value())};
    }
};

// An object whose keys must all be among `keys`; unknown keys are most often typos.
// Every object may also carry a "comment" string, since JSON has no comments.
class ObjectReader {
public:
    ObjectReader(const Node& node, std::vector<std::string_view> keys)
        : node_(node), keys_(std::move(keys)) {
        if (!node.Value().is_object()) {
            node.Fail("an object");
        }
        for (const auto& [key, value] : node.Value().items()) {
            if (key == "comment" && value.is_string()) {
                continue;
            }
            if (std::find(keys_.begin(), keys_.end(), key) == keys_.end()) {
                throw Invalid{node.PathOf(key), "unknown key; expected one of " + KeyList()};
            }
        }
    }

    bool Has(std::string_view key) const { return node_.Value().contains(std::string(key)); }

    std::optional<Node> Optional(std::string_view key) const {
        if (!Has(key)) {
            return std::nullopt;
        }
        return node_.Member(key);
    }

    Node Required(std::string_view key, std::string_view meaning) const {
        if (!Has(key)) {
            throw Invalid{node_.Path(), "expected key \"" + std::string(key) + "\" (" +
                                            std::string(meaning) + ")"};
        }
        return node_.Member(key);
    }

private:
    std::string KeyList() const {
        std::string list;
        for (const auto key : keys_) {
            list += (list.empty() ? "" : ", ") + std::string(key);
        }
        return list;
    }

    Node node_;
    std::vector<std::string_view> keys_;
};

template <typename Integer>
Integer ReadInteger(const Node& node, Integer min = std::numeric_limits<Integer>::min(),
                    Integer max = std::numeric_limits<Integer>::max()) {
    const Json& value = node.Value();
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (std::cmp_greater_equal(number, min) && std::cmp_less_equal(number, max)) {
            return static_cast<Integer>(number);
        }
    } else if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (std::cmp_greater_equal(number, min) && std::cmp_less_equal(number, max)) {
            return static_cast<Integer>(number);
        }
    }
    node.Fail("an integer from " + std::to_string(min) + " to " + std::to_string(max));
}

std::string ReadString(const Node& node) {
    if (!node.Value().is_string()) {
        node.Fail("a string");
    }
    return node.Value().get<std::string>();
}

std::u16string ReadText(const Node& node) {
    return Utf8ToUtf16(ReadString(node));
}

BOOL ReadBoolean(const Node& node) {
    if (!node.Value().is_boolean()) {
        node.Fail("true or false");
    }
    return node.Value().get<bool>() ? TRUE : FALSE;
}

GUID ReadGuid(const Node& node) {
    if (node.Value().is_string()) {
        const std::string text = node.Value().get<std::string>();
        const auto guid = text.starts_with('{') ? GuidFromString(text) : GuidFromCatalogName(text);
        if (guid) {
            return *guid;
        }
    }
    node.Fail("a GUID name such as MEDIASUBTYPE_YUY2 or braced GUID text");
}

HRESULT ReadHresult(const Node& node) {
    std::optional<HRESULT> hr;
    const Json& value = node.Value();
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number <= 0xFFFFFFFFu) {
            hr = static_cast<HRESULT>(static_cast<std::uint32_t>(number));
        }
    } else if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (std::in_range<HRESULT>(number)) {
            hr = static_cast<HRESULT>(number);
        }
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        if (text.starts_with("0x") || text.starts_with("0X")) {
            const std::string digits = text.substr(2);
            if (!digits.empty() && digits.size() <= 8 &&
                digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
                hr = static_cast<HRESULT>(std::stoul(digits, nullptr, 16));
            }
        } else {
            hr = HresultFromCatalogName(text);
        }
    }
    if (!hr || *hr == S_OK) {
        node.Fail(
            "an HRESULT other than S_OK: a name such as E_FAIL, hex text such as "
            "\"0x80004005\" or a number");
    }
    return *hr;
}

template <typename Read>
auto ReadArray(const Node& node, Read read) {
    if (!node.Value().is_array()) {
        node.Fail("an array");
    }
    std::vector<decltype(read(node))> items;
    items.reserve(node.Value().size());
    for (std::size_t i = 0; i < node.Value().size(); ++i) {
        items.push_back(read(node.Element(i)));
    }
    return items;
}

template <typename Value>
Value ReadChoice(const Node& node,
                 std::initializer_list<std::pair<std::string_view, Value>> choices,
                 std::string_view expectation) {
    if (node.Value().is_string()) {
        const std::string text = node.Value().get<std::string>();
        for (const auto& [name, value] : choices) {
            if (name == text) {
                return value;
            }
        }
    }
    node.Fail(expectation);
}

SIZE ReadSize(const Node& node) {
    if (!node.Value().is_array() || node.Value().size() != 2) {
        node.Fail("[cx, cy], two integers");
    }
    return SIZE{ReadInteger<LONG>(node.Element(0)), ReadInteger<LONG>(node.Element(1))};
}

RECT ReadRect(const Node& node) {
    if (!node.Value().is_array() || node.Value().size() != 4) {
        node.Fail("[left, top, right, bottom], four integers");
    }
    return RECT{ReadInteger<LONG>(node.Element(0)), ReadInteger<LONG>(node.Element(1)),
                ReadInteger<LONG>(node.Element(2)), ReadInteger<LONG>(node.Element(3))};
}

// Reads `key` into `field` when the object has it; otherwise `field` keeps its value.
template <typename Field>
void ReadField(const ObjectReader& reader, std::string_view key, Field& field) {
    const auto node = reader.Optional(key);
    if (!node) {
        return;
    }
    if constexpr (std::is_same_v<Field, GUID>) {
        field = ReadGuid(*node);
    } else if constexpr (std::is_same_v<Field, SIZE>) {
        field = ReadSize(*node);
    } else if constexpr (std::is_same_v<Field, RECT>) {
        field = ReadRect(*node);
    } else {
        field = ReadInteger<Field>(*node);
    }
}

// A list of indices (capabilities, pins), each 0 or more.
std::vector<int> ReadIndices(const Node& node) {
    return ReadArray(node, [](const Node& item) { return ReadInteger<int>(item, 0); });
}

CallFault ReadFault(const Node& node, bool indexed) {
    if (!node.Value().is_object()) {
        return CallFault{ReadHresult(node), std::nullopt};
    }
    const ObjectReader reader(node, indexed ? std::vector<std::string_view>{"hr", "indices"}
                                            : std::vector<std::string_view>{"hr"});
    CallFault fault{ReadHresult(reader.Required("hr", "the HRESULT the call fails with")),
                    std::nullopt};
    if (const auto indices = reader.Optional("indices")) {
        fault.indices = ReadIndices(*indices);
    }
    return fault;
}

void ReadFaultField(const ObjectReader& reader, std::string_view key, bool indexed,
                    OptionalFault& fault) {
    if (const auto node = reader.Optional(key)) {
        fault = ReadFault(*node, indexed);
    }
}

VIDEO_STREAM_CONFIG_CAPS ReadCaps(const Node& node) {
    const ObjectReader reader(node, {"guid",
                                     "VideoStandard",
                                     "InputSize",
                                     "MinCroppingSize",
                                     "MaxCroppingSize",
                                     "CropGranularityX",
                                     "CropGranularityY",
                                     "CropAlignX",
                                     "CropAlignY",
                                     "MinOutputSize",
                                     "MaxOutputSize",
                                     "OutputGranularityX",
                                     "OutputGranularityY",
                                     "StretchTapsX",
                                     "StretchTapsY",
                                     "ShrinkTapsX",
                                     "ShrinkTapsY",
                                     "MinFrameInterval",
                                     "MaxFrameInterval",
                                     "MinBitsPerSecond",
                                     "MaxBitsPerSecond"});
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ReadField(reader, "guid", caps.guid);
    ReadField(reader, "VideoStandard", caps.VideoStandard);
    ReadField(reader, "InputSize", caps.InputSize);
    ReadField(reader, "MinCroppingSize", caps.MinCroppingSize);
    ReadField(reader, "MaxCroppingSize", caps.MaxCroppingSize);
    ReadField(reader, "CropGranularityX", caps.CropGranularityX);
    ReadField(reader, "CropGranularityY", caps.CropGranularityY);
    ReadField(reader, "CropAlignX", caps.CropAlignX);
    ReadField(reader, "CropAlignY", caps.CropAlignY);
    ReadField(reader, "MinOutputSize", caps.MinOutputSize);
    ReadField(reader, "MaxOutputSize", caps.MaxOutputSize);
    ReadField(reader, "OutputGranularityX", caps.OutputGranularityX);
    ReadField(reader, "OutputGranularityY", caps.OutputGranularityY);
    ReadField(reader, "StretchTapsX", caps.StretchTapsX);
    ReadField(reader, "StretchTapsY", caps.StretchTapsY);
    ReadField(reader, "ShrinkTapsX", caps.ShrinkTapsX);
    ReadField(reader, "ShrinkTapsY", caps.ShrinkTapsY);
    ReadField(reader, "MinFrameInterval", caps.MinFrameInterval);
    ReadField(reader, "MaxFrameInterval", caps.MaxFrameInterval);
    ReadField(reader, "MinBitsPerSecond", caps.MinBitsPerSecond);
    ReadField(reader, "MaxBitsPerSecond", caps.MaxBitsPerSecond);
    return caps;
}

enum class FormatKind { None, VideoInfo, VideoInfo2, WaveFormat };

FormatKind KindOf(const GUID& formattype) {
    if (formattype == FORMAT_VideoInfo) {
        return FormatKind::VideoInfo;
    }
    if (formattype == FORMAT_VideoInfo2) {
        return FormatKind::VideoInfo2;
    }
    if (formattype == FORMAT_WaveFormatEx) {
        return FormatKind::WaveFormat;
    }
    return FormatKind::None;
}

std::vector<std::string_view> MediaTypeKeys(FormatKind kind) {
    std::vector<std::string_view> keys = {
        "majortype",   "subtype", "formattype", "bFixedSizeSamples", "bTemporalCompression",
        "lSampleSize", "cbFormat"};
    const std::vector<std::string_view> video = {
        "rcSource",        "rcTarget",        "dwBitRate",     "dwBitErrorRate",
        "AvgTimePerFrame", "biSize",          "biWidth",       "biHeight",
        "biPlanes",        "biBitCount",      "biCompression", "biSizeImage",
        "biXPelsPerMeter", "biYPelsPerMeter", "biClrUsed",     "biClrImportant"};
    const std::vector<std::string_view> video2 = {"dwInterlaceFlags", "dwCopyProtectFlags",
                                                  "dwPictAspectRatioX", "dwPictAspectRatioY",
                                                  "dwControlFlags"};
    const std::vector<std::string_view> wave = {"wFormatTag",      "nChannels",   "nSamplesPerSec",
                                                "nAvgBytesPerSec", "nBlockAlign", "wBitsPerSample",
                                                "cbSize"};
    const auto append = [&keys](const std::vector<std::string_view>& more) {
        keys.insert(keys.end(), more.begin(), more.end());
    };
    switch (kind) {
        case FormatKind::VideoInfo2:
            append(video2);
            [[fallthrough]];
        case FormatKind::VideoInfo:
            append(video);
            break;
        case FormatKind::WaveFormat:
            append(wave);
            break;
        case FormatKind::None:
            break;
    }
    return keys;
}

bool IsFourCCForm(const GUID& subtype) {
    return FourCCGuid(subtype.Data1) == subtype;
}

// The uncompressed image size by the bitmap row rule (rows padded to 32 bits).
DWORD ImageSize(const BITMAPINFOHEADER& header) {
    const std::int64_t rowBits = static_cast<std::int64_t>(header.biWidth) * header.biBitCount;
    const std::int64_t rowBytes = ((rowBits + 31) & ~std::int64_t{31}) / 8;
    const std::int64_t height =
        header.biHeight < 0 ? -std::int64_t{header.biHeight} : header.biHeight;
    return static_cast<DWORD>(rowBytes * height);
}

DWORD ReadCompression(const Node& node) {
    if (node.Value().is_string()) {
        const std::string code = node.Value().get<std::string>();
        if (code.size() == 4) {
            return MakeFourCC(code[0], code[1], code[2], code[3]);
        }
        node.Fail("a FOURCC of four characters or an integer");
    }
    return ReadInteger<DWORD>(node);
}

template <typename Header>
Header ReadVideoHeader(const ObjectReader& reader, const GUID& subtype) {
    Header header{};
    ReadField(reader, "rcSource", header.rcSource);
    ReadField(reader, "rcTarget", header.rcTarget);
    ReadField(reader, "dwBitRate", header.dwBitRate);
    ReadField(reader, "dwBitErrorRate", header.dwBitErrorRate);
    ReadField(reader, "AvgTimePerFrame", header.AvgTimePerFrame);
    if constexpr (std::is_same_v<Header, VIDEOINFOHEADER2>) {
        ReadField(reader, "dwInterlaceFlags", header.dwInterlaceFlags);
        ReadField(reader, "dwCopyProtectFlags", header.dwCopyProtectFlags);
        ReadField(reader, "dwPictAspectRatioX", header.dwPictAspectRatioX);
        ReadField(reader, "dwPictAspectRatioY", header.dwPictAspectRatioY);
        ReadField(reader, "dwControlFlags", header.dwControlFlags);
    }
    BITMAPINFOHEADER& bitmap = header.bmiHeader;
    bitmap.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.biPlanes = 1;
    bitmap.biCompression = IsFourCCForm(subtype) ? subtype.Data1 : 0;
    ReadField(reader, "biSize", bitmap.biSize);
    ReadField(reader, "biWidth", bitmap.biWidth);
    ReadField(reader, "biHeight", bitmap.biHeight);
    ReadField(reader, "biPlanes", bitmap.biPlanes);
    ReadField(reader, "biBitCount", bitmap.biBitCount);
    if (const auto compression = reader.Optional("biCompression")) {
        bitmap.biCompression = ReadCompression(*compression);
    }
    bitmap.biSizeImage = ImageSize(bitmap);
    ReadField(reader, "biSizeImage", bitmap.biSizeImage);
    ReadField(reader, "biXPelsPerMeter", bitmap.biXPelsPerMeter);
    ReadField(reader, "biYPelsPerMeter", bitmap.biYPelsPerMeter);
    ReadField(reader, "biClrUsed", bitmap.biClrUsed);
    ReadField(reader, "biClrImportant", bitmap.biClrImportant);
    return header;
}

WAVEFORMATEX ReadWaveFormat(const ObjectReader& reader, const GUID& subtype) {
    WAVEFORMATEX wave{};
    if (IsFourCCForm(subtype) && subtype.Data1 <= kWaveTagLimit) {
        wave.wFormatTag = static_cast<WORD>(subtype.Data1);
    }
    // Read into locals: the record is packed, so its fields cannot be bound to references.
    WORD tag = wave.wFormatTag;
    WORD channels = 0;
    DWORD samplesPerSec = 0;
    WORD bitsPerSample = 0;
    WORD extraSize = 0;
    ReadField(reader, "wFormatTag", tag);
    ReadField(reader, "nChannels", channels);
    ReadField(reader, "nSamplesPerSec", samplesPerSec);
    ReadField(reader, "wBitsPerSample", bitsPerSample);
    ReadField(reader, "cbSize", extraSize);
    WORD blockAlign = static_cast<WORD>(channels * bitsPerSample / 8);
    ReadField(reader, "nBlockAlign", blockAlign);
    DWORD avgBytesPerSec = samplesPerSec * blockAlign;
    ReadField(reader, "nAvgBytesPerSec", avgBytesPerSec);
    wave.wFormatTag = tag;
    wave.nChannels = channels;
    wave.nSamplesPerSec = samplesPerSec;
    wave.nAvgBytesPerSec = avgBytesPerSec;
    wave.nBlockAlign = blockAlign;
    wave.wBitsPerSample = bitsPerSample;
    wave.cbSize = extraSize;
    return wave;
}

MediaTypeDesc ReadMediaType(const Node& node) {
    if (!node.Value().is_object()) {
        node.Fail("an object");
    }
    // The format type decides which structure's fields the object may hold.
    constexpr std::string_view kFormatMeaning = "a format type such as FORMAT_Vidscope";
    if (!node.Value().contains("formattype")) {
        throw Invalid{node.Path(),
                      "expected key \"formattype\" (" + std::string(kFormatMeaning) + ")"};
    }
    const FormatKind kind = KindOf(ReadGuid(node.Member("formattype")));
    const ObjectReader reader(node, MediaTypeKeys(kind));

    MediaTypeDesc type;
    type.majortype = ReadGuid(reader.Required("majortype", "a major type such as MEDIATYPE_Video"));
    type.subtype = ReadGuid(reader.Required("subtype", "a subtype such as MEDIASUBTYPE_YUY2"));
    type.formattype = ReadGuid(reader.Required("formattype", kFormatMeaning));
    switch (kind) {
        case FormatKind::VideoInfo: {
            const auto header = ReadVideoHeader<VIDEOINFOHEADER>(reader, type.subtype);
            type.format = header;
            type.lSampleSize = header.bmiHeader.biSizeImage;
            type.cbFormat = sizeof header;
            break;
        }
        case FormatKind::VideoInfo2: {
            const auto header = ReadVideoHeader<VIDEOINFOHEADER2>(reader, type.subtype);
            type.format = header;
            type.lSampleSize = header.bmiHeader.biSizeImage;
            type.cbFormat = sizeof header;
            break;
        }
        case FormatKind::WaveFormat: {
            const WAVEFORMATEX wave = ReadWaveFormat(reader, type.subtype);
            type.format = wave;
            type.lSampleSize = wave.nBlockAlign;
            type.cbFormat = sizeof wave;
            break;
        }
        case FormatKind::None:
            break;
    }
    if (const auto fixed = reader.Optional("bFixedSizeSamples")) {
        type.bFixedSizeSamples = ReadBoolean(*fixed);
    }
    if (const auto temporal = reader.Optional("bTemporalCompression")) {
        type.bTemporalCompression = ReadBoolean(*temporal);
    }
    ReadField(reader, "lSampleSize", type.lSampleSize);
    if (const auto size = reader.Optional("cbFormat")) {
        type.cbFormat = ReadInteger<ULONG>(*size, 0, kMaxRecordSize);
    }
    return type;
}

StreamFailureDesc ReadStreamFailure(const Node& node) {
    const ObjectReader reader(node, {"afterFrames", "hr"});
    StreamFailureDesc failure;
    failure.hr = ReadHresult(reader.Required("hr", "the HRESULT the stream fails with"));
    if (const auto after = reader.Optional("afterFrames")) {
        failure.afterFrames = ReadInteger<int>(*after, 0);
    }
    return failure;
}

// A frame interval or delay in 100 ns units: above 0, at most an hour.
REFERENCE_TIME ReadDuration(const Node& node, REFERENCE_TIME min) {
    constexpr REFERENCE_TIME kHour = 36'000'000'000;
    return ReadInteger<REFERENCE_TIME>(node, min, kHour);
}

StreamingDesc ReadStreaming(const Node& node) {
    const ObjectReader reader(node, {"frameInterval", "firstFrameDelay", "frames", "deliveredSize",
                                     "deliveredSubtype", "failure"});
    StreamingDesc streaming;
    if (const auto interval = reader.Optional("frameInterval")) {
        streaming.frameInterval = ReadDuration(*interval, 1);
    }
    if (const auto delay = reader.Optional("firstFrameDelay")) {
        streaming.firstFrameDelay = ReadDuration(*delay, 0);
    }
    if (const auto frames = reader.Optional("frames")) {
        streaming.frames = ReadInteger<int>(*frames, 0);
    }
    if (const auto size = reader.Optional("deliveredSize")) {
        streaming.deliveredSize = ReadSize(*size);
    }
    if (const auto subtype = reader.Optional("deliveredSubtype")) {
        streaming.deliveredSubtype = ReadGuid(*subtype);
    }
    if (const auto failure = reader.Optional("failure")) {
        streaming.failure = ReadStreamFailure(*failure);
    }
    return streaming;
}

Capability ReadCapability(const Node& node) {
    const ObjectReader reader(node, {"caps", "mediaType", "streaming"});
    Capability capability;
    if (const auto caps = reader.Optional("caps")) {
        capability.caps = ReadCaps(*caps);
    }
    capability.mediaType =
        ReadMediaType(reader.Required("mediaType", "the capability's media type"));
    if (const auto streaming = reader.Optional("streaming")) {
        capability.streaming = ReadStreaming(*streaming);
    }
    return capability;
}

StreamConfigDesc ReadStreamConfig(const Node& node) {
    const ObjectReader reader(node, {"capsSize", "current", "capabilities"});
    StreamConfigDesc config;
    if (const auto size = reader.Optional("capsSize")) {
        config.capsSize = ReadInteger<int>(*size, 1, kMaxRecordSize);
    }
    if (const auto capabilities = reader.Optional("capabilities")) {
        config.capabilities = ReadArray(*capabilities, ReadCapability);
    }
    const int count = static_cast<int>(config.capabilities.size());
    config.current = count > 0 ? 0 : -1;
    if (const auto current = reader.Optional("current")) {
        config.current = ReadInteger<int>(*current, -1, count - 1);
    }
    return config;
}

PinFaults ReadPinFaults(const Node& node) {
    const ObjectReader reader(
        node, {"GetNumberOfCapabilities", "GetStreamCaps", "GetFormat", "SetFormat"});
    PinFaults faults;
    ReadFaultField(reader, "GetNumberOfCapabilities", false, faults.getNumberOfCapabilities);
    ReadFaultField(reader, "GetStreamCaps", true, faults.getStreamCaps);
    ReadFaultField(reader, "GetFormat", false, faults.getFormat);
    ReadFaultField(reader, "SetFormat", true, faults.setFormat);
    return faults;
}

PinDesc ReadPin(const Node& node) {
    const ObjectReader reader(
        node, {"name", "direction", "category", "streamConfig", "mediaTypes", "faults"});
    PinDesc pin;
    pin.name = ReadText(reader.Required("name", "the pin's name"));
    if (const auto direction = reader.Optional("direction")) {
        pin.direction = ReadChoice<PinDirection>(
            *direction, {{"input", PinDirection::Input}, {"output", PinDirection::Output}},
            "\"input\" or \"output\"");
    }
    if (const auto category = reader.Optional("category")) {
        pin.category = ReadGuid(*category);
    }
    if (const auto config = reader.Optional("streamConfig")) {
        pin.streamConfig = ReadStreamConfig(*config);
    }
    if (const auto types = reader.Optional("mediaTypes")) {
        pin.mediaTypes = ReadArray(*types, ReadMediaType);
    }
    if (const auto faults = reader.Optional("faults")) {
        pin.faults = ReadPinFaults(*faults);
    }
    return pin;
}

LONG ReadConnector(const Node& node) {
    if (node.Value().is_string()) {
        if (const auto type = ConnectorFromCatalogName(node.Value().get<std::string>())) {
            return *type;
        }
    } else if (node.Value().is_number_integer()) {
        return ReadInteger<LONG>(node);
    }
    node.Fail("a connector type such as PhysConn_Video_Composite or an integer");
}

CrossbarInput ReadCrossbarInput(const Node& node) {
    const ObjectReader reader(node, {"type", "related"});
    CrossbarInput input;
    input.type = ReadConnector(reader.Required("type", "the physical connector type"));
    if (const auto related = reader.Optional("related")) {
        input.related = ReadInteger<LONG>(*related);
    }
    return input;
}

CrossbarOutput ReadCrossbarOutput(const Node& node, std::size_t inputCount) {
    const ObjectReader reader(node, {"type", "related", "routedFrom", "canRouteFrom"});
    CrossbarOutput output;
    output.type = ReadConnector(reader.Required("type", "the physical connector type"));
    if (const auto related = reader.Optional("related")) {
        output.related = ReadInteger<LONG>(*related);
    }
    ReadField(reader, "routedFrom", output.routedFrom);
    if (const auto routes = reader.Optional("canRouteFrom")) {
        output.canRouteFrom = ReadArray(*routes, [inputCount](const Node& item) {
            return ReadInteger<LONG>(item, 0, static_cast<LONG>(inputCount) - 1);
        });
    }
    return output;
}

CrossbarPinInfoFault ReadPinInfoFault(const Node& node) {
    if (!node.Value().is_object()) {
        return CrossbarPinInfoFault{ReadHresult(node), std::nullopt, std::nullopt};
    }
    const ObjectReader reader(node, {"hr", "inputs", "outputs"});
    CrossbarPinInfoFault fault;
    fault.hr = ReadHresult(reader.Required("hr", "the HRESULT the call fails with"));
    if (const auto inputs = reader.Optional("inputs")) {
        fault.inputs = ReadIndices(*inputs);
    }
    if (const auto outputs = reader.Optional("outputs")) {
        fault.outputs = ReadIndices(*outputs);
    }
    return fault;
}

CrossbarFaults ReadCrossbarFaults(const Node& node) {
    const ObjectReader reader(
        node, {"get_PinCounts", "get_CrossbarPinInfo", "get_IsRoutedTo", "CanRoute", "Route"});
    CrossbarFaults faults;
    ReadFaultField(reader, "get_PinCounts", false, faults.getPinCounts);
    if (const auto pinInfo = reader.Optional("get_CrossbarPinInfo")) {
        faults.getCrossbarPinInfo = ReadPinInfoFault(*pinInfo);
    }
    ReadFaultField(reader, "get_IsRoutedTo", true, faults.getIsRoutedTo);
    ReadFaultField(reader, "CanRoute", true, faults.canRoute);
    ReadFaultField(reader, "Route", true, faults.route);
    return faults;
}

std::size_t ArraySize(const std::optional<Node>& node) {
    return node && node->Value().is_array() ? node->Value().size() : 0;
}

CrossbarDesc ReadCrossbar(const Node& node) {
    const ObjectReader reader(node, {"inputs", "outputs", "faults"});
    const auto inputs = reader.Optional("inputs");
    const auto outputs = reader.Optional("outputs");
    // Routes name inputs by index, so the input count comes first.
    const std::size_t inputCount = ArraySize(inputs);
    CrossbarDesc crossbar;
    if (inputs) {
        crossbar.inputs = ReadArray(*inputs, ReadCrossbarInput);
    }
    if (outputs) {
        crossbar.outputs = ReadArray(*outputs, [inputCount](const Node& item) {
            return ReadCrossbarOutput(item, inputCount);
        });
    }
    if (const auto faults = reader.Optional("faults")) {
        crossbar.faults = ReadCrossbarFaults(*faults);
    }
    return crossbar;
}

DeviceProperties ReadProperties(const Node& node) {
    const ObjectReader reader(node,
                              {"FriendlyName", "Description", "DevicePath", "CLSID", "WaveInID"});
    DeviceProperties properties;
    const auto readText = [&reader](std::string_view key, std::optional<std::u16string>& field) {
        if (const auto value = reader.Optional(key)) {
            field = ReadText(*value);
        }
    };
    readText("FriendlyName", properties.friendlyName);
    readText("Description", properties.description);
    readText("DevicePath", properties.devicePath);
    readText("CLSID", properties.clsid);
    if (const auto waveIn = reader.Optional("WaveInID")) {
        properties.waveInId = ReadInteger<LONG>(*waveIn);
    }
    return properties;
}

DeviceFaults ReadDeviceFaults(const Node& node) {
    const ObjectReader reader(node, {"BindToStorage", "BindToObject", "RenderPreview"});
    DeviceFaults faults;
    ReadFaultField(reader, "BindToStorage", false, faults.bindToStorage);
    ReadFaultField(reader, "BindToObject", false, faults.bindToObject);
    ReadFaultField(reader, "RenderPreview", true, faults.renderPreview);
    return faults;
}

CatalogDevice ReadDevice(const Node& node) {
    const ObjectReader reader(node,
                              {"category", "properties", "fileName", "pins", "crossbar", "faults"});
    CatalogDevice device;
    device.category = ReadChoice<DeviceCategory>(
        reader.Required("category", "\"video\" or \"audio\""),
        {{"video", DeviceCategory::Video}, {"audio", DeviceCategory::Audio}},
        "\"video\" or \"audio\"");
    if (const auto properties = reader.Optional("properties")) {
        device.properties = ReadProperties(*properties);
    }
    if (const auto fileName = reader.Optional("fileName")) {
        device.fileName = ReadText(*fileName);
    }
    if (const auto pins = reader.Optional("pins")) {
        device.pins = ReadArray(*pins, ReadPin);
    }
    if (const auto crossbar = reader.Optional("crossbar")) {
        device.crossbar = ReadCrossbar(*crossbar);
    }
    if (const auto faults = reader.Optional("faults")) {
        device.faults = ReadDeviceFaults(*faults);
    }
    return device;
}

Catalog ReadCatalog(const Json& root) {
    const Node top(root, "");
    const ObjectReader reader(top, {"devices"});
    Catalog catalog;
    catalog.devices = ReadArray(reader.Required("devices", "the list of devices"), ReadDevice);
    return catalog;
}

// Reads the digits at `pos` of `text`, moving `pos` past them; empty when there are none.
std::string_view TakeDigits(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        ++pos;
    }
    return text.substr(start, pos - start);
}

// The parser's message without its "[json.exception.<kind>.<id>] " prefix.
std::string ParserReason(const Json::exception& error) {
    const std::string_view what = error.what();
    const std::size_t end = what.starts_with('[') ? what.find("] ") : std::string_view::npos;
    return std::string(end == std::string_view::npos ? what : what.substr(end + 2));
}

// "<source>:<line>:<column>: invalid JSON: <reason>", from the parser's message, which
// reads "... at line L, column C: reason".
std::string SyntaxErrorLine(std::string_view source, const Json::parse_error& error) {
    const std::string_view what = error.what();
    constexpr std::string_view kLine = "at line ";
    constexpr std::string_view kColumn = ", column ";
    constexpr std::string_view kReason = ": ";
    std::size_t pos = what.find(kLine);
    if (pos != std::string_view::npos) {
        pos += kLine.size();
        const std::string_view line = TakeDigits(what, pos);
        if (!line.empty() && what.substr(pos, kColumn.size()) == kColumn) {
            pos += kColumn.size();
            const std::string_view column = TakeDigits(what, pos);
            if (!column.empty() && what.substr(pos, kReason.size()) == kReason) {
                return std::string(source) + ":" + std::string(line) + ":" + std::string(column) +
                       ": invalid JSON: " + std::string(what.substr(pos + kReason.size()));
            }
        }
    }
    return std::string(source) + ": invalid JSON at byte " + std::to_string(error.byte);
}

// A catalog nests about ten levels deep. Deeper text is refused before it is parsed: the
// parsed document is walked recursively (to show a value in a message, for one), so
// unlimited nesting would exhaust the stack.
constexpr int kMaxNesting = 64;

// Far beyond any real device (a snapshot of one with 100,000 formats is about 250 MiB) and
// still within what the parsed document's memory allows.
constexpr std::size_t kMaxCatalogBytes = std::size_t{1} << 30;

// Throws CatalogError, with the line and column of the bracket that goes too deep, when
// the arrays and objects of `json` nest deeper than kMaxNesting. Brackets inside strings
// do not count. Everything else about the syntax is left to the parser.
void CheckNesting(std::string_view json, std::string_view sourceName) {
    int depth = 0;
    int line = 1;
    std::size_t lineStart = 0;
    bool inString = false;
    for (std::size_t pos = 0; pos < json.size(); ++pos) {
        const char c = json[pos];
        if (inString) {
            if (c == '\\') {
                ++pos;  // the escaped character cannot end the string
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxNesting) {
                throw CatalogError(std::string(sourceName) + ":" + std::to_string(line) + ":" +
                                   std::to_string(pos - lineStart + 1) +
                                   ": invalid JSON: arrays and objects nested deeper than " +
                                   std::to_string(kMaxNesting) + " levels");
            }
        } else if (c == ']' || c == '}') {
            --depth;
        } else if (c == '\n') {
            ++line;
            lineStart = pos + 1;
        }
    }
}

}  // namespace

Catalog LoadCatalogString(std::string_view json, std::string_view sourceName) {
    CheckNesting(json, sourceName);
    Json root;
    try {
        root = Json::parse(json.begin(), json.end());
    } catch (const Json::parse_error& error) {
        throw CatalogError(SyntaxErrorLine(sourceName, error));
    } catch (const Json::exception& error) {
        // A number too large for a double is well-formed JSON the parser cannot hold; it
        // says so without a position.
        throw CatalogError(std::string(sourceName) + ": invalid JSON: " + ParserReason(error));
    }
    try {
        return ReadCatalog(root);
    } catch (const Invalid& invalid) {
        const std::string_view path = invalid.path.empty() ? kTopLevel : invalid.path;
        throw CatalogError(std::string(sourceName) + ": " + std::string(path) + ": " +
                           invalid.message);
    }
}

Catalog LoadCatalogFile(const std::filesystem::path& file) {
    const std::string name = file.string();
    const auto refuse = [&name](std::string_view reason) {
        throw CatalogError(name + ": cannot read the catalog: " + std::string(reason));
    };
    // A name the system refuses (too long, say) is reported by the open below. A directory
    // opens as a stream that cannot be read, and a device such as /dev/zero never ends.
    std::error_code notChecked;
    const std::filesystem::file_status status = std::filesystem::status(file, notChecked);
    if (std::filesystem::is_directory(status)) {
        refuse("it is a directory");
    }
    if (std::filesystem::is_character_file(status) || std::filesystem::is_block_file(status)) {
        refuse("it is a device, not a file");
    }
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        refuse(std::strerror(errno));
    }
    // Read in pieces so that a pipe that never ends stops at the limit.
    std::string text;
    std::vector<char> piece(1 << 16);
    while (stream.read(piece.data(), static_cast<std::streamsize>(piece.size())) ||
           stream.gcount() > 0) {
        text.append(piece.data(), static_cast<std::size_t>(stream.gcount()));
        if (text.size() > kMaxCatalogBytes) {
            refuse("larger than " + std::to_string(kMaxCatalogBytes >> 20) + " MiB");
        }
    }
    if (stream.bad()) {
        refuse(std::strerror(errno));
    }
    return LoadCatalogString(text, name);
}

}  // namespace capspect::sim
