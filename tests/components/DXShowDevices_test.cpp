#include "Components/VQDirectShow/DXShowDevices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/devices/devenum.h"
#include "platform/linux/com.h"
#include "platform/linux/registry.h"
#include "platform/sdk/com.h"
#include "platform/sdk/registry.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"
#include "tests/support/LocaleEnvironment.h"
#include "util/VQLists.h"

namespace capspect {
namespace {

using sim::InstallCatalog;
using sim::LoadCatalogString;

constexpr CLSID kProxyClass{
    0x17CCA71B, 0xECD7, 0x11D0, {0xB9, 0x08, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr CLSID kVendorClass{
    0x0B0A0C0D, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};

// Every way a device can be listed or left out, in one catalog.
constexpr const char* kMixedCatalog = R"({"devices": [
    {"category": "video", "properties": {"FriendlyName": "Grabber", "Description": "HDMI Grabber",
        "DevicePath": "\\\\?\\usb#vid_1&pid_2#{65e8773d}", "CLSID": "{17CCA71B-ECD7-11D0-B908-00A0C9223196}"},
     "fileName": "ksproxy.ax"},
    {"category": "video", "properties": {"FriendlyName": "Webcam",
        "CLSID": "{0b0a0c0d-1111-2222-3333-444455556666}"}},
    {"category": "video", "properties": {"DevicePath": "\\\\?\\nameless", "CLSID": "{17CCA71B-ECD7-11D0-B908-00A0C9223196}"}},
    {"category": "video", "properties": {"Description": "Odd Class", "DevicePath": "\\\\?\\odd",
        "CLSID": "17CCA71B-ECD7-11D0-B908-00A0C9223196"}},
    {"category": "video", "properties": {"Description": "Locked", "DevicePath": "\\\\?\\locked"},
     "faults": {"BindToStorage": "E_ACCESSDENIED"}},
    {"category": "audio", "properties": {"FriendlyName": "Line In", "WaveInID": 0}},
    {"category": "video", "properties": {"FriendlyName": "Bare"}}
]})";

class DeviceCollection : public testing::Test {
protected:
    void SetUp() override { InstallCatalog(LoadCatalogString(kMixedCatalog)); }

    static std::vector<std::u16string> Paths(const TDXShowDevices& devices) {
        std::vector<std::u16string> paths;
        for (int i = 0; i < devices.Count(); ++i) {
            paths.push_back(devices.Items(i).DevicePath());
        }
        return paths;
    }

    // The references held on `moniker`, besides the caller's own.
    static ULONG OtherReferences(IMoniker* moniker) {
        moniker->AddRef();
        return moniker->Release() - 1;
    }

    TDXShowCaptureDevices devices_;
};

// Description wins over FriendlyName, which is the fallback; nameless and locked devices
// and the audio device are left out.
TEST_F(DeviceCollection, StartsEmptyAndListsVideoDevicesInEnumeratorOrderOnRefresh) {
    EXPECT_EQ(devices_.Count(), 0);
    EXPECT_TRUE(devices_.Video());
    devices_.Refresh();
    EXPECT_EQ(devices_.Descriptions(),
              (std::vector<std::u16string>{u"HDMI Grabber", u"Webcam", u"Odd Class", u"Bare"}));
    for (int i = 0; i < devices_.Count(); ++i) {
        EXPECT_TRUE(devices_.Items(i).Moniker()) << i;
    }
}

TEST_F(DeviceCollection, PathFallsBackToTheClassTextAsWrittenThenToEmpty) {
    devices_.Refresh();
    EXPECT_EQ(Paths(devices_), (std::vector<std::u16string>{
                                   u"\\\\?\\usb#vid_1&pid_2#{65e8773d}",
                                   u"{0b0a0c0d-1111-2222-3333-444455556666}", u"\\\\?\\odd", u""}));
}

TEST_F(DeviceCollection, ClassIsParsedInEitherCaseAndIsNullWhenMissingOrMalformed) {
    devices_.Refresh();
    EXPECT_EQ(devices_.Items(0).CLSID(), kProxyClass);
    EXPECT_EQ(devices_.Items(1).CLSID(), kVendorClass);
    EXPECT_EQ(devices_.Items(2).CLSID(), GUID_NULL);  // braces missing
    EXPECT_EQ(devices_.Items(3).CLSID(), GUID_NULL);  // no CLSID at all
}

TEST_F(DeviceCollection, AudioDevicesAreListedWhenVideoIsOff) {
    devices_.SetVideo(false);
    EXPECT_EQ(devices_.Count(), 0);  // the setter alone does not enumerate
    devices_.Refresh();
    EXPECT_EQ(devices_.Descriptions(), std::vector<std::u16string>{u"Line In"});
}

TEST_F(DeviceCollection, RefreshRebuildsFromTheCurrentDeviceSet) {
    devices_.Refresh();
    const std::vector<std::u16string> first = Paths(devices_);
    devices_.Refresh();
    EXPECT_EQ(Paths(devices_), first);
    EXPECT_EQ(devices_.Descriptions().size(), first.size());

    InstallCatalog(LoadCatalogString(
        R"({"devices": [{"category": "video", "properties": {"FriendlyName": "New"}}]})"));
    devices_.Refresh();
    EXPECT_EQ(devices_.Descriptions(), std::vector<std::u16string>{u"New"});
}

TEST_F(DeviceCollection, EntryHoldsOneReferenceOnItsMonikerUntilCleared) {
    devices_.Refresh();
    const ComPtr<IMoniker> moniker = devices_.Items(0).Moniker();
    EXPECT_EQ(OtherReferences(moniker.Get()), 1u);

    // The moniker keeps naming its device after the device set changed.
    InstallCatalog({});
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(bag.GetAddressOf())), S_OK);

    devices_.Clear();
    EXPECT_EQ(OtherReferences(moniker.Get()), 0u);
}

TEST_F(DeviceCollection, ReadFaultsAndEnumerationFaultsLeaveDevicesOut) {
    {
        const ScopedFault noReads("IPropertyBag::Read", E_FAIL);
        devices_.Refresh();
        EXPECT_EQ(devices_.Count(), 0);
    }
    {
        // The second device's bag fails to open; the others are listed.
        const ScopedFault secondBag("IMoniker::BindToStorage", E_ACCESSDENIED, 1, 1);
        devices_.Refresh();
        EXPECT_EQ(devices_.Descriptions(),
                  (std::vector<std::u16string>{u"HDMI Grabber", u"Odd Class", u"Bare"}));
    }
    {
        const ScopedFault nextFails("IEnumMoniker::Next", E_UNEXPECTED, 2);
        devices_.Refresh();
        EXPECT_EQ(devices_.Descriptions(),
                  (std::vector<std::u16string>{u"HDMI Grabber", u"Webcam"}));
    }
}

TEST_F(DeviceCollection, EmptyCategoryGivesAnEmptyListAndNoError) {
    int errors = 0;
    devices_.OnError = [&errors](HRESULT, const std::u16string&) { ++errors; };
    devices_.Refresh();
    InstallCatalog({});
    devices_.Refresh();
    EXPECT_EQ(devices_.Count(), 0);
    {
        InstallCatalog(LoadCatalogString(kMixedCatalog));
        const ScopedFault refused("ICreateDevEnum::CreateClassEnumerator", E_FAIL);
        devices_.Refresh();
        EXPECT_EQ(devices_.Count(), 0);
    }
    EXPECT_EQ(errors, 0);
}

TEST_F(DeviceCollection, EnumeratorThatCannotBeCreatedIsReportedOnceAndEmptiesTheList) {
    devices_.Refresh();
    ASSERT_GT(devices_.Count(), 0);
    std::vector<std::pair<HRESULT, std::u16string>> reports;
    devices_.OnError = [&reports](HRESULT hr, const std::u16string& message) {
        reports.emplace_back(hr, message);
    };
    ClassRegistry::Instance().Revoke(CLSID_SystemDeviceEnum);
    devices_.Refresh();

    EXPECT_EQ(devices_.Count(), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, REGDB_E_CLASSNOTREG);
    EXPECT_EQ(reports[0].second, u"Class not registered Reason: ($80040154).");
}

TEST_F(DeviceCollection, AssignToReplacesTheListWithTheDescriptions) {
    devices_.Refresh();
    TThreadStringList list;
    list.Add(u"stale");
    devices_.AssignTo(list);
    EXPECT_EQ(list.Text(), u"HDMI Grabber\r\nWebcam\r\nOdd Class\r\nBare\r\n");
}

class FindDevice : public DeviceCollection {};

TEST_F(FindDevice, MatchesWholePathsWithCaseIgnored) {
    EXPECT_EQ(devices_.FindDevice(u"\\\\?\\odd"), nullptr);  // empty collection
    devices_.Refresh();
    const TDXShowDevice* found = devices_.FindDevice(u"\\\\?\\USB#VID_1&PID_2#{65E8773D}");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Description(), u"HDMI Grabber");
    EXPECT_EQ(devices_.FindDevice(u"{0B0A0C0D-1111-2222-3333-444455556666}"), &devices_.Items(1));
    EXPECT_EQ(devices_.FindDevice(u"\\\\?\\od"), nullptr);
    EXPECT_EQ(devices_.FindDevice(u"\\\\?\\odd "), nullptr);
}

TEST_F(FindDevice, EmptyPathFindsOnlyADeviceWithoutPath) {
    devices_.Refresh();
    EXPECT_EQ(devices_.FindDevice(u""), &devices_.Items(3));
    InstallCatalog(LoadCatalogString(
        R"({"devices": [{"category": "video", "properties": {"FriendlyName": "A", "DevicePath": "a"}}]})"));
    devices_.Refresh();
    EXPECT_EQ(devices_.FindDevice(u""), nullptr);
}

TEST_F(FindDevice, FirstOfTwoEqualPathsWins) {
    InstallCatalog(LoadCatalogString(R"({"devices": [
        {"category": "video", "properties": {"FriendlyName": "First", "DevicePath": "dev"}},
        {"category": "video", "properties": {"FriendlyName": "Second", "DevicePath": "DEV"}}]})"));
    devices_.Refresh();
    const TDXShowDevice* found = devices_.FindDevice(u"Dev");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Description(), u"First");
}

TEST_F(FindDevice, FoldsCaseBeyondAsciiInTheUserLocale) {
    ASSERT_TRUE(test::LocaleIsInstalled(test::kGerman));
    const test::LocaleEnvironment german(test::kGerman);
    InstallCatalog(LoadCatalogString(R"({"devices": [
        {"category": "video", "properties": {"FriendlyName": "Kamera", "DevicePath": "\\\\?\\gerät#ä"}}]})"));
    devices_.Refresh();
    EXPECT_NE(devices_.FindDevice(u"\\\\?\\GERÄT#Ä"), nullptr);
}

class DeviceFileName : public DeviceCollection {};

TEST_F(DeviceFileName, ComesFromTheClassInprocServerKey) {
    devices_.Refresh();
    EXPECT_EQ(devices_.Items(0).FileName(), u"ksproxy.ax");
    EXPECT_EQ(devices_.Items(1).FileName(), u"<Unknown>");  // class not registered
    EXPECT_EQ(devices_.Items(2).FileName(), u"<Unknown>");  // GUID_NULL
}

TEST_F(DeviceFileName, IsKeptAfterTheFirstRead) {
    devices_.Refresh();
    const TDXShowDevice& grabber = devices_.Items(0);
    const TDXShowDevice& webcam = devices_.Items(1);
    EXPECT_EQ(grabber.FileName(), u"ksproxy.ax");
    EXPECT_EQ(webcam.FileName(), u"<Unknown>");
    Registry::Instance().UnregisterClass(kProxyClass);
    Registry::Instance().RegisterClass(kVendorClass, u"Vendor", u"vendor.ax");
    EXPECT_EQ(grabber.FileName(), u"ksproxy.ax");
    EXPECT_EQ(webcam.FileName(), u"<Unknown>");
}

TEST_F(DeviceFileName, MissingDefaultValueIsEmptyAndLookedUpAgain) {
    constexpr char16_t kServerKey[] =
        u"Software\\Classes\\CLSID\\{0B0A0C0D-1111-2222-3333-444455556666}\\InprocServer32";
    Registry::Instance().SetString(HKEY_LOCAL_MACHINE, kServerKey, u"ThreadingModel", u"Both");
    devices_.Refresh();
    const TDXShowDevice& webcam = devices_.Items(1);
    EXPECT_EQ(webcam.FileName(), u"");
    Registry::Instance().SetString(HKEY_LOCAL_MACHINE, kServerKey, u"", u"vendor.ax");
    EXPECT_EQ(webcam.FileName(), u"vendor.ax");
}

}  // namespace
}  // namespace capspect
