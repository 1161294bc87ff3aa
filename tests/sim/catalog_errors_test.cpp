#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "platform/devices/catalog.h"
#include "platform/devices/devenum.h"
#include "platform/support/mediatypes.h"

namespace {

using namespace capspect::sim;

std::string LoadError(const std::string& json, std::string_view source = "bad.json") {
    try {
        LoadCatalogString(json, source);
    } catch (const CatalogError& error) {
        return error.what();
    }
    return "(loaded)";
}

// One capability of one pin of one device, in a catalog whose other parts are valid.
std::string WithCaps(const std::string& caps) {
    return R"({"devices": [{"category": "video", "pins": [{"name": "Preview"},
        {"name": "Capture", "streamConfig": {"capabilities": [
        {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                       "formattype": "FORMAT_Vidscope"}},
        {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                       "formattype": "FORMAT_Vidscope"}},
        {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                       "formattype": "FORMAT_Vidscope"}},
        {"caps": )" +
           caps + R"(, "mediaType": {"majortype": "MEDIATYPE_Video",
                       "subtype": "MEDIASUBTYPE_YUY2", "formattype": "FORMAT_Vidscope"}}
        ]}}]}]})";
}

std::string WithDevice(const std::string& device) {
    return R"({"devices": [{"category": "video"}, )" + device + "]}";
}

std::string WithMediaType(const std::string& fields) {
    return WithDevice(R"({"category": "video", "pins": [{"name": "Out", "mediaTypes": [{)" +
                      fields + "}]}]}");
}

struct ErrorCase {
    const char* what;
    std::string json;
    std::string message;

    friend void PrintTo(const ErrorCase& error, std::ostream* out) { *out << error.what; }
};

class CatalogErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(CatalogErrors, NameTheSourceThePathAndTheExpectationOnOneLine) {
    const std::string message = LoadError(GetParam().json);
    EXPECT_EQ(message, GetParam().message);
    EXPECT_EQ(message.find('\n'), std::string::npos);
}

constexpr const char* kMediaTypeStart =
    R"("majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2", )";

INSTANTIATE_TEST_SUITE_P(
    Validation, CatalogErrors,
    testing::Values(
        ErrorCase{"wrong type deep down", WithCaps(R"({"MinFrameInterval": "fast"})"),
                  "bad.json: devices[0].pins[1].streamConfig.capabilities[3].caps."
                  "MinFrameInterval: expected an integer from -9223372036854775808 to "
                  "9223372036854775807, found \"fast\""},
        ErrorCase{"fraction for an integer", WithCaps(R"({"CropAlignX": 1.5})"),
                  "bad.json: devices[0].pins[1].streamConfig.capabilities[3].caps.CropAlignX: "
                  "expected an integer from -2147483648 to 2147483647, found 1.5"},
        ErrorCase{"negative unsigned", WithCaps(R"({"VideoStandard": -1})"),
                  "bad.json: devices[0].pins[1].streamConfig.capabilities[3].caps."
                  "VideoStandard: expected an integer from 0 to 4294967295, found -1"},
        ErrorCase{"size of three", WithCaps(R"({"InputSize": [1, 2, 3]})"),
                  "bad.json: devices[0].pins[1].streamConfig.capabilities[3].caps.InputSize: "
                  "expected [cx, cy], two integers, found [1,2,3]"},
        ErrorCase{"negative frame count when streamed",
                  WithCaps(R"({}, "streaming": {"frames": -1})"),
                  "bad.json: devices[0].pins[1].streamConfig.capabilities[3].streaming.frames: "
                  "expected an integer from 0 to 2147483647, found -1"},
        ErrorCase{"no time between frames", WithCaps(R"({}, "streaming": {"frameInterval": 0})"),
                  "bad.json: devices[0].pins[1].streamConfig.capabilities[3].streaming."
                  "frameInterval: expected an integer from 1 to 36000000000, found 0"},
        ErrorCase{"typo in a streaming key",
                  WithCaps(R"({}, "streaming": {"deliveredSise": [640, 480]})"),
                  "bad.json: devices[0].pins[1].streamConfig.capabilities[3].streaming."
                  "deliveredSise: unknown key; expected one of frameInterval, firstFrameDelay, "
                  "frames, deliveredSize, deliveredSubtype, failure"},
        ErrorCase{"stream failure without its code",
                  WithCaps(R"({}, "streaming": {"failure": {"afterFrames": 3}})"),
                  "bad.json: devices[0].pins[1].streamConfig.capabilities[3].streaming.failure: "
                  "expected key \"hr\" (the HRESULT the stream fails with)"},
        ErrorCase{"typo in a caps key", WithCaps(R"({"MinFrameIntervall": 1})"),
                  "bad.json: devices[0].pins[1].streamConfig.capabilities[3].caps."
                  "MinFrameIntervall: unknown key; expected one of guid, VideoStandard, "
                  "InputSize, MinCroppingSize, MaxCroppingSize, CropGranularityX, "
                  "CropGranularityY, CropAlignX, CropAlignY, MinOutputSize, MaxOutputSize, "
                  "OutputGranularityX, OutputGranularityY, StretchTapsX, StretchTapsY, "
                  "ShrinkTapsX, ShrinkTapsY, MinFrameInterval, MaxFrameInterval, "
                  "MinBitsPerSecond, MaxBitsPerSecond"},
        ErrorCase{"typo in a pin key",
                  WithDevice(R"({"category": "video", "pins": [{"nmae": 1}]})"),
                  "bad.json: devices[1].pins[0].nmae: unknown key; expected one of name, "
                  "direction, category, streamConfig, mediaTypes, faults"},
        ErrorCase{"missing pin name", WithDevice(R"({"category": "video", "pins": [{}]})"),
                  "bad.json: devices[1].pins[0]: expected key \"name\" (the pin's name)"},
        ErrorCase{"bad device category", WithDevice(R"({"category": "camera"})"),
                  "bad.json: devices[1].category: expected \"video\" or \"audio\", found "
                  "\"camera\""},
        ErrorCase{"unknown property", WithDevice(R"({"category": "video",
                      "properties": {"FriendlyNmae": "x"}})"),
                  "bad.json: devices[1].properties.FriendlyNmae: unknown key; expected one of "
                  "FriendlyName, Description, DevicePath, CLSID, WaveInID"},
        ErrorCase{"property not text", WithDevice(R"({"category": "video",
                      "properties": {"DevicePath": 5}})"),
                  "bad.json: devices[1].properties.DevicePath: expected a string, found 5"},
        ErrorCase{"unknown GUID name", WithMediaType(R"("majortype": "MEDIATYPE_Vidoe",
                      "subtype": "MEDIASUBTYPE_YUY2", "formattype": "FORMAT_None")"),
                  "bad.json: devices[1].pins[0].mediaTypes[0].majortype: expected a GUID name "
                  "such as MEDIASUBTYPE_YUY2 or braced GUID text, found \"MEDIATYPE_Vidoe\""},
        ErrorCase{"field of another format structure",
                  WithMediaType(std::string(kMediaTypeStart) +
                                R"("formattype": "FORMAT_Vidscope", "dwPictAspectRatioX": 4)"),
                  "bad.json: devices[1].pins[0].mediaTypes[0].dwPictAspectRatioX: unknown key; "
                  "expected one of majortype, subtype, formattype, bFixedSizeSamples, "
                  "bTemporalCompression, lSampleSize, cbFormat, rcSource, rcTarget, dwBitRate, "
                  "dwBitErrorRate, AvgTimePerFrame, biSize, biWidth, biHeight, biPlanes, "
                  "biBitCount, biCompression, biSizeImage, biXPelsPerMeter, biYPelsPerMeter, "
                  "biClrUsed, biClrImportant"},
        ErrorCase{"missing format type", WithMediaType(R"("majortype": "MEDIATYPE_Video")"),
                  "bad.json: devices[1].pins[0].mediaTypes[0]: expected key \"formattype\" (a "
                  "format type such as FORMAT_Vidscope)"},
        ErrorCase{"boolean as number",
                  WithMediaType(std::string(kMediaTypeStart) +
                                R"("formattype": "FORMAT_None", "bFixedSizeSamples": 1)"),
                  "bad.json: devices[1].pins[0].mediaTypes[0].bFixedSizeSamples: expected true "
                  "or false, found 1"},
        ErrorCase{"current beyond the capabilities",
                  WithDevice(R"({"category": "video", "pins": [{"name": "C",
                      "streamConfig": {"current": 0}}]})"),
                  "bad.json: devices[1].pins[0].streamConfig.current: expected an integer from "
                  "-1 to -1, found 0"},
        ErrorCase{"success code as a fault",
                  WithDevice(R"({"category": "video", "faults": {"BindToObject": "S_OK"}})"),
                  "bad.json: devices[1].faults.BindToObject: expected an HRESULT other than "
                  "S_OK: a name such as E_FAIL, hex text such as \"0x80004005\" or a number, "
                  "found \"S_OK\""},
        ErrorCase{"indices where the call has none",
                  WithDevice(R"({"category": "video", "faults": {"BindToObject":
                      {"hr": "E_FAIL", "indices": [1]}}})"),
                  "bad.json: devices[1].faults.BindToObject.indices: unknown key; expected one "
                  "of hr"},
        ErrorCase{"route to a missing input",
                  WithDevice(R"({"category": "video", "crossbar": {"inputs": [{"type": 1}],
                      "outputs": [{"type": 12, "canRouteFrom": [0, 1]}]}})"),
                  "bad.json: devices[1].crossbar.outputs[0].canRouteFrom[1]: expected an "
                  "integer from 0 to 0, found 1"},
        ErrorCase{"unknown connector", WithDevice(R"({"category": "video", "crossbar": {"inputs":
                      [{"type": "PhysConn_Video_HDMI"}]}})"),
                  "bad.json: devices[1].crossbar.inputs[0].type: expected a connector type such "
                  "as PhysConn_Video_Composite or an integer, found \"PhysConn_Video_HDMI\""},
        ErrorCase{"top level not an object", "[]",
                  "bad.json: (top level): expected an object, found []"},
        ErrorCase{"no device list", R"({"device": []})",
                  "bad.json: device: unknown key; expected one of devices"},
        ErrorCase{"empty device list missing", "{}",
                  "bad.json: (top level): expected key \"devices\" (the list of devices)"},
        ErrorCase{"syntax error", "{\n  \"devices\": [\n    {\"category\": \"video\",}\n]}",
                  "bad.json:3:26: invalid JSON: syntax error while parsing object key - "
                  "unexpected '}'; expected string literal"}),
    [](const testing::TestParamInfo<ErrorCase>& info) {
        std::string name = info.param.what;
        std::replace_if(
            name.begin(), name.end(),
            [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

TEST(CatalogErrorsText, EmptyAndMalformedTextAreSyntaxErrors) {
    const std::string empty = LoadError("");
    EXPECT_EQ(empty.rfind("bad.json:1:1: invalid JSON: ", 0), 0u) << empty;
    const std::string badUtf8 = LoadError("{\"devices\": [\"\xC3\x28\"]}");
    EXPECT_EQ(badUtf8.rfind("bad.json:1:", 0), 0u) << badUtf8;
    EXPECT_NE(badUtf8.find("invalid JSON"), std::string::npos);
}

// Found by the catalog fuzzer: the parser's number overflow is no syntax error and escaped
// the loader as the JSON library's own exception.
TEST(CatalogErrorsText, NumbersBeyondADoubleAreInvalidJson) {
    EXPECT_EQ(LoadError("1e444444000000000016900201466788169500g11"),
              "bad.json: invalid JSON: number overflow parsing "
              "'1e444444000000000016900201466788169500'");
    EXPECT_EQ(
        LoadError(R"({"devices": [{"category": "video", "properties": {"WaveInID": -1e400}}]})"),
        "bad.json: invalid JSON: number overflow parsing '-1e400'");
}

TEST(CatalogErrorsText, FileErrorsNameTheFile) {
    const auto directory = std::filesystem::temp_directory_path() / "capspect_catalog_test";
    std::filesystem::create_directories(directory);
    const auto missing = directory / "missing.json";
    try {
        LoadCatalogFile(missing);
        FAIL() << "a missing file loaded";
    } catch (const CatalogError& error) {
        EXPECT_EQ(std::string(error.what()),
                  missing.string() + ": cannot read the catalog: No such file or directory");
    }
    const auto broken = directory / "broken.json";
    std::ofstream(broken) << R"({"devices": [{"category": "radio"}]})";
    try {
        LoadCatalogFile(broken);
        FAIL() << "a broken file loaded";
    } catch (const CatalogError& error) {
        EXPECT_EQ(std::string(error.what()),
                  broken.string() +
                      ": devices[0].category: expected \"video\" or \"audio\", "
                      "found \"radio\"");
    }
    std::filesystem::remove_all(directory);
}

// A catalog whose first device is valid and whose second is broken never becomes the
// device set: the set installed before stays.
TEST(CatalogErrorsText, NothingOfAFailedLoadIsUsed) {
    InstallCatalog(LoadCatalogString(R"({"devices": [{"category": "video",
        "properties": {"FriendlyName": "Kept"}}]})"));
    const std::string broken = R"({"devices": [{"category": "video",
        "properties": {"FriendlyName": "New"}}, {"category": "video", "pins": 3}]})";
    EXPECT_THROW(InstallCatalog(LoadCatalogString(broken)), CatalogError);
    const auto installed = InstalledCatalog();
    ASSERT_EQ(installed->devices.size(), 1u);
    EXPECT_EQ(installed->devices[0].properties.friendlyName, u"Kept");
}

}  // namespace
