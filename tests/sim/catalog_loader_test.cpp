#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/devices/catalog.h"
#include "platform/support/guids.h"
#include "tests/support/stream_caps.h"

namespace {

using namespace capspect::sim;
using capspect::MakeFourCC;

std::filesystem::path TestDataRoot() {
    const char* root = std::getenv("CAPSPECT_TEST_DATA");
    return root != nullptr ? root : "tests/data";
}

std::filesystem::path TestData(const char* name) {
    return TestDataRoot() / "sim" / name;
}

// A catalog with one video device whose single capability is `capability` (JSON text).
Catalog LoadWithCapability(const std::string& capability) {
    return LoadCatalogString(R"({"devices": [{"category": "video", "pins": [{"name": "Capture",
        "streamConfig": {"capabilities": [)" +
                             capability + "]}}]}]}");
}

const Capability& OnlyCapability(const Catalog& catalog) {
    return catalog.devices.at(0).pins.at(0).streamConfig->capabilities.at(0);
}

TEST(CatalogLoader, ReadsTheDocumentedExampleCompletely) {
    const Catalog catalog = LoadCatalogFile(TestData("design_example.json"));
    ASSERT_EQ(catalog.devices.size(), 1u);
    const CatalogDevice& device = catalog.devices[0];
    EXPECT_EQ(device.category, DeviceCategory::Video);
    EXPECT_EQ(device.properties.friendlyName, u"Example Capture");
    EXPECT_EQ(device.properties.clsid, u"{17CCA71B-ECD7-11D0-B908-00A0C9223196}");
    EXPECT_FALSE(device.properties.waveInId);

    ASSERT_EQ(device.pins.size(), 1u);
    const PinDesc& pin = device.pins[0];
    EXPECT_EQ(pin.name, u"Capture");
    EXPECT_EQ(pin.direction, PinDirection::Output);
    EXPECT_EQ(pin.category, GuidFromCatalogName("PIN_CATEGORY_CAPTURE"));
    EXPECT_EQ(pin.category->Data1, 0xFB6C4281u);
    ASSERT_TRUE(pin.streamConfig);
    EXPECT_EQ(pin.streamConfig->capsSize, 128);
    EXPECT_EQ(pin.streamConfig->current, 0);

    const Capability& capability = pin.streamConfig->capabilities.at(0);
    const VIDEO_STREAM_CONFIG_CAPS& caps = capability.caps;
    EXPECT_EQ(caps.guid, FORMAT_VideoInfo);
    EXPECT_EQ(caps.InputSize, (SIZE{640, 480}));
    EXPECT_EQ(caps.MaxOutputSize, (SIZE{640, 480}));
    EXPECT_EQ(caps.CropAlignY, 1);
    EXPECT_EQ(caps.MinFrameInterval, 333333);
    EXPECT_EQ(caps.MaxFrameInterval, 2000000);
    EXPECT_EQ(caps.MinBitsPerSecond, 24576000);
    EXPECT_EQ(caps.MaxBitsPerSecond, 147456000);

    const MediaTypeDesc& type = capability.mediaType;
    EXPECT_EQ(type.majortype, MEDIATYPE_Video);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(type.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(type.cbFormat, 88u);
    const auto& header = std::get<VIDEOINFOHEADER>(type.format);
    EXPECT_EQ(header.AvgTimePerFrame, 333333);
    EXPECT_EQ(header.bmiHeader.biWidth, 640);
    EXPECT_EQ(header.bmiHeader.biHeight, 480);
    EXPECT_EQ(header.bmiHeader.biBitCount, 16);
    // Derived defaults: a plain bitmap header of the subtype's FOURCC and its image size.
    EXPECT_EQ(header.bmiHeader.biSize, 40u);
    EXPECT_EQ(header.bmiHeader.biPlanes, 1);
    EXPECT_EQ(header.bmiHeader.biCompression, MakeFourCC('Y', 'U', 'Y', '2'));
    EXPECT_EQ(header.bmiHeader.biSizeImage, 640u * 480u * 2u);
    EXPECT_EQ(type.lSampleSize, 640u * 480u * 2u);
    EXPECT_EQ(type.bFixedSizeSamples, TRUE);

    ASSERT_TRUE(device.crossbar);
    ASSERT_EQ(device.crossbar->inputs.size(), 1u);
    EXPECT_EQ(device.crossbar->inputs[0].type, 2);
    EXPECT_EQ(device.crossbar->inputs[0].related, 1);
    ASSERT_EQ(device.crossbar->outputs.size(), 1u);
    EXPECT_EQ(device.crossbar->outputs[0].type, 12);
    EXPECT_EQ(device.crossbar->outputs[0].routedFrom, 0);
}

// The complete example of docs/catalog.md stays a valid catalog.
TEST(CatalogLoader, ReadsTheExampleOfTheCatalogDocumentation) {
    std::ifstream document(TestDataRoot() / ".." / ".." / "docs" / "catalog.md");
    ASSERT_TRUE(document) << "docs/catalog.md not found";
    const std::string text{std::istreambuf_iterator<char>(document),
                           std::istreambuf_iterator<char>()};
    const auto start = text.rfind("```json\n");
    ASSERT_NE(start, std::string::npos);
    const auto end = text.find("```", start + 8);
    const Catalog catalog = LoadCatalogString(text.substr(start + 8, end - start - 8), "docs");
    ASSERT_EQ(catalog.devices.size(), 2u);
    EXPECT_EQ(catalog.devices[0].pins.size(), 3u);
    EXPECT_EQ(catalog.devices[0].crossbar->inputs.size(), 5u);
    EXPECT_EQ(catalog.devices[1].category, DeviceCategory::Audio);
}

TEST(CatalogLoader, OmittedValuesTakeTheirDefaults) {
    const Catalog catalog = LoadWithCapability(
        R"({"caps": {}, "mediaType": {"majortype": "MEDIATYPE_Video",
            "subtype": "MEDIASUBTYPE_RGB24", "formattype": "FORMAT_VideoInfo"}})");
    const CatalogDevice& device = catalog.devices[0];
    EXPECT_FALSE(device.properties.friendlyName);
    EXPECT_FALSE(device.properties.description);
    EXPECT_FALSE(device.properties.devicePath);
    EXPECT_FALSE(device.properties.clsid);
    EXPECT_FALSE(device.crossbar);
    EXPECT_FALSE(device.faults.bindToStorage);
    EXPECT_EQ(device.pins[0].direction, PinDirection::Output);
    EXPECT_FALSE(device.pins[0].category);
    EXPECT_EQ(device.pins[0].streamConfig->capsSize, 128);
    EXPECT_EQ(device.pins[0].streamConfig->current, 0);

    const VIDEO_STREAM_CONFIG_CAPS zero{};
    EXPECT_TRUE(capspect::test::SameCaps(OnlyCapability(catalog).caps, zero));
    // An RGB subtype is not a FOURCC: its bitmap compression is BI_RGB.
    const auto& header = std::get<VIDEOINFOHEADER>(OnlyCapability(catalog).mediaType.format);
    EXPECT_EQ(header.bmiHeader.biCompression, 0u);
}

TEST(CatalogLoader, PinWithoutCapabilitiesHasNoCurrentFormat) {
    const Catalog catalog = LoadCatalogString(
        R"({"devices": [{"category": "video", "pins": [{"name": "Still",
            "streamConfig": {}}]}]})");
    EXPECT_EQ(catalog.devices[0].pins[0].streamConfig->current, -1);
    EXPECT_TRUE(catalog.devices[0].pins[0].streamConfig->capabilities.empty());
}

TEST(CatalogLoader, VideoInfo2FormatBlockCarriesTheAspectRatio) {
    const Catalog catalog = LoadWithCapability(
        R"({"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_UYVY",
            "formattype": "FORMAT_Vidscope2", "AvgTimePerFrame": 400000, "biWidth": 720,
            "biHeight": 576, "biBitCount": 16, "dwPictAspectRatioX": 16,
            "dwPictAspectRatioY": 9, "dwInterlaceFlags": 1,
            "rcSource": [0, 0, 720, 576]}})");
    const MediaTypeDesc& type = OnlyCapability(catalog).mediaType;
    EXPECT_EQ(type.cbFormat, 112u);
    const std::vector<BYTE> block = type.FormatBlock();
    ASSERT_EQ(block.size(), sizeof(VIDEOINFOHEADER2));
    VIDEOINFOHEADER2 header;
    std::memcpy(&header, block.data(), sizeof header);
    EXPECT_EQ(header.dwPictAspectRatioX, 16u);
    EXPECT_EQ(header.dwPictAspectRatioY, 9u);
    EXPECT_EQ(header.dwInterlaceFlags, 1u);
    EXPECT_EQ(header.rcSource, (RECT{0, 0, 720, 576}));
    EXPECT_EQ(header.bmiHeader.biWidth, 720);
    EXPECT_EQ(header.bmiHeader.biCompression, MakeFourCC('U', 'Y', 'V', 'Y'));
}

TEST(CatalogLoader, FormatBlockFollowsAnExplicitSize) {
    const auto blockOfSize = [](int size) {
        const Catalog catalog = LoadWithCapability(
            R"({"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                "formattype": "FORMAT_Vidscope", "biWidth": 640, "cbFormat": )" +
            std::to_string(size) + "}}");
        return OnlyCapability(catalog).mediaType.FormatBlock();
    };
    const std::vector<BYTE> cut = blockOfSize(87);
    EXPECT_EQ(cut.size(), 87u);
    const std::vector<BYTE> padded = blockOfSize(100);
    ASSERT_EQ(padded.size(), 100u);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), padded.begin()));
    EXPECT_TRUE(std::all_of(padded.begin() + 88, padded.end(), [](BYTE b) { return b == 0; }));
    EXPECT_TRUE(blockOfSize(0).empty());
}

TEST(CatalogLoader, AudioFormatDerivesItsBlockAlignment) {
    const Catalog catalog = LoadCatalogString(
        R"({"devices": [{"category": "audio", "properties": {"WaveInID": 2},
            "pins": [{"name": "Capture", "mediaTypes": [{"majortype": "MEDIATYPE_Audio",
            "subtype": "MEDIASUBTYPE_PCM", "formattype": "FORMAT_WaveFormatEx",
            "nChannels": 2, "nSamplesPerSec": 48000, "wBitsPerSample": 16}]}]}]})");
    const CatalogDevice& device = catalog.devices[0];
    EXPECT_EQ(device.category, DeviceCategory::Audio);
    EXPECT_EQ(device.properties.waveInId, 2);
    const MediaTypeDesc& type = device.pins[0].mediaTypes.at(0);
    const auto& wave = std::get<WAVEFORMATEX>(type.format);
    EXPECT_EQ(wave.wFormatTag, 1);
    EXPECT_EQ(wave.nBlockAlign, 4);
    EXPECT_EQ(wave.nAvgBytesPerSec, 192000u);
    EXPECT_EQ(type.cbFormat, 18u);
    EXPECT_EQ(type.lSampleSize, 4u);
}

TEST(CatalogLoader, GuidsMayBeWrittenAsNamesOrRegistryText) {
    const Catalog catalog = LoadWithCapability(
        R"({"caps": {"guid": "{05589f80-c356-11ce-bf01-00aa0055595a}"},
            "mediaType": {"majortype": "{73646976-0000-0010-8000-00AA00389B71}",
            "subtype": "{12345678-9ABC-DEF0-1234-56789ABCDEF0}", "formattype": "FORMAT_None"}})");
    const Capability& capability = OnlyCapability(catalog);
    EXPECT_EQ(capability.caps.guid, FORMAT_VideoInfo);
    EXPECT_EQ(capability.mediaType.majortype, MEDIATYPE_Video);
    EXPECT_EQ(CatalogGuidText(capability.mediaType.subtype),
              "{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
    EXPECT_EQ(capability.mediaType.cbFormat, 0u);
    // The catalog writes this system's name for the shared VIDEOINFOHEADER GUID.
    EXPECT_EQ(CatalogGuidText(FORMAT_VideoInfo), "FORMAT_Vidscope");
    EXPECT_EQ(CatalogGuidText(MEDIASUBTYPE_dvsd), "MEDIASUBTYPE_dvsd");
    EXPECT_EQ(CatalogGuidText(MEDIASUBTYPE_DVSD), "MEDIASUBTYPE_DVSD");
}

TEST(CatalogLoader, FaultsTakeCodesAsNamesHexOrNumbers) {
    const Catalog catalog = LoadCatalogString(
        R"({"devices": [{"category": "video",
            "faults": {"BindToStorage": "E_ACCESSDENIED", "BindToObject": "0x80040154",
                       "RenderPreview": {"hr": 2147746327, "indices": [0, 2]}},
            "pins": [{"name": "Capture", "faults": {"GetStreamCaps": {"hr": -2147467259,
                "indices": [3]}, "SetFormat": "VFW_E_INVALIDMEDIATYPE"}}]}]})");
    const CatalogDevice& device = catalog.devices[0];
    EXPECT_EQ(device.faults.bindToStorage->hr, E_ACCESSDENIED);
    EXPECT_EQ(device.faults.bindToObject->hr, REGDB_E_CLASSNOTREG);
    const CallFault& render = *device.faults.renderPreview;
    EXPECT_EQ(render.hr, VFW_E_CANNOT_CONNECT);
    EXPECT_TRUE(render.AppliesTo(2));
    EXPECT_FALSE(render.AppliesTo(1));
    const PinFaults& pinFaults = device.pins[0].faults;
    EXPECT_EQ(pinFaults.getStreamCaps->hr, E_FAIL);
    EXPECT_TRUE(pinFaults.getStreamCaps->AppliesTo(3));
    EXPECT_FALSE(pinFaults.getStreamCaps->AppliesTo(0));
    EXPECT_TRUE(pinFaults.setFormat->AppliesTo(7));
    EXPECT_FALSE(pinFaults.getFormat);
}

TEST(CatalogLoader, CrossbarRoutesDefaultToConnectorsOfTheSameKind) {
    const Catalog catalog = LoadCatalogString(
        R"({"devices": [{"category": "video", "crossbar": {
            "inputs": [{"type": "PhysConn_Video_Tuner", "related": 1},
                       {"type": "PhysConn_Audio_Tuner", "related": 0},
                       {"type": "PhysConn_Video_SVideo"}],
            "outputs": [{"type": "PhysConn_Video_VideoDecoder", "routedFrom": 7},
                        {"type": "PhysConn_Audio_AudioDecoder", "canRouteFrom": [1]},
                        {"type": 12, "canRouteFrom": []}],
            "faults": {"get_CrossbarPinInfo": {"hr": "E_FAIL", "outputs": [1]},
                       "Route": "E_UNEXPECTED"}}}]})");
    const CrossbarDesc& crossbar = *catalog.devices[0].crossbar;
    EXPECT_EQ(crossbar.inputs[2].related, -1);
    // An index beyond the inputs is kept: it simulates a driver that answers one.
    EXPECT_EQ(crossbar.outputs[0].routedFrom, 7);
    EXPECT_TRUE(crossbar.CanRoute(0, 0));
    EXPECT_TRUE(crossbar.CanRoute(0, 2));
    EXPECT_FALSE(crossbar.CanRoute(0, 1));
    EXPECT_TRUE(crossbar.CanRoute(1, 1));
    EXPECT_FALSE(crossbar.CanRoute(1, 0));
    EXPECT_FALSE(crossbar.CanRoute(2, 0));
    EXPECT_FALSE(crossbar.CanRoute(0, 3));
    EXPECT_FALSE(crossbar.CanRoute(3, 0));
    const CrossbarPinInfoFault& pinInfo = *crossbar.faults.getCrossbarPinInfo;
    EXPECT_TRUE(pinInfo.AppliesTo(false, 1));
    EXPECT_FALSE(pinInfo.AppliesTo(false, 0));
    EXPECT_FALSE(pinInfo.AppliesTo(true, 1));
    EXPECT_TRUE(crossbar.faults.route->AppliesTo(0));
}

TEST(CatalogLoader, TextIsConvertedToUtf16AndCommentsAreIgnored) {
    const Catalog catalog = LoadCatalogString(
        R"({"comment": "two devices", "devices": [
            {"comment": "USB", "category": "video",
             "properties": {"FriendlyName": "Kamera \u00dc \ud83c\udfa5"}}]})");
    EXPECT_EQ(catalog.devices[0].properties.friendlyName, u"Kamera \u00dc \U0001F3A5");
}

}  // namespace
