#include "app/snapshot_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/demo_catalog.h"
#include "platform/devices/catalog.h"
#include "platform/devices/catalog_writer.h"
#include "platform/devices/v4l2/capabilities.h"
#include "platform/devices/v4l2/v4l2_platform.h"
#include "platform/support/unicode.h"
#include "tests/app/command_run.h"
#include "tests/support/fake_v4l2_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/v4l2/fixtures.h"

namespace capspect {
namespace {

int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Every kind of fault and an audio device, to see that a snapshot keeps all of it.
constexpr const char* kFaultyCatalog = R"json({"devices": [
  {"category": "audio", "properties": {"FriendlyName": "Line In", "WaveInID": 2}},
  {"category": "video",
   "properties": {"FriendlyName": "Card", "Description": "Card (PCI)",
                  "DevicePath": "\\\\?\\pci#card", "CLSID": "{17CCA71B-ECD7-11D0-B908-00A0C9223196}"},
   "fileName": "ksproxy.ax",
   "pins": [
     {"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
      "streamConfig": {"current": 1, "capabilities": [
        {"caps": {"guid": "FORMAT_Vidscope", "InputSize": [720, 576], "VideoStandard": 16,
                  "MinOutputSize": [720, 576], "MaxOutputSize": [720, 576],
                  "MinFrameInterval": 400000, "MaxFrameInterval": 400000},
         "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_UYVY",
                       "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 400000,
                       "biWidth": 720, "biHeight": 576, "biBitCount": 16, "cbFormat": 90}},
        {"caps": {"guid": "FORMAT_Vidscope2", "InputSize": [720, 576]},
         "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "{3231564E-0000-0010-8000-00AA00389B71}",
                       "formattype": "FORMAT_Vidscope2", "biWidth": 720, "biHeight": -576,
                       "biBitCount": 12, "dwPictAspectRatioX": 4, "dwPictAspectRatioY": 3}}]},
      "faults": {"GetNumberOfCapabilities": "E_FAIL", "GetStreamCaps": {"hr": "E_FAIL", "indices": [1]},
                 "GetFormat": "0x80070005", "SetFormat": {"hr": "VFW_E_INVALIDMEDIATYPE", "indices": [0]}}},
     {"name": "Analog Video In", "direction": "input", "category": "PIN_CATEGORY_ANALOGVIDEOIN"},
     {"name": "Audio", "mediaTypes": [{"majortype": "MEDIATYPE_Audio", "subtype": "MEDIASUBTYPE_PCM",
        "formattype": "FORMAT_WaveFormatEx", "nChannels": 2, "nSamplesPerSec": 48000,
        "wBitsPerSample": 16}]}],
   "crossbar": {
     "inputs": [{"type": "PhysConn_Video_Tuner", "related": 2}, {"type": "PhysConn_Video_SVideo"},
                {"type": "PhysConn_Audio_Tuner", "related": 0}, {"type": 77}],
     "outputs": [{"type": "PhysConn_Video_VideoDecoder", "related": 1, "routedFrom": 1,
                  "canRouteFrom": [0, 1]},
                 {"type": "PhysConn_Audio_AudioDecoder", "routedFrom": 9}],
     "faults": {"get_PinCounts": "E_FAIL",
                "get_CrossbarPinInfo": {"hr": "E_FAIL", "inputs": [1], "outputs": [0]},
                "get_IsRoutedTo": {"hr": "E_FAIL", "indices": [1]}, "CanRoute": "S_FALSE",
                "Route": {"hr": "E_ACCESSDENIED", "indices": [0]}}},
   "faults": {"BindToStorage": {"hr": "E_FAIL"}, "RenderPreview": {"hr": "E_FAIL", "indices": [0]}}},
  {"category": "video", "properties": {"FriendlyName": "Locked", "DevicePath": "\\\\?\\usb#locked"},
   "faults": {"BindToObject": "E_ACCESSDENIED"}}
]})json";

class SnapshotCommand : public testing::Test {
protected:
    std::string WriteFile(const std::string& name, const std::string& text) const {
        return dir_.Write(name, std::vector<std::uint8_t>(text.begin(), text.end())).string();
    }

    test::TempDir dir_;
};

// The snapshot is what the platform's interfaces show of the device, which may say more
// than its catalog entry (the types an input pin enumerates, the routes a crossbar
// allows): it replays to the same device, and a snapshot of the replay is the snapshot.
TEST_F(SnapshotCommand, SimulatedDeviceReplaysAsItWas) {
    const sim::Catalog demo = LoadDemoCatalog();
    for (const std::size_t index : {0u, 1u}) {
        const std::string path = Utf16ToUtf8(demo.devices[index].properties.devicePath.value());
        const CommandRun snapshot = RunCapspect({"--demo", "snapshot", path});
        ASSERT_EQ(snapshot.status, ExitStatus::Success) << snapshot.err;
        EXPECT_EQ(snapshot.err, "");
        const std::string file = WriteFile("snapshot.json", snapshot.out);

        EXPECT_EQ(RunCapspect({"--devices", file, "snapshot"}).out, snapshot.out);
        const CommandRun report = RunCapspect({"--demo", "report", path});
        ASSERT_EQ(report.status, ExitStatus::Success) << report.err;
        EXPECT_EQ(RunCapspect({"--devices", file, "report"}).out, report.out);
        const CommandRun listed = RunCapspect({"list", "--devices", file});
        const auto& properties = demo.devices[index].properties;
        EXPECT_EQ(
            listed.out,
            Utf16ToUtf8(properties.description.value_or(properties.friendlyName.value_or(u""))) +
                "\t" + path + "\n");
    }
    // Without a device argument, the first device.
    EXPECT_EQ(RunCapspect({"snapshot", "--demo"}).out,
              RunCapspect({"--demo", "snapshot",
                           Utf16ToUtf8(demo.devices[0].properties.devicePath.value())})
                  .out);
}

TEST_F(SnapshotCommand, EveryCatalogFieldSurvivesTheRoundTrip) {
    const sim::Catalog catalog = sim::LoadCatalogString(kFaultyCatalog);
    const std::string text = sim::CatalogToJsonText(catalog);
    EXPECT_EQ(sim::CatalogToJsonText(sim::LoadCatalogString(text, "written")), text);
    // Names where the platform has them; the odd cut-off format block stays.
    EXPECT_NE(text.find("\"PhysConn_Audio_Tuner\""), std::string::npos);
    EXPECT_NE(text.find("\"type\": 77"), std::string::npos);
    EXPECT_NE(text.find("\"cbFormat\": 90"), std::string::npos);
    EXPECT_NE(text.find("\"biCompression\": \"NV12\""), std::string::npos);
}

TEST_F(SnapshotCommand, DevicesThatCannotBeNamedOrOpenedFail) {
    const std::string file = WriteFile("faulty.json", kFaultyCatalog);
    const CommandRun unknown = RunCapspect({"snapshot", "--devices", file, "\\\\?\\usb#none"});
    EXPECT_EQ(unknown.status, ExitStatus::Failure);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(LineCount(unknown.err), 1);
    EXPECT_NE(unknown.err.find("usb#none"), std::string::npos) << unknown.err;

    const CommandRun locked = RunCapspect({"snapshot", "--devices", file, "\\\\?\\usb#locked"});
    EXPECT_EQ(locked.status, ExitStatus::Failure);
    EXPECT_EQ(locked.out, "");
    EXPECT_EQ(LineCount(locked.err), 1);
    EXPECT_NE(locked.err.find("0x80070005"), std::string::npos) << locked.err;

    const std::string empty = WriteFile("empty.json", R"({"devices": []})");
    const CommandRun none = RunCapspect({"snapshot", "--devices", empty});
    EXPECT_EQ(none.status, ExitStatus::Failure);
    EXPECT_EQ(LineCount(none.err), 1);

    const CommandRun usage = RunCapspect({"snapshot", "--demo", "a", "b"});
    EXPECT_EQ(usage.status, ExitStatus::Usage);
    EXPECT_EQ(LineCount(usage.err), 1);
}

TEST_F(SnapshotCommand, V4l2DeviceSnapshotReplaysWithTheLiveCapabilities) {
    const v4l2::DeviceRecording vivid = v4l2::testing::LoadRecording("vivid.json");
    test::FakeV4l2Tree tree;
    tree.AddNode("video0", vivid, "platform-vivid-000-video-index0");
    v4l2::StartV4l2Platform(tree.Roots(), tree.Opener());
    StringOutput out;
    StringOutput err;
    const BackendOptions options;
    const ExitStatus status = RunSnapshotCommand({}, CommandContext{out, err, options});
    ASSERT_EQ(status, ExitStatus::Success) << err.Text();

    const sim::Catalog snapshot = sim::LoadCatalogString(out.Text(), "snapshot");
    ASSERT_EQ(snapshot.devices.size(), 1u);
    const sim::CatalogDevice& device = snapshot.devices[0];
    ASSERT_FALSE(device.pins.empty());
    ASSERT_TRUE(device.pins[0].streamConfig);
    EXPECT_EQ(device.pins[0].streamConfig->capabilities.size(),
              v4l2::MapCapabilities(vivid.inputs[0]).size());
    ASSERT_TRUE(device.crossbar);
    EXPECT_EQ(device.crossbar->inputs.size(), 6u);

    const std::string link = (tree.Dev("v4l/by-id") / "platform-vivid-000-video-index0").string();
    const CommandRun listed =
        RunCapspect({"list", "--devices", WriteFile("vivid.json", out.Text())});
    EXPECT_EQ(listed.status, ExitStatus::Success);
    EXPECT_EQ(listed.out, "vivid\t" + link + "\n");
}

}  // namespace
}  // namespace capspect
