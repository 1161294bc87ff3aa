// The simulated crossbar in front of an analog capture device: how the capture graph
// builder brings it in, and its IAMCrossbar routing.
#include "platform/directshow/pin_walk.h"
#include "platform/support/comptr.h"
#include "tests/sim/capture_fixture.h"

namespace capspect::sim::test {
namespace {

class Crossbar : public CaptureTest {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        card = AddDevice(0, u"Card");
        ASSERT_EQ(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, card.Get(),
                                         IID_PPV_ARGS(crossbar.GetAddressOf())),
                  S_OK);
    }

    struct PinInfo {
        HRESULT hr;
        LONG related;
        LONG type;
    };
    PinInfo Info(bool input, LONG index) const {
        PinInfo info{E_FAIL, -7, -7};
        info.hr =
            crossbar->get_CrossbarPinInfo(input ? TRUE : FALSE, index, &info.related, &info.type);
        return info;
    }
    LONG RoutedTo(LONG output) const {
        LONG input = -7;
        crossbar->get_IsRoutedTo(output, &input);
        return input;
    }

    ComPtr<IBaseFilter> card;
    ComPtr<IAMCrossbar> crossbar;
};

TEST_F(Crossbar, IsBroughtInUpstreamOfTheDeviceOnce) {
    EXPECT_EQ(PeerFilterName(PinNamed(card.Get(), u"Analog Video In").Get()),
              u"Analog Card Crossbar");
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(crossbar.As(&filter), S_OK);
    EXPECT_EQ(PeerFilterName(PinNamed(filter.Get(), u"0: Video Decoder Out").Get()), u"Card");
    EXPECT_TRUE(PinNamed(filter.Get(), u"2: Video Composite In"));

    ComPtr<IAMCrossbar> again;
    ASSERT_EQ(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, card.Get(),
                                     IID_PPV_ARGS(again.GetAddressOf())),
              S_OK);
    EXPECT_TRUE(IsSameObject(again.Get(), crossbar.Get()));
    EXPECT_EQ(FilterNames().size(), 2u);
    // Downstream of the device there is no crossbar.
    EXPECT_EQ(builder->FindInterface(&LOOK_DOWNSTREAM_ONLY, nullptr, card.Get(),
                                     IID_PPV_ARGS(again.ReleaseAndGetAddressOf())),
              E_NOINTERFACE);
}

TEST_F(Crossbar, ADeviceWithoutCrossbarHasNoneUpstream) {
    const ComPtr<IBaseFilter> camera = AddDevice(1, u"Camera");
    const auto before = FilterNames();
    ComPtr<IAMCrossbar> none;
    EXPECT_EQ(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, camera.Get(),
                                     IID_PPV_ARGS(none.GetAddressOf())),
              E_NOINTERFACE);
    EXPECT_FALSE(none);
    EXPECT_EQ(FilterNames(), before);
}

TEST_F(Crossbar, ReportsItsPinsAndRouting) {
    LONG outputs = 0;
    LONG inputs = 0;
    ASSERT_EQ(crossbar->get_PinCounts(&outputs, &inputs), S_OK);
    EXPECT_EQ(outputs, 3);
    EXPECT_EQ(inputs, 5);

    const PinInfo composite = Info(true, 2);
    EXPECT_EQ(composite.hr, S_OK);
    EXPECT_EQ(composite.related, 3);
    EXPECT_EQ(composite.type, PhysConn_Video_Composite);
    const PinInfo decoder = Info(false, 1);
    EXPECT_EQ(decoder.type, PhysConn_Audio_AudioDecoder);
    EXPECT_EQ(decoder.related, 0);
    EXPECT_EQ(Info(false, 3).hr, E_INVALIDARG);

    EXPECT_EQ(RoutedTo(0), 2);
    LONG input = 0;
    EXPECT_EQ(crossbar->get_IsRoutedTo(2, &input), S_FALSE);
    EXPECT_EQ(input, -1);
}

TEST_F(Crossbar, RoutesOnlyWhatAnOutputCanTake) {
    EXPECT_EQ(crossbar->CanRoute(0, 4), S_OK);
    EXPECT_EQ(crossbar->CanRoute(0, 1), S_FALSE) << "audio input to the video decoder";
    EXPECT_EQ(crossbar->CanRoute(2, 0), S_FALSE) << "outside the output's canRouteFrom";
    EXPECT_EQ(crossbar->CanRoute(2, 4), S_OK);
    EXPECT_EQ(crossbar->CanRoute(0, 5), E_INVALIDARG);

    ASSERT_EQ(crossbar->Route(0, 4), S_OK);
    EXPECT_EQ(RoutedTo(0), 4);
    EXPECT_EQ(crossbar->Route(0, 1), S_FALSE);
    EXPECT_EQ(RoutedTo(0), 4);
}

TEST_F(Crossbar, CatalogFaultsFailTheirPinsOnly) {
    EXPECT_EQ(crossbar->Route(1, 1), E_FAIL);
    EXPECT_EQ(RoutedTo(1), 3);
    const PinInfo failing = Info(true, 4);
    EXPECT_EQ(failing.hr, E_ACCESSDENIED);
    EXPECT_EQ(failing.type, -7) << "a failing query leaves the out-parameters alone";
    EXPECT_EQ(Info(false, 0).hr, S_OK);

    ScopedFault fault("IAMCrossbar::get_PinCounts", E_UNEXPECTED);
    LONG outputs = 0;
    LONG inputs = 0;
    EXPECT_EQ(crossbar->get_PinCounts(&outputs, &inputs), E_UNEXPECTED);
}

TEST_F(Crossbar, RenderStreamBringsItInToo) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(crossbar.As(&filter), S_OK);
    ASSERT_EQ(graph->RemoveFilter(filter.Get()), S_OK);
    const auto renderer = Add<AnyVideoRenderer>(u"Renderer");
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, card.Get(), nullptr,
                                    renderer.Get()),
              S_OK);
    EXPECT_EQ(PeerFilterName(PinNamed(card.Get(), u"Analog Video In").Get()),
              u"Analog Card Crossbar");
}

}  // namespace
}  // namespace capspect::sim::test
