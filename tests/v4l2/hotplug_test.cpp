// Devices that come and go under the V4L2 backend: the device monitor on a fake sysfs
// tree (polling, driven by a TestClock), the EC_DEVICE_LOST events of the filters in a
// graph, the device set that follows, libudev's watch, and devices that vanish while they
// are being asked.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/devices/capture_filter.h"
#include "platform/devices/crossbar_filter.h"
#include "platform/devices/devenum.h"
#include "platform/devices/v4l2/errors.h"
#include "platform/devices/v4l2/udev_watch.h"
#include "platform/devices/v4l2/v4l2_platform.h"
#include "platform/linux/clock.h"
#include "platform/linux/messages.h"
#include "platform/sdk/clock.h"
#include "platform/sdk/com.h"
#include "platform/sdk/device_notify.h"
#include "platform/sdk/dshow/dshow.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/moniker.h"
#include "platform/sdk/oleauto.h"
#include "platform/support/comptr.h"
#include "platform/support/hidden_window.h"
#include "platform/support/variant.h"
#include "tests/support/fake_v4l2_tree.h"
#include "tests/v4l2/fixtures.h"

namespace capspect::v4l2 {
namespace {

using namespace std::chrono_literals;
using testing::LoadRecording;

constexpr auto kPollInterval = 1000ms;

struct LostEvent {
    LONG_PTR device;
    LONG_PTR param2;

    bool operator==(const LostEvent&) const = default;
};

LONG_PTR IdentityOf(IBaseFilter* filter) {
    return reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(filter));
}

class V4l2Hotplug : public ::testing::Test {
protected:
    void SetUp() override {
        vivid_ = LoadRecording("vivid.json");
        tree_.AddNode("video0", vivid_, "usb-vivid-webcam");
        tree_.AddNode("video2", LoadRecording("vivid-mplane-webcam.json"));
        StartV4l2Platform(tree_.Roots(), tree_.Opener());
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(graph_.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(graph_.As(&events_), S_OK);
    }
    void TearDown() override {
        monitor_.reset();
        events_.Reset();
        graph_.Reset();
    }

    void StartPolling() {
        DeviceMonitor::Options options;
        options.pollInterval = kPollInterval;
        options.forcePolling = true;
        monitor_ = WatchV4l2Devices(options);
    }

    // One poll: the timer falls due and the messages it causes are handled.
    void Tick() {
        clock_.Advance(kPollInterval);
        ProcessMessagesUntilIdle();
    }

    std::vector<std::u16string> DevicePaths() {
        std::vector<std::u16string> paths;
        for (const ComPtr<IMoniker>& moniker : Monikers()) {
            ComPtr<IPropertyBag> bag;
            Variant value;
            if (SUCCEEDED(
                    moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(bag.GetAddressOf()))) &&
                SUCCEEDED(bag->Read(u"DevicePath", value.get(), nullptr))) {
                paths.push_back(BstrToU16String(value->bstrVal));
            }
        }
        return paths;
    }

    std::vector<ComPtr<IMoniker>> Monikers() {
        ComPtr<ICreateDevEnum> enumerator;
        EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(enumerator.GetAddressOf())),
                  S_OK);
        std::vector<ComPtr<IMoniker>> monikers;
        ComPtr<IEnumMoniker> list;
        if (!enumerator || enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                             list.GetAddressOf(), 0) != S_OK) {
            return monikers;
        }
        ComPtr<IMoniker> moniker;
        while (list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            monikers.push_back(moniker);
        }
        return monikers;
    }

    // The webcam's filter (node video0) and its crossbar, both in the graph.
    void AddWebcamToGraph() {
        const auto monikers = Monikers();
        ASSERT_FALSE(monikers.empty());
        ASSERT_EQ(monikers[0]->BindToObject(nullptr, nullptr, IID_PPV_ARGS(webcam_.GetAddressOf())),
                  S_OK);
        crossbar_ = sim::CaptureFilter::From(webcam_.Get())->Crossbar();
        ASSERT_TRUE(crossbar_);
        ASSERT_EQ(graph_->AddFilter(webcam_.Get(), u"vivid"), S_OK);
        ASSERT_EQ(graph_->AddFilter(crossbar_.Get(), u"Crossbar"), S_OK);
    }

    // The EC_DEVICE_LOST events queued on the graph, in order; any other event fails.
    std::vector<LostEvent> TakeLostEvents() {
        std::vector<LostEvent> lost;
        LONG code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        while (events_->GetEvent(&code, &param1, &param2, 0) == S_OK) {
            EXPECT_EQ(code, EC_DEVICE_LOST);
            lost.push_back({param1, param2});
            events_->FreeEventParams(code, param1, param2);
        }
        return lost;
    }

    TestClock clock_;
    test::FakeV4l2Tree tree_;
    DeviceRecording vivid_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaEventEx> events_;
    std::unique_ptr<DeviceMonitor> monitor_;
    ComPtr<IBaseFilter> webcam_;
    ComPtr<sim::CrossbarFilter> crossbar_;
};

TEST_F(V4l2Hotplug, UnpluggedAndReturningDeviceReachesTheGraphHoldingIt) {
    AddWebcamToGraph();
    StartPolling();
    ASSERT_EQ(monitor_->ActiveSource(), DeviceMonitor::Source::Polling);
    const std::u16string webcamPath = (tree_.Dev("v4l/by-id") / "usb-vivid-webcam").u16string();
    ASSERT_EQ(DevicePaths().size(), 2u);

    tree_.RemoveNode("video0");
    tree_.LastOpened()->FailEveryCall(ENODEV);
    ProcessMessagesUntilIdle();
    EXPECT_TRUE(TakeLostEvents().empty()) << "nothing is read before the poll falls due";

    Tick();
    const std::vector<LostEvent> removed{{IdentityOf(webcam_.Get()), 0},
                                         {IdentityOf(crossbar_.Get()), 0}};
    EXPECT_EQ(TakeLostEvents(), removed);
    EXPECT_EQ(DevicePaths(), std::vector<std::u16string>{tree_.Dev("video2").u16string()});

    Tick();
    EXPECT_TRUE(TakeLostEvents().empty()) << "an unchanged tree reports nothing";

    tree_.AddNode("video0", vivid_, "usb-vivid-webcam");
    Tick();
    const std::vector<LostEvent> arrived{{IdentityOf(webcam_.Get()), 1},
                                         {IdentityOf(crossbar_.Get()), 1}};
    EXPECT_EQ(TakeLostEvents(), arrived);
    EXPECT_EQ(DevicePaths(),
              (std::vector<std::u16string>{webcamPath, tree_.Dev("video2").u16string()}));
    ComPtr<IBaseFilter> again;
    EXPECT_EQ(Monikers()[0]->BindToObject(nullptr, nullptr, IID_PPV_ARGS(again.GetAddressOf())),
              S_OK);
}

TEST_F(V4l2Hotplug, NewDeviceIsListedAndRegisteredWindowsHearOfIt) {
    AddWebcamToGraph();
    StartPolling();
    std::vector<WPARAM> changes;
    const HWND window = AllocateHWnd([&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_DEVICECHANGE) {
            changes.push_back(wParam);
        }
        return 0;
    });
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    const HDEVNOTIFY registration =
        RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    ASSERT_NE(registration, nullptr);

    tree_.AddNode("video4", LoadRecording("vivid-mplane-webcam.json"));
    Tick();
    EXPECT_EQ(DevicePaths().size(), 3u);
    EXPECT_TRUE(TakeLostEvents().empty()) << "no filter of the new device is in the graph";
    EXPECT_EQ(changes, std::vector<WPARAM>{DBT_DEVNODES_CHANGED});

    EXPECT_EQ(UnregisterDeviceNotification(registration), TRUE);
    EXPECT_EQ(UnregisterDeviceNotification(registration), FALSE);
    tree_.RemoveNode("video4");
    Tick();
    EXPECT_EQ(changes.size(), 1u);
    DeallocateHWnd(window);
}

TEST_F(V4l2Hotplug, FilterOutsideAnyGraphAndNodeProblemsStayQuiet) {
    // A bound filter that no graph holds tells nobody; a node that cannot be opened is not
    // a device, so its entry coming does not change the set.
    const auto monikers = Monikers();
    ComPtr<IBaseFilter> loose;
    ASSERT_EQ(monikers[0]->BindToObject(nullptr, nullptr, IID_PPV_ARGS(loose.GetAddressOf())),
              S_OK);
    StartPolling();
    tree_.AddNode("video6", vivid_);
    tree_.FailOpen("video6", EACCES);
    tree_.RemoveNode("video0");
    Tick();
    EXPECT_EQ(DevicePaths(), std::vector<std::u16string>{tree_.Dev("video2").u16string()});
    EXPECT_TRUE(TakeLostEvents().empty());
    // Its moniker, handed out before, now names a device that is gone.
    ComPtr<IBaseFilter> stale;
    EXPECT_EQ(monikers[0]->BindToObject(nullptr, nullptr, IID_PPV_ARGS(stale.GetAddressOf())),
              HResultFromErrno(ENODEV));
}

TEST_F(V4l2Hotplug, MonitorWithoutUdevDaemonFallsBackToPolling) {
    DeviceMonitor::Options options;
    options.udevControl = tree_.Dev("no-such-udev-control");
    options.pollInterval = kPollInterval;
    int changes = 0;
    options.sysfs = tree_.Roots().sysfs;
    DeviceMonitor monitor(options, [&] { ++changes; });
    EXPECT_EQ(monitor.ActiveSource(), DeviceMonitor::Source::Polling);
    EXPECT_NE(monitor.UdevFailure().find("udev is not running"), std::string::npos);
    tree_.RemoveNode("video2");
    Tick();
    EXPECT_EQ(changes, 1);
}

TEST_F(V4l2Hotplug, MonitorListensToUdevWhenTheDaemonRuns) {
    if (!UdevWatch::Available()) {
        GTEST_SKIP() << "built without libudev";
    }
    std::ofstream(tree_.Dev("udev-control")).put('\n');
    DeviceMonitor::Options options;
    options.sysfs = tree_.Roots().sysfs;
    options.udevControl = tree_.Dev("udev-control");
    options.pollInterval = kPollInterval;
    int changes = 0;
    DeviceMonitor monitor(options, [&] { ++changes; });
    if (!monitor.UdevFailure().empty()) {
        GTEST_SKIP() << monitor.UdevFailure();  // a sandbox without netlink sockets
    }
    EXPECT_EQ(monitor.ActiveSource(), DeviceMonitor::Source::Udev);
    // udev tells; no timer reads the tree as well.
    tree_.RemoveNode("video2");
    Tick();
    EXPECT_EQ(changes, 0);
}

TEST(UdevWatch, StartsAndStopsOrSaysWhyNot) {
    // CI machines have no devices to plug; the watch must still set up and end cleanly
    // (its thread joined, no handler call after the object went).
    std::string failure;
    std::unique_ptr<UdevWatch> watch = UdevWatch::Start([] {}, failure);
    if (!UdevWatch::Available()) {
        EXPECT_FALSE(watch);
        EXPECT_EQ(failure, "built without libudev");
        return;
    }
    if (!watch) {
        EXPECT_FALSE(failure.empty());  // a sandbox without netlink sockets
        GTEST_SKIP() << failure;
    }
    EXPECT_TRUE(failure.empty());
    watch.reset();  // returns: the thread saw the stop signal
}

TEST_F(V4l2Hotplug, DeviceVanishingWhileBeingRecordedFailsTheBindWithENODEV) {
    // Recording the selected input asks the device N times. Unplugged after k < N of them,
    // the bind fails with ENODEV's code and leaves no filter behind: an enumeration cut
    // short by the device going is not a device with fewer formats. Every early call and
    // then a spread of later ones.
    RecordedDevice probe(vivid_);
    DeviceRecording recording;
    ASSERT_EQ(RecordSelectedInput(probe, recording), 0);
    const std::size_t calls = probe.Calls();
    ASSERT_GT(calls, 100u);
    RecordedDevice whole(vivid_);
    whole.FailAfter(calls / 2, ENODEV);
    EXPECT_EQ(RecordDevice(whole, recording), ENODEV) << "the recorder of every input too";

    const ComPtr<IMoniker> moniker = Monikers()[0];
    for (std::size_t k = 0; k < calls; k += k < 40 ? 1 : 97) {
        tree_.VanishAfter("video0", k);
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter.GetAddressOf())),
                  HResultFromErrno(ENODEV))
            << "vanished after " << k << " calls";
        EXPECT_FALSE(filter);
    }

    // Gone right after the recording: the filter is made, and every call that needs the
    // device answers ENODEV's code at once.
    tree_.VanishAfter("video0", calls);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter.GetAddressOf())), S_OK);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.GetAddressOf()), S_OK);
    ComPtr<IPin> pin;
    ComPtr<IAMStreamConfig> config;
    while (!config && pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        pin.As(&config);
    }
    ASSERT_TRUE(config);
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(config->GetFormat(&type), HResultFromErrno(ENODEV));
    EXPECT_EQ(config->SetFormat(nullptr), HResultFromErrno(ENODEV));
}

}  // namespace
}  // namespace capspect::v4l2
