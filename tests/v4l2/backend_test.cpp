// The V4L2 backend behind the platform's interfaces, on a fake device tree whose nodes
// answer from the recorded vivid driver: device enumeration, the capture pin's stream
// configuration, formats, crossbar routing, vanished devices and the snapshot catalog.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/devices/capability_list.h"
#include "platform/devices/capture_filter.h"
#include "platform/devices/catalog_writer.h"
#include "platform/devices/crossbar_filter.h"
#include "platform/devices/devenum.h"
#include "platform/devices/v4l2/device_description.h"
#include "platform/devices/v4l2/errors.h"
#include "platform/devices/v4l2/v4l2_platform.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/dshow.h"
#include "platform/sdk/oleauto.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"
#include "platform/support/variant.h"
#include "tests/support/fake_v4l2_tree.h"
#include "tests/support/stream_caps.h"
#include "tests/v4l2/fixtures.h"

namespace capspect::v4l2 {
namespace {

using testing::LoadRecording;

class V4l2Backend : public ::testing::Test {
protected:
    void SetUp() override {
        vivid_ = LoadRecording("vivid.json");
        tree_.AddNode("video0", vivid_, "usb-vivid-webcam");
        tree_.AddNode("video2", LoadRecording("vivid-mplane-webcam.json"));
        discovery_ = StartV4l2Platform(tree_.Roots(), tree_.Opener());
        ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(enumerator_.GetAddressOf())),
                  S_OK);
    }

    std::vector<ComPtr<IMoniker>> Monikers() {
        std::vector<ComPtr<IMoniker>> monikers;
        ComPtr<IEnumMoniker> list;
        if (enumerator_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.GetAddressOf(),
                                               0) != S_OK) {
            return monikers;
        }
        ComPtr<IMoniker> moniker;
        while (list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            monikers.push_back(moniker);
        }
        return monikers;
    }

    static std::u16string ReadText(IMoniker* moniker, const char16_t* name) {
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(bag.GetAddressOf())))) {
            return u"(no bag)";
        }
        Variant value;
        if (FAILED(bag->Read(name, value.get(), nullptr)) || value->vt != VT_BSTR) {
            return u"(unreadable)";
        }
        return BstrToU16String(value->bstrVal);
    }

    // Binds the first device (vivid's node video0).
    ComPtr<IBaseFilter> BindWebcam() {
        const auto monikers = Monikers();
        ComPtr<IBaseFilter> filter;
        EXPECT_FALSE(monikers.empty());
        if (!monikers.empty()) {
            EXPECT_EQ(
                monikers[0]->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter.GetAddressOf())),
                S_OK);
        }
        return filter;
    }

    static ComPtr<IAMStreamConfig> StreamConfigOf(IBaseFilter* filter) {
        ComPtr<IEnumPins> pins;
        EXPECT_EQ(filter->EnumPins(pins.GetAddressOf()), S_OK);
        ComPtr<IPin> pin;
        while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            ComPtr<IAMStreamConfig> config;
            if (SUCCEEDED(pin->QueryInterface(IID_PPV_ARGS(config.GetAddressOf())))) {
                return config;
            }
        }
        return nullptr;
    }

    static MediaType CurrentFormat(IAMStreamConfig* config) {
        AM_MEDIA_TYPE* type = nullptr;
        EXPECT_EQ(config->GetFormat(&type), S_OK);
        MediaType copy = type ? MediaType(*type) : MediaType();
        DeleteMediaType(type);
        return copy;
    }

    static const VIDEOINFOHEADER& Header(const MediaType& type) {
        static const VIDEOINFOHEADER empty{};
        const auto* header = type.FormatAs<VIDEOINFOHEADER>();
        return header ? *header : empty;
    }

    // The capture pin's answers must be the mapping of the recorded input, record for
    // record and type for type.
    static void ExpectAnswersEqualMapping(IAMStreamConfig* config, const InputRecording& input) {
        const std::vector<VideoCapability> mapped = MapCapabilities(input);
        int count = 0;
        int size = 0;
        ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
        ASSERT_EQ(static_cast<std::size_t>(count), mapped.size());
        EXPECT_EQ(size, static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
        for (int i = 0; i < count; ++i) {
            AM_MEDIA_TYPE* type = nullptr;
            VIDEO_STREAM_CONFIG_CAPS caps{};
            ASSERT_EQ(config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
            const auto& expected = mapped[static_cast<std::size_t>(i)];
            EXPECT_TRUE(test::SameCaps(caps, expected.caps)) << "capability " << i;
            const MediaType want = sim::MakeMediaType(MediaTypeDescOf(expected.mediaType));
            EXPECT_TRUE(MediaTypesEqual(*type, want.Get())) << "capability " << i;
            DeleteMediaType(type);
        }
    }

    test::FakeV4l2Tree tree_;
    DeviceRecording vivid_;
    DiscoveryResult discovery_;
    ComPtr<ICreateDevEnum> enumerator_;
};

TEST_F(V4l2Backend, EnumeratorListsEveryCaptureNodeWithItsPropertyBag) {
    const auto monikers = Monikers();
    ASSERT_EQ(monikers.size(), 2u);
    const std::u16string webcamPath = (tree_.Dev("v4l/by-id") / "usb-vivid-webcam").u16string();
    EXPECT_EQ(ReadText(monikers[0].Get(), u"FriendlyName"), u"vivid");
    // Both nodes are vivid cards: their descriptions name the node.
    EXPECT_EQ(ReadText(monikers[0].Get(), u"Description"), u"vivid (video0)");
    EXPECT_EQ(ReadText(monikers[1].Get(), u"Description"), u"vivid (video2)");
    EXPECT_EQ(ReadText(monikers[0].Get(), u"DevicePath"), webcamPath);
    EXPECT_EQ(ReadText(monikers[1].Get(), u"DevicePath"), tree_.Dev("video2").u16string());
    EXPECT_EQ(ReadText(monikers[1].Get(), u"CLSID"), GuidToU16String(CLSID_V4l2CaptureFilter));
}

TEST_F(V4l2Backend, BoundFilterHasTheDriversClassCapturePinAndAnalogInput) {
    const ComPtr<IBaseFilter> filter = BindWebcam();
    ASSERT_TRUE(filter);
    CLSID clsid{};
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_V4l2CaptureFilter);
    const auto* capture = sim::CaptureFilter::From(filter.Get());
    ASSERT_NE(capture, nullptr);
    // Four inputs: the device has a crossbar and an input for it.
    EXPECT_NE(capture->AnalogVideoInput(), nullptr);
    EXPECT_TRUE(capture->Device().crossbar.has_value());
}

TEST_F(V4l2Backend, StreamConfigAnswersTheMappingOfTheSelectedInput) {
    const ComPtr<IBaseFilter> filter = BindWebcam();
    ASSERT_TRUE(filter);
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(filter.Get());
    ASSERT_TRUE(config);
    ExpectAnswersEqualMapping(config.Get(), vivid_.inputs[0]);

    // The current format is the driver's: YUYV 640 x 360 at 5 frames per second.
    const MediaType current = CurrentFormat(config.Get());
    EXPECT_EQ(current->subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(Header(current).bmiHeader.biWidth, 640);
    EXPECT_EQ(Header(current).bmiHeader.biHeight, 360);
    EXPECT_EQ(Header(current).AvgTimePerFrame, 2000000);
    EXPECT_EQ(Header(current).bmiHeader.biSizeImage, 460800u);
}

TEST_F(V4l2Backend, SetFormatReachesTheDriverAndNullReturnsToTheFirstFormat) {
    const ComPtr<IBaseFilter> filter = BindWebcam();
    ASSERT_TRUE(filter);
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(filter.Get());
    ASSERT_TRUE(config);
    // Capability 3 is YUYV 1280 x 720 at its highest rate, 12.5 fps: 800000 in 100 ns
    // units, which must reach the driver as its own 2/25 s.
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(3, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    ASSERT_EQ(config->SetFormat(type), S_OK);
    DeleteMediaType(type);

    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(tree_.LastOpened()->GetFormat(format), 0);
    EXPECT_EQ(format.fmt.pix.width, 1280u);
    EXPECT_EQ(format.fmt.pix.height, 720u);
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(tree_.LastOpened()->GetParm(parm), 0);
    EXPECT_EQ(parm.parm.capture.timeperframe.numerator, 2u);
    EXPECT_EQ(parm.parm.capture.timeperframe.denominator, 25u);
    EXPECT_EQ(Header(CurrentFormat(config.Get())).bmiHeader.biWidth, 1280);

    EXPECT_EQ(config->SetFormat(nullptr), S_OK);
    const MediaType back = CurrentFormat(config.Get());
    EXPECT_EQ(Header(back).bmiHeader.biWidth, 640);
    EXPECT_EQ(Header(back).AvgTimePerFrame, 2000000);
}

TEST_F(V4l2Backend, RateTheDriverDoesNotOfferIsReportedAsTheDriverKeptIt) {
    const ComPtr<IBaseFilter> filter = BindWebcam();
    ASSERT_TRUE(filter);
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(filter.Get());
    ASSERT_TRUE(config);
    // 640 x 360 offers 1/40 … 1 s in steps the driver lists; 1/35 s is not among them.
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(1, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame = 285714;
    EXPECT_EQ(config->SetFormat(type), S_OK);
    DeleteMediaType(type);
    EXPECT_EQ(Header(CurrentFormat(config.Get())).AvgTimePerFrame, 2000000);
}

TEST_F(V4l2Backend, SetFormatRefusesTypesNoCapabilityCovers) {
    const ComPtr<IBaseFilter> filter = BindWebcam();
    ASSERT_TRUE(filter);
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(filter.Get());
    ASSERT_TRUE(config);
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biWidth = 333;
    EXPECT_EQ(config->SetFormat(type), VFW_E_INVALIDMEDIATYPE);
    DeleteMediaType(type);
    EXPECT_EQ(Header(CurrentFormat(config.Get())).bmiHeader.biWidth, 640);
}

TEST_F(V4l2Backend, CrossbarRouteSwitchesTheInputAndTheCapabilitiesFollow) {
    const ComPtr<IBaseFilter> filter = BindWebcam();
    ASSERT_TRUE(filter);
    const ComPtr<sim::CrossbarFilter> crossbar = sim::CaptureFilter::From(filter.Get())->Crossbar();
    ASSERT_TRUE(crossbar);
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(filter.Get());
    ASSERT_TRUE(config);

    LONG outputs = 0;
    LONG inputs = 0;
    ASSERT_EQ(crossbar->get_PinCounts(&outputs, &inputs), S_OK);
    EXPECT_EQ(inputs, 6);  // four video inputs, two audio inputs
    LONG routed = -1;
    EXPECT_EQ(crossbar->get_IsRoutedTo(0, &routed), S_OK);
    EXPECT_EQ(routed, 0);

    // Input 1 is the TV tuner.
    ASSERT_EQ(crossbar->Route(0, 1), S_OK);
    int selected = -1;
    ASSERT_EQ(tree_.LastOpened()->GetInput(selected), 0);
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(crossbar->get_IsRoutedTo(0, &routed), S_OK);
    EXPECT_EQ(routed, 1);
    ExpectAnswersEqualMapping(config.Get(), vivid_.inputs[1]);
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    DeleteMediaType(type);
    EXPECT_NE(caps.VideoStandard, 0u);
    EXPECT_EQ(Header(CurrentFormat(config.Get())).bmiHeader.biWidth, 720);

    // Audio goes with the video input on V4L2; it is not switched on its own.
    EXPECT_EQ(crossbar->Route(1, 5), E_NOTIMPL);
}

TEST_F(V4l2Backend, VanishedDeviceAnswersItsErrnoEverywhere) {
    const ComPtr<IBaseFilter> filter = BindWebcam();
    ASSERT_TRUE(filter);
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(filter.Get());
    ASSERT_TRUE(config);
    const ComPtr<sim::CrossbarFilter> crossbar = sim::CaptureFilter::From(filter.Get())->Crossbar();
    tree_.LastOpened()->FailEveryCall(ENODEV);
    const HRESULT gone = HResultFromErrno(ENODEV);

    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(config->GetFormat(&type), gone);
    EXPECT_EQ(type, nullptr);
    EXPECT_EQ(config->SetFormat(nullptr), gone);
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(2, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    EXPECT_EQ(config->SetFormat(type), gone);
    DeleteMediaType(type);
    EXPECT_EQ(crossbar->Route(0, 2), gone);
    LONG routed = -1;
    EXPECT_EQ(crossbar->get_IsRoutedTo(0, &routed), S_OK);
    EXPECT_EQ(routed, 0);
}

TEST_F(V4l2Backend, NodeThatCannotBeOpenedFailsTheBindWithItsErrno) {
    tree_.FailOpen("video0", EACCES);
    const auto monikers = Monikers();
    ASSERT_FALSE(monikers.empty());
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(monikers[0]->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter.GetAddressOf())),
              HResultFromErrno(EACCES));
    EXPECT_FALSE(filter);
}

TEST_F(V4l2Backend, WhatBindsAndRoutesCouldNotReadIsKeptForTheCommands) {
    tree_.PrepareNextOpen("video0",
                          [](RecordedDevice& device) { device.FailCall(Ioctl::EnumFmt, 40, EIO); });
    const ComPtr<IBaseFilter> filter = BindWebcam();
    ASSERT_TRUE(filter);
    // The filter offers what was read: 40 formats of six sizes each.
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(filter.Get());
    ASSERT_TRUE(config);
    int count = 0;
    int size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, 40 * 6);
    const std::string webcamPath = (tree_.Dev("v4l/by-id") / "usb-vivid-webcam").string();
    std::vector<DeviceReadFailure> failures = TakeV4l2ReadFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].devicePath, webcamPath);
    EXPECT_EQ(ReadFailureText(failures[0].failure),
              "VIDIOC_ENUM_FMT, index 40: " + std::string(std::strerror(EIO)));
    EXPECT_TRUE(TakeV4l2ReadFailures().empty()) << "each failure is answered once";

    // Routing to the TV input records it; its first ENUM_FRAMESIZES fails.
    tree_.LastOpened()->FailCall(Ioctl::EnumFrameSizes, 0, EBUSY);
    const ComPtr<sim::CrossbarFilter> crossbar = sim::CaptureFilter::From(filter.Get())->Crossbar();
    ASSERT_TRUE(crossbar);
    EXPECT_EQ(crossbar->Route(0, 1), S_OK);
    failures = TakeV4l2ReadFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].devicePath, webcamPath);
    EXPECT_EQ(ReadFailureText(failures[0].failure),
              "VIDIOC_ENUM_FRAMESIZES for YUYV, index 0: " + std::string(std::strerror(EBUSY)));
}

TEST_F(V4l2Backend, SnapshotCatalogLoadsBackWithTheLiveCapabilities) {
    const ComPtr<IBaseFilter> filter = BindWebcam();
    ASSERT_TRUE(filter);
    const sim::CatalogDevice& device = sim::CaptureFilter::From(filter.Get())->Device();
    const sim::Catalog loaded =
        sim::LoadCatalogString(sim::CatalogToJsonText(sim::Catalog{{device}}), "snapshot");
    ASSERT_EQ(loaded.devices.size(), 1u);
    const sim::CatalogDevice& replay = loaded.devices[0];
    EXPECT_EQ(replay.properties.devicePath, device.properties.devicePath);
    EXPECT_EQ(replay.properties.description, u"vivid (video0)");
    ASSERT_EQ(replay.pins.size(), device.pins.size());
    ASSERT_TRUE(replay.pins[0].streamConfig);
    const sim::StreamConfigDesc& config = *replay.pins[0].streamConfig;

    const std::vector<VideoCapability> live = MapCapabilities(vivid_.inputs[0]);
    ASSERT_EQ(config.capabilities.size(), live.size());
    for (std::size_t i = 0; i < live.size(); ++i) {
        EXPECT_TRUE(test::SameCaps(config.capabilities[i].caps, live[i].caps))
            << "capability " << i;
        const MediaType replayed = sim::MakeMediaType(config.capabilities[i].mediaType);
        const MediaType mapped = sim::MakeMediaType(MediaTypeDescOf(live[i].mediaType));
        EXPECT_TRUE(replayed == mapped) << "capability " << i;
    }
    // The current capability is the one the driver's format falls under: YUYV 640 x 360.
    EXPECT_EQ(config.current, 1);
    ASSERT_TRUE(replay.crossbar);
    EXPECT_EQ(replay.crossbar->inputs.size(), 6u);
    EXPECT_EQ(replay.crossbar->inputs[1].type, PhysConn_Video_Tuner);
    EXPECT_EQ(replay.crossbar->outputs[0].routedFrom, 0);
}

}  // namespace
}  // namespace capspect::v4l2
