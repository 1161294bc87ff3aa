#include "app/list_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/demo_catalog.h"
#include "platform/devices/devenum.h"
#include "platform/devices/v4l2/discovery.h"
#include "platform/support/faults.h"
#include "platform/sdk/hresult.h"
#include "platform/support/unicode.h"
#include "tests/app/command_run.h"
#include "tests/support/temp_dir.h"

namespace capspect {
namespace {

int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Listed, left out and listed with fallbacks, in that order.
constexpr const char* kLabCatalog = R"({"devices": [
    {"category": "video", "properties": {"FriendlyName": "Cap", "Description": "Capture Card",
        "DevicePath": "\\\\?\\pci#card", "CLSID": "{17CCA71B-ECD7-11D0-B908-00A0C9223196}"}},
    {"category": "video", "properties": {"DevicePath": "\\\\?\\usb#nameless"}},
    {"category": "video", "properties": {"FriendlyName": "Kamera für Büro", "CLSID": "{bad}"}},
    {"category": "video", "properties": {"Description": "Locked", "DevicePath": "\\\\?\\locked"},
     "faults": {"BindToStorage": "E_ACCESSDENIED"}},
    {"category": "audio", "properties": {"FriendlyName": "Line In"}},
    {"category": "video", "properties": {"FriendlyName": "Grabber", "DevicePath": "\\\\?\\usb#grab",
        "CLSID": "not a guid"}}
]})";

class ListCommand : public testing::Test {
protected:
    std::string CatalogFile(const std::string& json) const {
        return dir_.Write("devices.json", std::vector<std::uint8_t>(json.begin(), json.end()))
            .string();
    }

    test::TempDir dir_;
};

TEST_F(ListCommand, PrintsDescriptionTabPathForListedDevicesOnly) {
    const std::string file = CatalogFile(kLabCatalog);
    const std::string expected =
        "Capture Card\t\\\\?\\pci#card\n"
        "Kamera für Büro\t{bad}\n"
        "Grabber\t\\\\?\\usb#grab\n";
    for (const auto& args : {std::vector<std::string>{"list", "--devices", file},
                             std::vector<std::string>{"--devices", file, "list"},
                             std::vector<std::string>{"--devices=" + file, "list", "--verbose"}}) {
        const CommandRun run = RunCapspect(args);
        EXPECT_EQ(run.status, ExitStatus::Success);
        EXPECT_EQ(run.out, expected);
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(ListCommand, NoDeviceMeansNoOutputAndSuccess) {
    const CommandRun run = RunCapspect({"list", "--devices", CatalogFile(R"({"devices": []})")});
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

TEST_F(ListCommand, TheDevicesGoWhenTheCommandEnds) {
    ASSERT_EQ(RunCapspect({"list", "--devices", CatalogFile(kLabCatalog)}).status,
              ExitStatus::Success);
    EXPECT_TRUE(sim::InstalledCatalog()->devices.empty());
}

TEST_F(ListCommand, EnumeratorThatCannotBeCreatedIsOneLineAndFailure) {
    const std::string file = CatalogFile(kLabCatalog);
    const ScopedFault refused("CoCreateInstance", REGDB_E_CLASSNOTREG);
    const CommandRun run = RunCapspect({"list", "--devices", file});
    EXPECT_EQ(run.status, ExitStatus::Failure);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "capspect list: Class not registered Reason: ($80040154).\n");
}

TEST_F(ListCommand, CatalogThatDoesNotLoadIsOneLineAndFailure) {
    const std::string missing = (dir_.path() / "missing.json").string();
    const std::string broken = CatalogFile(R"({"devices": [{"category": "webcam"}]})");
    for (const std::string& file : {missing, broken}) {
        const CommandRun run = RunCapspect({"list", "--devices", file});
        EXPECT_EQ(run.status, ExitStatus::Failure);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(LineCount(run.err), 1) << run.err;
        EXPECT_TRUE(run.err.starts_with("capspect: " + file + ": ")) << run.err;
    }
    EXPECT_NE(RunCapspect({"list", "--devices", broken}).err.find("devices[0].category"),
              std::string::npos);
}

TEST_F(ListCommand, ExtraArgumentIsAUsageError) {
    const CommandRun run = RunCapspect({"list", "--demo", "camera"});
    EXPECT_EQ(run.status, ExitStatus::Usage);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(LineCount(run.err), 1);
}

TEST(ListDemo, ListsTheDemoCatalogsVideoDevicesByDescriptionOrFriendlyName) {
    std::string expected;
    for (const sim::CatalogDevice& device : LoadDemoCatalog().devices) {
        if (device.category == sim::DeviceCategory::Video) {
            const auto& properties = device.properties;
            expected += Utf16ToUtf8(properties.description.value_or(
                            properties.friendlyName.value_or(u""))) +
                        "\t" + Utf16ToUtf8(properties.devicePath.value_or(u"")) + "\n";
        }
    }
    for (const auto& args : {std::vector<std::string>{"list", "--demo"},
                             std::vector<std::string>{"--backend", "sim", "list"}}) {
        const CommandRun run = RunCapspect(args);
        EXPECT_EQ(run.status, ExitStatus::Success);
        EXPECT_EQ(run.out, expected);
        EXPECT_EQ(LineCount(run.out), 3);
    }
}

TEST(ListBackend, WithoutASimulatedCatalogTheMachinesV4l2DevicesAreListed) {
    // Whatever this machine has (often nothing): the lines discovery gives.
    std::string expected;
    for (const auto& device :
         v4l2::DiscoverCaptureDevices(v4l2::DiscoveryRoots{}, v4l2::FileDeviceOpener()).devices) {
        expected += device.description + "\t" + device.devicePath + "\n";
    }
    for (const auto& args : {std::vector<std::string>{"list"},
                             std::vector<std::string>{"list", "--backend", "v4l2"}}) {
        const CommandRun run = RunCapspect(args);
        EXPECT_EQ(run.status, ExitStatus::Success) << run.err;
        EXPECT_EQ(run.out, expected);
    }
}

}  // namespace
}  // namespace capspect
