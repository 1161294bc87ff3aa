// Devices leaving and rejoining the simulated device set: the EC_DEVICE_LOST events of the
// filters that stand for them, the references those events hold while they wait, and the
// windows registered for device changes.
#include <gtest/gtest.h>

#include <vector>

#include "platform/devices/capture_filter.h"
#include "platform/devices/crossbar_filter.h"
#include "platform/devices/device_presence.h"
#include "platform/linux/messages.h"
#include "platform/sdk/device_notify.h"
#include "platform/sdk/messages.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/hidden_window.h"
#include "tests/sim/capture_fixture.h"

namespace capspect::sim::test {
namespace {

constexpr std::u16string_view kCardPath = u"\\\\?\\pci#card";
constexpr std::u16string_view kCameraPath = u"\\\\?\\usb#cam";

struct QueuedEvent {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;

    bool operator==(const QueuedEvent&) const = default;
};

LONG_PTR IdentityOf(IBaseFilter* filter) {
    return reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(filter));
}

// A filter that says when it is destroyed.
class MortalFilter : public Filter {
public:
    explicit MortalFilter(bool& destroyed) : Filter(GUID_NULL), destroyed_(destroyed) {}
    ~MortalFilter() override { destroyed_ = true; }

private:
    bool& destroyed_;
};

class DevicePresenceTest : public CaptureTest {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        ASSERT_EQ(graph.As(&events), S_OK);
    }

    std::vector<QueuedEvent> TakeEvents() {
        std::vector<QueuedEvent> taken;
        QueuedEvent event{};
        while (events->GetEvent(&event.code, &event.param1, &event.param2, 0) == S_OK) {
            taken.push_back(event);
            events->FreeEventParams(event.code, event.param1, event.param2);
        }
        return taken;
    }

    const CatalogDevice& InstalledDevice(std::size_t index) {
        return InstalledCatalog()->devices.at(index);
    }

    ComPtr<IMediaEventEx> events;
};

TEST_F(DevicePresenceTest, OurCaptureFiltersAreToldFromOthersThroughCom) {
    const ComPtr<IBaseFilter> card = AddDevice(0, u"Card");
    card->AddRef();
    const ULONG references = card->Release();
    CaptureFilter* const own = CaptureFilter::From(card.Get());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(own->Identity()), IdentityOf(card.Get()));
    card->AddRef();
    EXPECT_EQ(card->Release(), references) << "asking keeps no reference";
    EXPECT_EQ(CaptureFilter::From(own->Crossbar().Get()), nullptr) << "another filter of ours";
    EXPECT_EQ(CaptureFilter::From(nullptr), nullptr);
}

TEST_F(DevicePresenceTest, UnpluggingAndPluggingReachTheFiltersOfThatDeviceInAGraph) {
    const ComPtr<IBaseFilter> card = AddDevice(0, u"Card");
    const ComPtr<CrossbarFilter> crossbar = CaptureFilter::From(card.Get())->Crossbar();
    ASSERT_EQ(graph->AddFilter(crossbar.Get(), u"Crossbar"), S_OK);
    const ComPtr<IBaseFilter> camera = AddDevice(1, u"Camera");
    const CatalogDevice cardEntry = InstalledDevice(0);

    ASSERT_TRUE(UnplugDevice(kCardPath));
    EXPECT_EQ(TakeEvents(),
              (std::vector<QueuedEvent>{{EC_DEVICE_LOST, IdentityOf(card.Get()), 0},
                                        {EC_DEVICE_LOST, IdentityOf(crossbar.Get()), 0}}));
    ASSERT_EQ(InstalledCatalog()->devices.size(), 2u);
    EXPECT_FALSE(UnplugDevice(kCardPath)) << "already gone";

    PlugDevice(cardEntry);
    EXPECT_EQ(TakeEvents(),
              (std::vector<QueuedEvent>{{EC_DEVICE_LOST, IdentityOf(card.Get()), 1},
                                        {EC_DEVICE_LOST, IdentityOf(crossbar.Get()), 1}}));
    EXPECT_EQ(InstalledCatalog()->devices.back().properties.devicePath, kCardPath);
}

TEST_F(DevicePresenceTest, FiltersOutsideTheGraphOrOfOtherDevicesStayQuiet) {
    const ComPtr<IBaseFilter> camera = AddDevice(1, u"Camera");
    const ComPtr<IBaseFilter> looseCard = BindDevice(0);  // in no graph
    ASSERT_TRUE(UnplugDevice(kCardPath));
    EXPECT_TRUE(TakeEvents().empty());

    // A device without a path cannot be told apart, so it is never announced.
    Catalog catalog = *InstalledCatalog();
    catalog.devices.erase(catalog.devices.begin() + 1);  // the grabber without a path
    const DeviceSetChange change = ReplaceDeviceSet(catalog);
    EXPECT_TRUE(change.Empty());
    EXPECT_EQ(InstalledCatalog()->devices.size(), 1u);
    ASSERT_TRUE(UnplugDevice(kCameraPath));
    EXPECT_EQ(TakeEvents(),
              (std::vector<QueuedEvent>{{EC_DEVICE_LOST, IdentityOf(camera.Get()), 0}}));
}

TEST_F(DevicePresenceTest, ChangesAreComparedByDevicePath) {
    const Catalog before = *InstalledCatalog();
    Catalog after = before;
    std::swap(after.devices[0], after.devices[1]);  // order alone is no change
    EXPECT_TRUE(CompareDeviceSets(before, after).Empty());
    after.devices.erase(after.devices.begin());
    CatalogDevice newcomer = before.devices[0];
    newcomer.properties.devicePath = u"\\\\?\\usb#other";
    after.devices.push_back(newcomer);
    after.devices.push_back(newcomer);  // twice in a set: one arrival
    const DeviceSetChange change = CompareDeviceSets(before, after);
    EXPECT_EQ(change.removed, std::vector<std::u16string>{std::u16string(kCameraPath)});
    EXPECT_EQ(change.arrived, std::vector<std::u16string>{u"\\\\?\\usb#other"});
}

TEST_F(DevicePresenceTest, LostDeviceStaysAliveUntilItsEventIsFreed) {
    // The application may tear its graph down before it reads the event: the filter the
    // event names must still be an object when the handler looks at it.
    bool destroyed = false;
    {
        auto filter = MakeComObject<MortalFilter>(destroyed);
        ASSERT_EQ(graph->AddFilter(filter.Get(), u"Device"), S_OK);
        ASSERT_TRUE(filter->NotifyEvent(EC_DEVICE_LOST, IdentityOf(filter.Get()), 0));
        ASSERT_EQ(graph->RemoveFilter(filter.Get()), S_OK);
    }
    EXPECT_FALSE(destroyed);
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 0), S_OK);
    ComPtr<IBaseFilter> asFilter;
    EXPECT_EQ(
        reinterpret_cast<IUnknown*>(param1)->QueryInterface(IID_PPV_ARGS(asFilter.GetAddressOf())),
        S_OK);
    asFilter.Reset();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(events->FreeEventParams(code, param1, param2), S_OK);
    EXPECT_TRUE(destroyed);
}

TEST_F(DevicePresenceTest, DroppedDeviceEventsGiveTheirReferencesBack) {
    bool droppedByFlags = false;
    bool droppedWithGraph = false;
    {
        auto first = MakeComObject<MortalFilter>(droppedByFlags);
        auto second = MakeComObject<MortalFilter>(droppedWithGraph);
        ASSERT_EQ(graph->AddFilter(first.Get(), u"First"), S_OK);
        ASSERT_EQ(graph->AddFilter(second.Get(), u"Second"), S_OK);
        first->NotifyEvent(EC_DEVICE_LOST, IdentityOf(first.Get()), 0);
        ASSERT_EQ(events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY), S_OK);
        ASSERT_EQ(events->SetNotifyFlags(0), S_OK);
        second->NotifyEvent(EC_DEVICE_LOST, IdentityOf(second.Get()), 1);
        ASSERT_EQ(graph->RemoveFilter(first.Get()), S_OK);
        ASSERT_EQ(graph->RemoveFilter(second.Get()), S_OK);
    }
    EXPECT_TRUE(droppedByFlags);
    EXPECT_FALSE(droppedWithGraph);
    events.Reset();
    graph.Reset();
    builder.Reset();
    EXPECT_TRUE(droppedWithGraph);
}

TEST(DeviceNotification, RegisteredWindowsGetOneMessagePerChange) {
    std::vector<WPARAM> received;
    const HWND window = AllocateHWnd([&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_DEVICECHANGE) {
            received.push_back(wParam);
        }
        return 0;
    });
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    EXPECT_EQ(RegisterDeviceNotificationW(nullptr, &filter, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
    EXPECT_EQ(RegisterDeviceNotificationW(window, nullptr, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
    EXPECT_EQ(RegisterDeviceNotificationW(window, &filter, 1 /* a service handle */), nullptr);
    const HDEVNOTIFY registration = RegisterDeviceNotificationW(
        window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
    ASSERT_NE(registration, nullptr);

    RegisterSimulatedPlatform();
    InstallCatalog(LoadCatalogString(kCaptureCatalog));
    ASSERT_TRUE(UnplugDevice(kCameraPath));
    ReplaceDeviceSet(*InstalledCatalog());  // no change, no message
    EXPECT_TRUE(received.empty()) << "posted, not sent";
    ProcessMessagesUntilIdle();
    EXPECT_EQ(received, std::vector<WPARAM>{DBT_DEVNODES_CHANGED});

    EXPECT_EQ(UnregisterDeviceNotification(registration), TRUE);
    DeallocateHWnd(window);
}

}  // namespace
}  // namespace capspect::sim::test
