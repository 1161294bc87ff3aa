// The JSON form of a recording: every answer written out, and read back with the JSON path
// of any fault.
#include "platform/devices/v4l2/recording_json.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/devices/json_path.h"

namespace capspect::v4l2 {

using nlohmann::json;

std::optional<std::uint32_t> FourCCFromText(const std::string& text) {
    if (text.size() == 10 && text.starts_with("0x")) {
        std::uint32_t value = 0;
        for (char c : std::string_view(text).substr(2)) {
            const int digit = (c >= '0' && c <= '9')   ? c - '0'
                              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                       : -1;
            if (digit < 0) {
                return std::nullopt;
            }
            value = value << 4 | static_cast<std::uint32_t>(digit);
        }
        return value;
    }
    if (text.size() != 4) {
        return std::nullopt;
    }
    return v4l2_fourcc(text[0], text[1], text[2], text[3]);
}

namespace {

template <std::size_t N>
std::string CText(const __u8 (&field)[N]) {
    const char* chars = reinterpret_cast<const char*>(field);
    return std::string(chars, strnlen(chars, N));
}

template <std::size_t N>
void SetCText(__u8 (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

std::string Hex(std::uint64_t value) {
    char text[19];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
    return text;
}

json FractionJson(Fraction f) {
    return std::to_string(f.numerator) + "/" + std::to_string(f.denominator);
}

json SizeJson(FrameSize size) {
    return json::array({size.width, size.height});
}

json RectJson(const v4l2_rect& r) {
    return json::array({r.left, r.top, r.width, r.height});
}

const char* InputTypeName(std::uint32_t type) {
    switch (type) {
        case V4L2_INPUT_TYPE_TUNER:
            return "tuner";
        case V4L2_INPUT_TYPE_CAMERA:
            return "camera";
        case V4L2_INPUT_TYPE_TOUCH:
            return "touch";
        default:
            return nullptr;
    }
}

template <typename T>
json EnumerationJson(const Enumeration<T>& e, json (*item)(T)) {
    if (e.type == 1) {  // V4L2_FRMSIZE_TYPE_DISCRETE and V4L2_FRMIVAL_TYPE_DISCRETE
        json list = json::array();
        for (const T& value : e.discrete) {
            list.push_back(item(value));
        }
        return list;
    }
    const char* kind = e.type == 2 ? "continuous" : "stepwise";
    return {
        {kind,
         {{"min", item(e.range.min)}, {"max", item(e.range.max)}, {"step", item(e.range.step)}}}};
}

json PixFormatJson(const v4l2_pix_format& pix) {
    return {{"pixelformat", FourCCText(pix.pixelformat)},
            {"size", SizeJson({pix.width, pix.height})},
            {"field", pix.field},
            {"bytesperline", pix.bytesperline},
            {"sizeimage", pix.sizeimage},
            {"colorspace", pix.colorspace}};
}

json FormatJson(const FormatRecording& format) {
    json object{{"fourcc", FourCCText(format.description.pixelformat)},
                {"description", CText(format.description.description)},
                {"flags", format.description.flags}};
    if (format.sizes.type != 0) {
        object["sizes"] = EnumerationJson(format.sizes, SizeJson);
    }
    json atSizes = json::array();
    for (const SizeAnswers& answers : format.atSizes) {
        json entry{{"size", SizeJson(answers.size)}};
        if (answers.intervals.type != 0) {
            entry["intervals"] = EnumerationJson(answers.intervals, FractionJson);
        }
        if (answers.tried) {
            entry["try_fmt"] = PixFormatJson(*answers.tried);
        }
        atSizes.push_back(std::move(entry));
    }
    object["at_size"] = std::move(atSizes);
    return object;
}

json InputJson(const InputRecording& state) {
    json object = json::object();
    if (state.input) {
        const v4l2_input& in = *state.input;
        const char* typeName = InputTypeName(in.type);
        object["input"] = {{"index", in.index},
                           {"name", CText(in.name)},
                           {"type", typeName ? json(typeName) : json(in.type)},
                           {"audioset", in.audioset},
                           {"tuner", in.tuner},
                           {"std", Hex(in.std)},
                           {"status", in.status},
                           {"capabilities", Hex(in.capabilities)}};
    }
    object["buffer_type"] = state.bufferType;
    if (state.format) {
        object["format"] = PixFormatJson(*state.format);
    }
    if (state.parm) {
        object["parm"] = {{"capability", Hex(state.parm->capability)},
                          {"timeperframe", FractionJson({state.parm->timeperframe.numerator,
                                                         state.parm->timeperframe.denominator})}};
    }
    if (state.standard) {
        object["std"] = Hex(*state.standard);
    }
    if (!state.standards.empty()) {
        json standards = json::array();
        for (const StandardRecording& s : state.standards) {
            standards.push_back({{"id", Hex(s.id)},
                                 {"name", s.name},
                                 {"frameperiod", FractionJson(s.framePeriod)},
                                 {"framelines", s.frameLines}});
        }
        object["standards"] = std::move(standards);
    }
    if (state.cropcap) {
        object["cropcap"] = {
            {"bounds", RectJson(state.cropcap->bounds)},
            {"defrect", RectJson(state.cropcap->defrect)},
            {"pixelaspect", FractionJson({state.cropcap->pixelaspect.numerator,
                                          state.cropcap->pixelaspect.denominator})}};
    }
    if (state.cropDefault) {
        object["crop_default"] = RectJson(*state.cropDefault);
    }
    if (state.audio) {
        object["audio"] = *state.audio;
    }
    json formats = json::array();
    for (const FormatRecording& format : state.formats) {
        formats.push_back(FormatJson(format));
    }
    object["formats"] = std::move(formats);
    return object;
}

// Reading: every accessor knows its JSON path, so a fault names where it is.
class Reader {
public:
    Reader(const json& value, std::string path) : place_(value, std::move(path)) {}

    bool Has(const char* key) const { return Value().is_object() && Value().contains(key); }
    Reader operator[](const char* key) const {
        if (!Has(key)) {
            Fail("has no member \"" + std::string(key) + "\"");
        }
        return Reader(place_.Member(key));
    }
    Reader At(std::size_t index) const { return Reader(place_.Element(index)); }
    std::size_t Size() const {
        if (!Value().is_array()) {
            Fail("is not an array");
        }
        return Value().size();
    }
    const json& Value() const { return place_.Value(); }

    std::string String() const {
        if (!Value().is_string()) {
            Fail("is not a string");
        }
        return Value().get<std::string>();
    }
    // A number, or a string with a number in decimal or 0x hexadecimal.
    std::uint64_t Unsigned() const {
        if (Value().is_number_unsigned()) {
            return Value().get<std::uint64_t>();
        }
        if (Value().is_string()) {
            const std::string text = Value().get<std::string>();
            char* end = nullptr;
            errno = 0;
            const unsigned long long number = std::strtoull(text.c_str(), &end, 0);
            if (!text.empty() && *end == '\0' && errno == 0 && text[0] != '-') {
                return number;
            }
        }
        Fail("is not an unsigned number");
    }
    std::uint32_t U32() const {
        const std::uint64_t number = Unsigned();
        if (number > 0xFFFFFFFFu) {
            Fail("is larger than 32 bits");
        }
        return static_cast<std::uint32_t>(number);
    }
    std::int32_t I32() const {
        if (!Value().is_number_integer()) {
            Fail("is not an integer");
        }
        return Value().get<std::int32_t>();
    }
    Fraction Fract() const {
        const std::string text = String();
        unsigned numerator = 0;
        unsigned denominator = 0;
        char rest = 0;
        if (std::sscanf(text.c_str(), "%u/%u%c", &numerator, &denominator, &rest) != 2) {
            Fail("is not a fraction \"N/D\"");
        }
        return {numerator, denominator};
    }
    FrameSize Size2() const {
        if (Size() != 2) {
            Fail("is not a size [width, height]");
        }
        return {At(0).U32(), At(1).U32()};
    }
    v4l2_rect Rect() const {
        if (Size() != 4) {
            Fail("is not a rectangle [left, top, width, height]");
        }
        return {At(0).I32(), At(1).I32(), At(2).U32(), At(3).U32()};
    }
    std::uint32_t FourCC() const {
        const auto code = FourCCFromText(String());
        if (!code) {
            Fail("is not a FOURCC");
        }
        return *code;
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw std::invalid_argument(place_.Path() + " " + what);
    }

private:
    explicit Reader(JsonPath place) : place_(std::move(place)) {}

    JsonPath place_;
};

template <typename T>
Enumeration<T> ReadEnumeration(const Reader& r, std::uint32_t discreteType,
                               T (Reader::*item)() const) {
    Enumeration<T> e;
    if (r.Value().is_array()) {
        e.type = discreteType;
        for (std::size_t i = 0; i < r.Size(); ++i) {
            e.discrete.push_back((r.At(i).*item)());
        }
        return e;
    }
    const bool continuous = r.Has("continuous");
    const Reader range = continuous ? r["continuous"] : r["stepwise"];
    e.type = continuous ? 2 : 3;  // the *_TYPE_CONTINUOUS and *_TYPE_STEPWISE values
    e.range = {(range["min"].*item)(), (range["max"].*item)(), (range["step"].*item)()};
    return e;
}

v4l2_pix_format ReadPixFormat(const Reader& r) {
    v4l2_pix_format pix{};
    pix.pixelformat = r["pixelformat"].FourCC();
    const FrameSize size = r["size"].Size2();
    pix.width = size.width;
    pix.height = size.height;
    pix.field = r.Has("field") ? r["field"].U32() : static_cast<std::uint32_t>(V4L2_FIELD_NONE);
    pix.bytesperline = r.Has("bytesperline") ? r["bytesperline"].U32() : 0;
    pix.sizeimage = r.Has("sizeimage") ? r["sizeimage"].U32() : 0;
    pix.colorspace = r.Has("colorspace") ? r["colorspace"].U32() : 0;
    return pix;
}

FormatRecording ReadFormat(const Reader& r, std::uint32_t index, std::uint32_t bufferType) {
    FormatRecording format;
    format.description.index = index;
    format.description.type = bufferType;
    format.description.pixelformat = r["fourcc"].FourCC();
    SetCText(format.description.description, r.Has("description")
                                                 ? r["description"].String()
                                                 : FourCCText(format.description.pixelformat));
    format.description.flags = r.Has("flags") ? r["flags"].U32() : 0;
    if (r.Has("sizes")) {
        format.sizes = ReadEnumeration(r["sizes"], V4L2_FRMSIZE_TYPE_DISCRETE, &Reader::Size2);
    }
    if (r.Has("at_size")) {
        const Reader list = r["at_size"];
        for (std::size_t i = 0; i < list.Size(); ++i) {
            const Reader entry = list.At(i);
            SizeAnswers answers{entry["size"].Size2(), {}, std::nullopt};
            if (entry.Has("intervals")) {
                answers.intervals =
                    ReadEnumeration(entry["intervals"], V4L2_FRMIVAL_TYPE_DISCRETE, &Reader::Fract);
            }
            if (entry.Has("try_fmt")) {
                answers.tried = ReadPixFormat(entry["try_fmt"]);
            }
            format.atSizes.push_back(std::move(answers));
        }
    }
    return format;
}

std::uint32_t ReadInputType(const Reader& r) {
    if (r.Value().is_string()) {
        const std::string name = r.String();
        for (std::uint32_t type :
             {V4L2_INPUT_TYPE_TUNER, V4L2_INPUT_TYPE_CAMERA, V4L2_INPUT_TYPE_TOUCH}) {
            if (name == InputTypeName(type)) {
                return type;
            }
        }
    }
    return r.U32();
}

InputRecording ReadInput(const Reader& r) {
    InputRecording state;
    if (r.Has("input")) {
        const Reader in = r["input"];
        v4l2_input input{};
        input.index = in["index"].U32();
        SetCText(input.name, in["name"].String());
        input.type = ReadInputType(in["type"]);
        input.audioset = in.Has("audioset") ? in["audioset"].U32() : 0;
        input.tuner = in.Has("tuner") ? in["tuner"].U32() : 0;
        input.std = in.Has("std") ? in["std"].Unsigned() : 0;
        input.status = in.Has("status") ? in["status"].U32() : 0;
        input.capabilities = in.Has("capabilities") ? in["capabilities"].U32() : 0;
        state.input = input;
    }
    state.bufferType = r.Has("buffer_type")
                           ? r["buffer_type"].U32()
                           : static_cast<std::uint32_t>(V4L2_BUF_TYPE_VIDEO_CAPTURE);
    if (r.Has("format")) {
        state.format = ReadPixFormat(r["format"]);
    }
    if (r.Has("parm")) {
        v4l2_captureparm parm{};
        parm.capability = r["parm"]["capability"].U32();
        const Fraction f = r["parm"]["timeperframe"].Fract();
        parm.timeperframe = {f.numerator, f.denominator};
        state.parm = parm;
    }
    if (r.Has("std")) {
        state.standard = r["std"].Unsigned();
    }
    if (r.Has("standards")) {
        const Reader list = r["standards"];
        for (std::size_t i = 0; i < list.Size(); ++i) {
            const Reader s = list.At(i);
            state.standards.push_back({s["id"].Unsigned(), s["name"].String(),
                                       s["frameperiod"].Fract(), s["framelines"].U32()});
        }
    }
    if (r.Has("cropcap")) {
        v4l2_cropcap cropcap{};
        cropcap.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        cropcap.bounds = r["cropcap"]["bounds"].Rect();
        cropcap.defrect = r["cropcap"]["defrect"].Rect();
        const Fraction aspect = r["cropcap"]["pixelaspect"].Fract();
        cropcap.pixelaspect = {aspect.numerator, aspect.denominator};
        state.cropcap = cropcap;
    }
    if (r.Has("crop_default")) {
        state.cropDefault = r["crop_default"].Rect();
    }
    if (r.Has("audio")) {
        state.audio = r["audio"].U32();
    }
    const Reader formats = r["formats"];
    for (std::size_t i = 0; i < formats.Size(); ++i) {
        state.formats.push_back(
            ReadFormat(formats.At(i), static_cast<std::uint32_t>(i), state.bufferType));
    }
    return state;
}

}  // namespace

json ToJson(const DeviceRecording& recording) {
    const v4l2_capability& cap = recording.capability;
    json document{{"querycap",
                   {{"driver", CText(cap.driver)},
                    {"card", CText(cap.card)},
                    {"bus_info", CText(cap.bus_info)},
                    {"version", Hex(cap.version)},
                    {"capabilities", Hex(cap.capabilities)},
                    {"device_caps", Hex(cap.device_caps)}}}};
    if (recording.currentInput) {
        document["current_input"] = *recording.currentInput;
    }
    json inputs = json::array();
    for (const InputRecording& state : recording.inputs) {
        inputs.push_back(InputJson(state));
    }
    document["inputs"] = std::move(inputs);
    if (!recording.audioInputs.empty()) {
        json audio = json::array();
        for (const v4l2_audio& a : recording.audioInputs) {
            audio.push_back({{"index", a.index},
                             {"name", CText(a.name)},
                             {"capability", Hex(a.capability)},
                             {"mode", a.mode}});
        }
        document["audio_inputs"] = std::move(audio);
    }
    return document;
}

DeviceRecording RecordingFromJson(const json& document) {
    const Reader root(document, "$");
    DeviceRecording recording;
    const Reader cap = root["querycap"];
    SetCText(recording.capability.driver, cap["driver"].String());
    SetCText(recording.capability.card, cap["card"].String());
    SetCText(recording.capability.bus_info, cap.Has("bus_info") ? cap["bus_info"].String() : "");
    recording.capability.version = cap.Has("version") ? cap["version"].U32() : 0;
    recording.capability.capabilities = cap["capabilities"].U32();
    recording.capability.device_caps = cap.Has("device_caps") ? cap["device_caps"].U32() : 0;
    if (root.Has("current_input")) {
        recording.currentInput = root["current_input"].I32();
    }
    const Reader inputs = root["inputs"];
    for (std::size_t i = 0; i < inputs.Size(); ++i) {
        recording.inputs.push_back(ReadInput(inputs.At(i)));
    }
    if (root.Has("audio_inputs")) {
        const Reader list = root["audio_inputs"];
        for (std::size_t i = 0; i < list.Size(); ++i) {
            v4l2_audio audio{};
            audio.index = list.At(i)["index"].U32();
            SetCText(audio.name, list.At(i)["name"].String());
            audio.capability = list.At(i).Has("capability") ? list.At(i)["capability"].U32() : 0;
            audio.mode = list.At(i).Has("mode") ? list.At(i)["mode"].U32() : 0;
            recording.audioInputs.push_back(audio);
        }
    }
    return recording;
}

}  // namespace capspect::v4l2
