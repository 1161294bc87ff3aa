#include "Components/VQDirectShow/DXShowCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "framework/Exceptions.h"
#include "platform/devices/capture_filter.h"
#include "platform/devices/catalog.h"
#include "platform/devices/devenum.h"
#include "platform/devices/device_presence.h"
#include "platform/directshow/interfaces.h"
#include "platform/directshow/platform.h"
#include "platform/linux/messages.h"
#include "platform/linux/property_frame.h"
#include "platform/sdk/com.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/property_frame.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"
#include "platform/support/mediatypes.h"
#include "tests/support/LocaleEnvironment.h"

namespace capspect::test {
namespace {

// One capability of a catalog: a VIDEOINFOHEADER format of one size and rate.
std::string Format(const char* subtype, int width, int height, int interval) {
    const std::string size = "[" + std::to_string(width) + ", " + std::to_string(height) + "]";
    const std::string rate = std::to_string(interval);
    return R"({"caps": {"guid": "FORMAT_Vidscope", "VideoStandard": 16, "InputSize": )" + size +
           R"(, "MinOutputSize": )" + size + R"(, "MaxOutputSize": )" + size +
           R"(, "MinFrameInterval": )" + rate + R"(, "MaxFrameInterval": )" + rate +
           R"(}, "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_)" +
           subtype + R"(", "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": )" + rate +
           R"(, "biWidth": )" + std::to_string(width) + R"(, "biHeight": )" +
           std::to_string(height) + R"(, "biBitCount": 16}})";
}

std::string Pin(const char* name, const char* category, const std::vector<std::string>& formats,
                const std::string& extra = "") {
    std::string list;
    for (const std::string& format : formats) {
        list += (list.empty() ? "" : ", ") + format;
    }
    return std::string(R"({"name": ")") + name + R"(", "category": ")" + category +
           R"(", "streamConfig": {"current": 0, "capabilities": [)" + list + "]}" + extra + "}";
}

std::string Device(const char* name, const char* path, const std::vector<std::string>& pins,
                   const std::string& extra = "") {
    std::string list;
    for (const std::string& pin : pins) {
        list += (list.empty() ? "" : ", ") + pin;
    }
    return std::string(R"({"category": "video", "properties": {"FriendlyName": ")") + name +
           R"(", "DevicePath": ")" + path + R"("}, "pins": [)" + list + "]" + extra + "}";
}

std::string Catalog(const std::vector<std::string>& devices) {
    std::string list;
    for (const std::string& device : devices) {
        list += (list.empty() ? "" : ", ") + device;
    }
    return R"({"devices": [)" + list + "]}";
}

constexpr int kPal = 400000;
constexpr int k30fps = 333333;

// A PAL card: YUY2 and UYVY at 720 x 576 on the preview pin (UYVY second), one YUY2 format
// on the capture pin.
const std::string kPalCard =
    Device("PAL Card", "pci#pal",
           {Pin("Capture", "PIN_CATEGORY_CAPTURE", {Format("YUY2", 640, 480, k30fps)}),
            Pin("Preview", "PIN_CATEGORY_PREVIEW",
                {Format("YUY2", 720, 576, kPal), Format("UYVY", 720, 576, kPal),
                 Format("UYVY", 352, 288, kPal)})});

// A webcam: only a capture pin, nothing at television rates.
const std::string kWebcam =
    Device("Webcam", "usb#cam",
           {Pin("Capture", "PIN_CATEGORY_CAPTURE",
                {Format("YUY2", 640, 480, k30fps), Format("MJPG", 1280, 720, k30fps),
                 Format("YUY2", 320, 240, k30fps)})});

// Cannot preview at 720 x 576 (its default format, index 0), only at 768 x 576.
const std::string kWideOnlyCard =
    Device("Wide Card", "pci#wide",
           {Pin("Preview", "PIN_CATEGORY_PREVIEW",
                {Format("UYVY", 720, 576, kPal), Format("YUY2", 768, 576, kPal),
                 Format("UYVY", 768, 576, kPal)})},
           R"(, "faults": {"RenderPreview": {"hr": "VFW_E_CANNOT_RENDER", "indices": [0]}})");

// Refuses every format that is set.
const std::string kStubbornCard =
    Device("Stubborn", "pci#stubborn",
           {Pin("Preview", "PIN_CATEGORY_PREVIEW", {Format("UYVY", 720, 576, kPal)},
                R"(, "faults": {"SetFormat": "E_ACCESSDENIED"})")});

// Previews nothing in any format.
const std::string kBlindCard =
    Device("Blind", "pci#blind",
           {Pin("Preview", "PIN_CATEGORY_PREVIEW",
                {Format("UYVY", 720, 576, kPal), Format("UYVY", 768, 576, kPal)})},
           R"(, "faults": {"RenderPreview": "VFW_E_NO_CAPTURE_HARDWARE"})");

struct Report {
    HRESULT hr;
    std::u16string text;
};

class DXShowCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { sim::RegisterSimulatedPlatform(); }

    void TearDown() override {
        capture.reset();
        ProcessMessagesUntilIdle();
    }

    void Install(const std::vector<std::string>& devices) {
        sim::InstallCatalog(sim::LoadCatalogString(Catalog(devices)));
    }

    TDXShowCapture& Create() {
        capture = std::make_unique<TDXShowCapture>(
            TDXShowReports{[this](HRESULT hr, const std::u16string& text) {
                               errors.push_back({hr, text});
                           },
                           [this](HRESULT hr, const std::u16string& text) {
                               infos.push_back({hr, text});
                           }});
        capture->SetDSVideoRenderer(vrVMR9);
        return *capture;
    }

    std::vector<std::u16string> InfoTexts() const {
        std::vector<std::u16string> texts;
        for (const Report& info : infos) {
            texts.push_back(info.text);
        }
        return texts;
    }

    std::vector<std::u16string> MediaTypeLines() const {
        std::vector<std::u16string> lines;
        for (int i = 0; i < capture->OutputFormats().Count(); ++i) {
            lines.push_back(capture->OutputFormats().Items(i).AsText());
        }
        return lines;
    }

    // The media-type line of the device's current format.
    std::u16string CurrentFormat() const { return capture->OutputFormats().CurrentConfigAsText(); }

    // The names of the filters in the graph.
    std::vector<std::u16string> FilterNames() const {
        std::vector<std::u16string> names;
        ComPtr<IEnumFilters> filters;
        EXPECT_EQ(capture->Graph()->EnumFilters(filters.GetAddressOf()), S_OK);
        ComPtr<IBaseFilter> filter;
        while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            FILTER_INFO info{};
            filter->QueryFilterInfo(&info);
            if (info.pGraph != nullptr) {
                info.pGraph->Release();
            }
            names.emplace_back(info.achName);
        }
        std::ranges::sort(names);
        return names;
    }

    static void PostEvent(TDXShowCapture& dx, LONG code, LONG_PTR param1, LONG_PTR param2) {
        ComPtr<IMediaEventSink> sink;
        ASSERT_EQ(dx.Graph().As(&sink), S_OK);
        ASSERT_EQ(sink->Notify(code, param1, param2), S_OK);
        ProcessMessagesUntilIdle();
    }

    // A 50 Hz country, so that PAL formats are the preferred ones.
    test::LocaleEnvironment locale_{"en_GB.UTF-8"};
    std::unique_ptr<TDXShowCapture> capture;
    std::vector<Report> errors;
    std::vector<Report> infos;
};

TEST_F(DXShowCaptureTest, ConstructionListsTheDevicesAndRendersNothing) {
    Install({kPalCard, kWebcam});
    TDXShowCapture& dx = Create();
    ASSERT_EQ(dx.CaptureDevices().Count(), 2);
    EXPECT_EQ(dx.CaptureDevices().Items(1).Description(), u"Webcam");
    EXPECT_TRUE(dx.OptimizeVideoResolution());
    EXPECT_TRUE(dx.Build());
    EXPECT_FALSE(dx.Cap());
    EXPECT_EQ(dx.OutputFormats().Count(), 0);
    EXPECT_EQ(dx.CaptureInputs().Count(), 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowCaptureTest, ConstructionFailsWithoutACaptureGraphBuilder) {
    Install({kPalCard});
    // Creation of the graph manager comes first and must go through.
    const ScopedFault fault("CoCreateInstance", REGDB_E_CLASSNOTREG, 2, 1);
    try {
        Create();
        FAIL() << "construction succeeded";
    } catch (const EDShowError& error) {
        EXPECT_EQ(error.HResult(), REGDB_E_CLASSNOTREG);
        EXPECT_TRUE(error.Message().starts_with(u"Could not obtain the ICaptureGraphBuilder"));
    }
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0].hr, REGDB_E_CLASSNOTREG);
}

TEST_F(DXShowCaptureTest, ABuilderThatRefusesTheGraphIsOnlyReported) {
    Install({kPalCard});
    const ScopedFault fault("ICaptureGraphBuilder2::SetFiltergraph", E_UNEXPECTED);
    TDXShowCapture& dx = Create();
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0].hr, E_UNEXPECTED);
    EXPECT_TRUE(errors[0].text.starts_with(u"Could not set Filtergraph Reason: "));
    EXPECT_EQ(dx.CaptureDevices().Count(), 1);
}

TEST_F(DXShowCaptureTest, ChoosesTheDeviceByPathAndRendersNothingWithoutOne) {
    Install({kPalCard, kWebcam});
    TDXShowCapture& dx = Create();
    EXPECT_EQ(dx.RenderFile(u"", true), S_OK);
    ASSERT_TRUE(dx.Cap());
    EXPECT_EQ(FilterNames(), (std::vector<std::u16string>{u"PAL Card", u"Smart Tee", u"VMR9"}));

    EXPECT_EQ(dx.RenderFile(u"USB#CAM", true), S_OK);
    const std::vector<std::u16string> names = FilterNames();
    EXPECT_NE(std::ranges::find(names, u"Webcam"), names.end());
    EXPECT_EQ(std::ranges::find(names, u"PAL Card"), names.end());

    EXPECT_EQ(dx.RenderFile(u"pci#elsewhere", true), S_OK);
    EXPECT_FALSE(dx.Cap());
    EXPECT_EQ(dx.OutputFormats().Count(), 0);
    EXPECT_EQ(FilterNames(), (std::vector<std::u16string>{u"VMR9"}));

    Install({});
    TDXShowCapture& empty = Create();
    EXPECT_EQ(empty.RenderFile(u"", true), S_OK);
    EXPECT_FALSE(empty.Cap());
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowCaptureTest, SelectsUyvyAtTelevisionSizeAndReportsItsIndex) {
    Install({kPalCard});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"", true);
    EXPECT_EQ(InfoTexts(), std::vector<std::u16string>{u"LogMsg: Select UYVY: 1"});
    EXPECT_EQ(infos.at(0).hr, S_OK);
    EXPECT_EQ(CurrentFormat(), u"720x576 UYVY 25.00fps");
}

TEST_F(DXShowCaptureTest, PrefersNtscInCountriesWithDiallingCodeOne) {
    const std::string dualCard =
        Device("Dual Card", "pci#dual",
               {Pin("Preview", "PIN_CATEGORY_PREVIEW",
                    {Format("UYVY", 720, 576, kPal), Format("UYVY", 720, 480, 333667)})});
    Install({dualCard});
    Create().RenderFile(u"", true);
    const test::LocaleEnvironment american(test::kEnglish);
    Create().RenderFile(u"", true);
    EXPECT_EQ(InfoTexts(),
              (std::vector<std::u16string>{u"LogMsg: Select UYVY: 0", u"LogMsg: Select UYVY: 1"}));
    EXPECT_EQ(CurrentFormat(), u"720x480 UYVY 29.97fps");
}

TEST_F(DXShowCaptureTest, FallsBackToYuy2WhenThereIsNoUyvyFormat) {
    const std::string yuy2Card =
        Device("YUY2 Card", "pci#yuy2",
               {Pin("Preview", "PIN_CATEGORY_PREVIEW",
                    {Format("RGB24", 720, 576, kPal), Format("YUY2", 720, 576, kPal)})});
    Install({yuy2Card});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"", true);
    EXPECT_EQ(InfoTexts(), std::vector<std::u16string>{u"LogMsg: Select YUY2: 1"});
}

TEST_F(DXShowCaptureTest, ReportsThePreviewPinsFormatsElseTheCapturePinsWithoutRetrying) {
    Install({kPalCard, kWebcam});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"pci#pal", true);
    EXPECT_EQ(MediaTypeLines(),
              (std::vector<std::u16string>{u"720x576 YUY2 25.00fps", u"720x576 UYVY 25.00fps",
                                           u"352x288 UYVY 25.00fps"}));
    dx.RenderFile(u"usb#cam", true);
    EXPECT_EQ(MediaTypeLines(),
              (std::vector<std::u16string>{u"640x480 YUY2 30.00fps", u"1280x720 MJPG 30.00fps",
                                           u"320x240 YUY2 30.00fps"}));
    // Both preview at once, so nothing is retried; the webcam has nothing at a television
    // rate and keeps its format.
    EXPECT_EQ(InfoTexts(), std::vector<std::u16string>{u"LogMsg: Select UYVY: 1"});
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowCaptureTest, RetriesWithUyvyAt768x576WhenThePreviewCannotBeRendered) {
    Install({kWideOnlyCard});
    TDXShowCapture& dx = Create();
    EXPECT_EQ(dx.RenderFile(u"", true), S_OK);
    EXPECT_EQ(InfoTexts(), (std::vector<std::u16string>{u"LogMsg: Select UYVY: 0",
                                                        u"LogMsg: Trying 768*576 resolution...",
                                                        u"LogMsg: Select UYVY 768x576: 2"}));
    // The code of the last attempt, the one with stream media types.
    EXPECT_TRUE(FAILED(infos.at(1).hr));
    EXPECT_EQ(CurrentFormat(), u"768x576 UYVY 25.00fps");
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(FilterNames(), (std::vector<std::u16string>{u"Smart Tee", u"VMR9", u"Wide Card"}));
}

TEST_F(DXShowCaptureTest, ReportsAPreviewThatFailsEveryAttempt) {
    Install({kBlindCard});
    TDXShowCapture& dx = Create();
    EXPECT_EQ(dx.RenderFile(u"", true), S_OK);
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_TRUE(FAILED(errors[0].hr));
    EXPECT_TRUE(errors[0].text.starts_with(u"Could not render preview pin. Reason: "));
    EXPECT_EQ(InfoTexts().at(1), u"LogMsg: Trying 768*576 resolution...");
    // The formats are still there for the report.
    EXPECT_EQ(dx.OutputFormats().Count(), 2);
}

TEST_F(DXShowCaptureTest, WithoutOptimisationTheFormatsAreNeitherReadNorChanged) {
    Install({kPalCard});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"", true);
    ASSERT_EQ(dx.OutputFormats().Count(), 3);
    infos.clear();

    dx.SetOptimizeVideoResolution(false);
    EXPECT_EQ(dx.RenderFile(u"", true), S_OK);
    EXPECT_TRUE(dx.Cap());
    EXPECT_EQ(dx.OutputFormats().Count(), 0);
    EXPECT_TRUE(infos.empty());
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowCaptureTest, ARefusedFormatLeavesRenderFileBeforeThePreviewIsBuilt) {
    Install({kStubbornCard});
    TDXShowCapture& dx = Create();
    EXPECT_THROW(dx.RenderFile(u"", true), EDShowError);
    EXPECT_TRUE(infos.empty());
    // The device is in the graph; the tee and the preview were never added.
    EXPECT_EQ(FilterNames(), (std::vector<std::u16string>{u"Stubborn", u"VMR9"}));
}

TEST_F(DXShowCaptureTest, AnUnboundDeviceIsReportedAndLeavesNoFormats) {
    Install({Device("Locked", "pci#locked",
                    {Pin("Preview", "PIN_CATEGORY_PREVIEW", {Format("UYVY", 720, 576, kPal)})},
                    R"(, "faults": {"BindToObject": "E_ACCESSDENIED"})")});
    TDXShowCapture& dx = Create();
    EXPECT_EQ(dx.RenderFile(u"", true), S_OK);
    EXPECT_FALSE(dx.Cap());
    EXPECT_EQ(dx.OutputFormats().Count(), 0);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0].hr, E_ACCESSDENIED);
    EXPECT_TRUE(errors[0].text.starts_with(u"TDXShowCapture->BindToObject Reason: "));
    EXPECT_TRUE(errors.back().text.starts_with(u"Could not render preview pin."));
}

TEST_F(DXShowCaptureTest, ListsTheInputsOfTheCrossbarInFrontOfTheDevice) {
    const std::string tuner = Device(
        "Tuner Card", "pci#tuner",
        {Pin("Preview", "PIN_CATEGORY_PREVIEW", {Format("UYVY", 720, 576, kPal)}),
         R"({"name": "Analog Video In", "direction": "input", "category": "PIN_CATEGORY_ANALOGVIDEOIN"})"},
        R"(, "crossbar": {"inputs": [{"type": "PhysConn_Video_Tuner"}, {"type": "PhysConn_Video_SVideo"}],
                         "outputs": [{"type": "PhysConn_Video_VideoDecoder", "routedFrom": 1}]})");
    Install({tuner, kWebcam});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"pci#tuner", true);
    ASSERT_EQ(dx.CaptureInputs().Count(), 2);
    EXPECT_EQ(dx.CaptureInputs().Items(1).PhysicalPinName(), u"S-Video");
    EXPECT_TRUE(dx.CaptureInputs().Items(1).IsRouted());

    // Teardown keeps the list; the next device without crossbar empties it.
    dx.TearDownGraph();
    EXPECT_EQ(dx.CaptureInputs().Count(), 2);
    dx.RenderFile(u"usb#cam", true);
    EXPECT_EQ(dx.CaptureInputs().Count(), 0);
}

TEST_F(DXShowCaptureTest, RenderingAgainGivesTheSameGraphAndTearDownEmptiesIt) {
    Install({kPalCard});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"", true);
    const std::vector<std::u16string> formats = MediaTypeLines();
    dx.RenderFile(u"", true);
    EXPECT_EQ(MediaTypeLines(), formats);
    EXPECT_EQ(FilterNames(), (std::vector<std::u16string>{u"PAL Card", u"Smart Tee", u"VMR9"}));
    dx.TearDownGraph();
    EXPECT_FALSE(dx.Cap());
    EXPECT_EQ(dx.OutputFormats().Count(), 0);
    EXPECT_TRUE(FilterNames().empty());
    EXPECT_EQ(dx.CaptureDevices().Count(), 1);
}

TEST_F(DXShowCaptureTest, LoopCannotBeSwitchedOn) {
    Install({kPalCard});
    TDXShowCapture& dx = Create();
    dx.SetLoop(true);
    EXPECT_FALSE(dx.Loop());
}

TEST_F(DXShowCaptureTest, LosingTheRenderedDeviceStopsTheGraphAndRereadsTheDevices) {
    Install({kPalCard, kWebcam});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"", true);
    ASSERT_TRUE(SUCCEEDED(dx.Run()));
    ASSERT_EQ(dx.GraphState(), gsRunning);
    const ComPtr<IBaseFilter> device = dx.Cap();
    Install({kWebcam});

    PostEvent(dx, EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(device.Get()), 0);
    EXPECT_FALSE(dx.Cap());
    EXPECT_EQ(dx.GraphState(), gsStopped);
    ASSERT_EQ(dx.CaptureDevices().Count(), 1);
    EXPECT_EQ(dx.CaptureDevices().Items(0).Description(), u"Webcam");
}

TEST_F(DXShowCaptureTest, OtherDevicesAndReturningDevicesOnlyRereadTheDevices) {
    Install({kPalCard, kWebcam});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"", true);
    ASSERT_TRUE(SUCCEEDED(dx.Run()));
    const ComPtr<IBaseFilter> rendered = dx.Cap();
    ComPtr<IBaseFilter> other;
    ASSERT_EQ(dx.CaptureDevices().Items(1).Moniker()->BindToObject(
                  nullptr, nullptr, IID_PPV_ARGS(other.GetAddressOf())),
              S_OK);

    Install({kPalCard});
    PostEvent(dx, EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(other.Get()), 0);
    EXPECT_EQ(dx.Cap(), rendered);
    EXPECT_EQ(dx.GraphState(), gsRunning);
    EXPECT_EQ(dx.CaptureDevices().Count(), 1);

    Install({kPalCard, kWebcam});
    PostEvent(dx, EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(rendered.Get()), 1);
    EXPECT_EQ(dx.Cap(), rendered);
    EXPECT_EQ(dx.GraphState(), gsRunning);
    EXPECT_EQ(dx.CaptureDevices().Count(), 2);

    PostEvent(dx, EC_DEVICE_LOST, 0, 0);
    EXPECT_EQ(dx.Cap(), rendered);
}

TEST_F(DXShowCaptureTest, UnpluggedRenderedDeviceStopsTheGraphThroughItsOwnEvent) {
    Install({kPalCard, kWebcam});
    TDXShowCapture& dx = Create();
    int rebuilds = 0;
    dx.CaptureDevices().OnChange = [&] { ++rebuilds; };
    dx.RenderFile(u"", true);
    ASSERT_TRUE(SUCCEEDED(dx.Run()));
    const std::u16string palPath = dx.CaptureDevices().Items(0).DevicePath();
    const sim::CatalogDevice palEntry = sim::InstalledCatalog()->devices.at(0);

    ASSERT_TRUE(sim::UnplugDevice(palPath));
    ProcessMessagesUntilIdle();
    EXPECT_FALSE(dx.Cap());
    EXPECT_EQ(dx.GraphState(), gsStopped);
    ASSERT_EQ(dx.CaptureDevices().Count(), 1);
    EXPECT_EQ(rebuilds, 1);

    // The filter stays in the stopped graph; its device coming back only rereads the list.
    sim::PlugDevice(palEntry);
    ProcessMessagesUntilIdle();
    EXPECT_EQ(dx.CaptureDevices().Count(), 2);
    EXPECT_EQ(rebuilds, 2);
    EXPECT_EQ(dx.GraphState(), gsStopped);
}

TEST_F(DXShowCaptureTest, DeviceLostWhileTheGraphIsRebuiltNamesAFilterThatIsGone) {
    // The event waits in the queue while RenderFile tears the graph down and renders
    // another device; when it is handled the lost filter is no longer the component's.
    Install({kPalCard, kWebcam});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"", true);
    const std::u16string palPath = dx.CaptureDevices().Items(0).DevicePath();
    const std::u16string webcamPath = dx.CaptureDevices().Items(1).DevicePath();
    ASSERT_TRUE(sim::UnplugDevice(palPath));
    dx.RenderFile(webcamPath, true);
    const ComPtr<IBaseFilter> webcam = dx.Cap();
    ASSERT_TRUE(webcam);

    ProcessMessagesUntilIdle();
    EXPECT_EQ(dx.Cap(), webcam);
    EXPECT_EQ(dx.CaptureDevices().Count(), 1);
}

// A device filter that offers property pages.
class PagedCaptureFilter : public sim::WithInterfaces<sim::CaptureFilter, ISpecifyPropertyPages> {
public:
    using WithInterfaces::WithInterfaces;

    HRESULT GetPages(CAUUID* pages) override {
        if (const auto fault = InjectedFault("ISpecifyPropertyPages::GetPages")) {
            return *fault;
        }
        pages->cElems = 2;
        pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(2 * sizeof(GUID)));
        pages->pElems[0] = kPageA;
        pages->pElems[1] = kPageB;
        return S_OK;
    }

    static constexpr GUID kPageA{0x7A6E0001, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
    static constexpr GUID kPageB{0x7A6E0002, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
};

class CapturePropertyPagesTest : public DXShowCaptureTest {
protected:
    void SetUp() override {
        DXShowCaptureTest::SetUp();
        sim::SetDeviceFilterFactory(
            [](std::shared_ptr<const sim::CatalogDevice> device, REFIID riid, void** object) {
                return MakeComObject<PagedCaptureFilter>(std::move(device))
                    ->QueryInterface(riid, object);
            });
        SetPropertyFrameHandler([this](const PropertyFrameRequest& request) {
            requests.push_back(request);
            return S_OK;
        });
    }

    std::vector<PropertyFrameRequest> requests;
};

TEST_F(CapturePropertyPagesTest, ShowsTheDevicePagesCaptionedWithItsName) {
    Install({kPalCard});
    TDXShowCapture& dx = Create();
    EXPECT_FALSE(dx.ShowCaptureFilterDlg());
    dx.RenderFile(u"", true);
    EXPECT_TRUE(dx.ShowCaptureFilterDlg());
    ASSERT_EQ(requests.size(), 1U);
    EXPECT_EQ(requests[0].caption, u"PAL Card");
    EXPECT_EQ(requests[0].pages,
              (std::vector<GUID>{PagedCaptureFilter::kPageA, PagedCaptureFilter::kPageB}));
    ASSERT_EQ(requests[0].objects.size(), 1U);
    EXPECT_EQ(requests[0].objects[0].Get(), static_cast<IUnknown*>(dx.Cap().Get()));
    EXPECT_EQ(requests[0].x, 0U);
    EXPECT_EQ(requests[0].lcid, 0U);
}

TEST_F(CapturePropertyPagesTest, FailuresOnTheWayToTheFrame) {
    Install({kPalCard});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"", true);
    {
        const ScopedFault fault("ISpecifyPropertyPages::GetPages", E_OUTOFMEMORY);
        EXPECT_FALSE(dx.ShowCaptureFilterDlg());
    }
    {
        const ScopedFault fault("IBaseFilter::QueryFilterInfo", E_FAIL);
        EXPECT_FALSE(dx.ShowCaptureFilterDlg());
    }
    EXPECT_TRUE(requests.empty());
    {
        const ScopedFault fault("OleCreatePropertyFrame", E_OUTOFMEMORY);
        EXPECT_TRUE(dx.ShowCaptureFilterDlg());
    }
    ASSERT_FALSE(infos.empty());
    EXPECT_EQ(infos.back().hr, E_OUTOFMEMORY);
    EXPECT_EQ(infos.back().text, u"LogMsg: OleCreatePropertyFrame");
}

TEST_F(DXShowCaptureTest, AFilterWithoutPropertyPagesShowsNothingAndSucceeds) {
    Install({kPalCard});
    TDXShowCapture& dx = Create();
    dx.RenderFile(u"", true);
    std::vector<PropertyFrameRequest> requests;
    const PropertyFrameHandler previous =
        SetPropertyFrameHandler([&](const PropertyFrameRequest& request) {
            requests.push_back(request);
            return S_OK;
        });
    EXPECT_TRUE(dx.ShowCaptureFilterDlg());
    SetPropertyFrameHandler(previous);
    EXPECT_TRUE(requests.empty());
}

TEST_F(DXShowCaptureTest, TheOutputFormatDialogIsNotAvailable) {
    Install({kPalCard, kWebcam});
    TDXShowCapture& dx = Create();
    EXPECT_FALSE(dx.ShowOutputFormatDlg());
    dx.RenderFile(u"usb#cam", true);
    EXPECT_FALSE(dx.ShowOutputFormatDlg());
    dx.RenderFile(u"pci#pal", true);
    try {
        dx.ShowOutputFormatDlg();
        FAIL() << "no assertion failure";
    } catch (const EAssertionFailed& failure) {
        EXPECT_EQ(failure.Message(), u"Not yet implemented");
    }
}

}  // namespace
}  // namespace capspect::test
