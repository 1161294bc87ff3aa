// The Enhanced Video Renderer: its services, presenter and mixer.
#include <gtest/gtest.h>

#include "platform/support/comptr.h"
#include "tests/sim/renderer_test_support.h"

namespace capspect::sim::test {
namespace {

class EvrTest : public RendererTest {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        filter = AddByClass(CLSID_EnhancedVideoRenderer, u"EVR");
        ASSERT_EQ(filter.As(&services), S_OK);
        ASSERT_EQ(
            services->GetService(MR_VIDEO_RENDER_SERVICE, IID_PPV_ARGS(display.GetAddressOf())),
            S_OK);
        ASSERT_EQ(
            services->GetService(MR_VIDEO_MIXER_SERVICE, IID_PPV_ARGS(mixerControl.GetAddressOf())),
            S_OK);
        ASSERT_EQ(mixerControl.As(&mixerBitmap), S_OK);
        evr = RendererOf<EvrRenderer>(filter.Get());
        ASSERT_NE(evr, nullptr);
    }

    MFVideoAlphaBitmap Picture(DWORD flags, float alpha) const {
        MFVideoAlphaBitmap bitmap{};
        bitmap.GetBitmapFromDC = TRUE;
        bitmap.bitmap.hdc = sourcePicture.Dc();
        bitmap.params.rcSrc = RECT{0, 0, 4, 4};
        bitmap.params.dwFlags = flags;
        bitmap.params.fAlpha = alpha;
        bitmap.params.clrSrcKey = RGB(255, 0, 255);
        return bitmap;
    }

    const TestPicture sourcePicture{4, 4, RGB(0, 128, 0)};
    ComPtr<IBaseFilter> filter;
    ComPtr<IMFGetService> services;
    ComPtr<IMFVideoDisplayControl> display;
    ComPtr<IMFVideoMixerControl> mixerControl;
    ComPtr<IMFVideoMixerBitmap> mixerBitmap;
    EvrRenderer* evr = nullptr;
};

TEST_F(EvrTest, AnswersItsTwoServicesWithTheSameObjects) {
    ComPtr<IMFVideoDisplayControl> again;
    ASSERT_EQ(services->GetService(MR_VIDEO_RENDER_SERVICE, IID_PPV_ARGS(again.GetAddressOf())),
              S_OK);
    EXPECT_EQ(again, display);
    ComPtr<IMFVideoMixerControl> wrong;
    EXPECT_EQ(services->GetService(MR_VIDEO_RENDER_SERVICE, IID_PPV_ARGS(wrong.GetAddressOf())),
              E_NOINTERFACE);
    EXPECT_EQ(services->GetService(GUID_NULL, IID_PPV_ARGS(wrong.GetAddressOf())),
              MF_E_UNSUPPORTED_SERVICE);
    EXPECT_FALSE(Offers<IVideoWindow>(filter.Get()));
    {
        ScopedFault fault("IUnknown::QueryInterface(IMFGetService)", E_NOINTERFACE);
        EXPECT_FALSE(Offers<IMFGetService>(filter.Get()));
    }
}

TEST_F(EvrTest, ThePresenterRecordsWhereTheVideoGoes) {
    RECT unit{0, 0, 1, 1};
    EXPECT_EQ(display->SetVideoPosition(nullptr, &unit), S_OK);
    EXPECT_EQ(display->SetVideoWindow(reinterpret_cast<HWND>(std::uintptr_t{5})), S_OK);
    EXPECT_EQ(
        display->SetAspectRatioMode(MFVideoARMode_PreservePicture | MFVideoARMode_PreservePixel),
        S_OK);
    EXPECT_EQ(display->SetAspectRatioMode(0x8), E_INVALIDARG);
    const MFVideoNormalizedRect whole{0, 0, 1, 1};
    RECT client{0, 0, 640, 360};
    EXPECT_EQ(display->SetVideoPosition(&whole, &client), S_OK);
    const MFVideoNormalizedRect beyond{0, 0, 1.5F, 1};
    EXPECT_EQ(display->SetVideoPosition(&beyond, &client), E_INVALIDARG);
    EXPECT_EQ(display->RepaintVideo(), S_OK);

    const EvrRecord& record = evr->Record();
    EXPECT_EQ(record.videoWindow, reinterpret_cast<HWND>(std::uintptr_t{5}));
    EXPECT_EQ(record.aspectRatioMode, 3U);
    EXPECT_EQ(record.source, whole);
    EXPECT_EQ(record.destination, client);
    EXPECT_EQ(record.positionChanges, 2);
    EXPECT_EQ(record.repaints, 1);
}

TEST_F(EvrTest, TheNativeSizeFollowsTheConnection) {
    SIZE size{-1, -1};
    SIZE aspect{-1, -1};
    ASSERT_EQ(display->GetNativeVideoSize(&size, &aspect), S_OK);
    EXPECT_EQ(size, (SIZE{0, 0}));
    auto source = Add<TypedSource>(u"Source", std::vector{WideVideoType(1280, 720)});
    ASSERT_EQ(ConnectSource(*source, filter.Get()), S_OK);
    ASSERT_EQ(display->GetNativeVideoSize(&size, &aspect), S_OK);
    EXPECT_EQ(size, (SIZE{1280, 720}));
    EXPECT_EQ(aspect, (SIZE{16, 9}));
}

TEST_F(EvrTest, ANewPictureTakesDefaultsAndUpdatesChangeOnlyWhatTheyName) {
    MFVideoAlphaBitmapParams update{};
    update.dwFlags = MFVideoAlphaBitmap_Alpha;
    update.fAlpha = 0.5F;
    EXPECT_EQ(mixerBitmap->UpdateAlphaBitmapParameters(&update), MF_E_NOT_INITIALIZED);

    // Without the alpha flag the picture is opaque; without a destination it is whole.
    const MFVideoAlphaBitmap picture = Picture(MFVideoAlphaBitmap_SrcColorKey, 0.0F);
    ASSERT_EQ(mixerBitmap->SetAlphaBitmap(&picture), S_OK);
    const auto& record = evr->Record().bitmap;
    ASSERT_TRUE(record.current);
    EXPECT_EQ(record.current->params.fAlpha, 1.0F);
    EXPECT_EQ(record.current->params.nrcDest, (MFVideoNormalizedRect{0, 0, 1, 1}));

    ASSERT_TRUE(record.picture);
    EXPECT_EQ(record.picture->At(3, 3), RGB(0, 128, 0));

    ASSERT_EQ(mixerBitmap->UpdateAlphaBitmapParameters(&update), S_OK);
    EXPECT_EQ(record.current->params.fAlpha, 0.5F);
    EXPECT_EQ(record.current->params.dwFlags & MFVideoAlphaBitmap_SrcColorKey, 0U);
    // An update without the alpha flag means the default alpha: the picture is opaque.
    update.dwFlags = MFVideoAlphaBitmap_SrcColorKey;
    update.fAlpha = 0.25F;
    update.clrSrcKey = RGB(0, 0, 0);
    ASSERT_EQ(mixerBitmap->UpdateAlphaBitmapParameters(&update), S_OK);
    EXPECT_EQ(record.current->params.fAlpha, 1.0F);
    EXPECT_EQ(record.current->params.dwFlags & MFVideoAlphaBitmap_Alpha, 0U);
    EXPECT_EQ(record.current->params.clrSrcKey, RGB(0, 0, 0));
    EXPECT_TRUE(IsShown(*record.current));
    // The destination stays until an update names a new one.
    update.dwFlags = MFVideoAlphaBitmap_DestRect;
    update.nrcDest = MFVideoNormalizedRect{0, 0, 0.5F, 0.5F};
    ASSERT_EQ(mixerBitmap->UpdateAlphaBitmapParameters(&update), S_OK);
    update.dwFlags = MFVideoAlphaBitmap_Alpha;
    ASSERT_EQ(mixerBitmap->UpdateAlphaBitmapParameters(&update), S_OK);
    EXPECT_EQ(record.current->params.nrcDest, (MFVideoNormalizedRect{0, 0, 0.5F, 0.5F}));
    EXPECT_EQ(record.current->params.dwFlags & MFVideoAlphaBitmap_SrcColorKey, 0U);

    ASSERT_EQ(mixerBitmap->ClearAlphaBitmap(), S_OK);
    EXPECT_FALSE(record.current);
    EXPECT_FALSE(record.picture);
    EXPECT_EQ(record.history.size(), 5U);
    EXPECT_EQ(record.clearCalls, 1);
}

TEST_F(EvrTest, TheMixerRefusesParametersOutOfRange) {
    MFVideoAlphaBitmap picture = Picture(MFVideoAlphaBitmap_Alpha, 2.0F);
    EXPECT_EQ(mixerBitmap->SetAlphaBitmap(&picture), E_INVALIDARG);
    picture = Picture(MFVideoAlphaBitmap_DestRect, 1.0F);
    picture.params.nrcDest = MFVideoNormalizedRect{0.5F, 0, 0.5F, 1};
    EXPECT_EQ(mixerBitmap->SetAlphaBitmap(&picture), E_INVALIDARG);
    picture.params.dwFlags = 0;
    picture.params.rcSrc = RECT{0, 0, 5, 4};  // beyond the bitmap
    EXPECT_EQ(mixerBitmap->SetAlphaBitmap(&picture), E_INVALIDARG);
    picture.bitmap.hdc = nullptr;
    EXPECT_EQ(mixerBitmap->SetAlphaBitmap(&picture), E_INVALIDARG);
    EXPECT_EQ(evr->Record().bitmap.setCalls, 0);
}

TEST_F(EvrTest, ControlsKeptAfterTheFilterIsGoneAnswerShutdown) {
    ASSERT_EQ(graph->RemoveFilter(filter.Get()), S_OK);
    evr = nullptr;
    filter = nullptr;
    services = nullptr;
    EXPECT_EQ(display->RepaintVideo(), MF_E_SHUTDOWN);
    EXPECT_EQ(mixerBitmap->ClearAlphaBitmap(), MF_E_SHUTDOWN);
    DWORD z = 1;
    EXPECT_EQ(mixerControl->GetStreamZOrder(0, &z), MF_E_SHUTDOWN);
}

TEST_F(EvrTest, FaultsReachTheDisplayAndMixerCalls) {
    {
        ScopedFault fault("IMFGetService::GetService", E_FAIL);
        ComPtr<IMFVideoDisplayControl> refused;
        EXPECT_EQ(
            services->GetService(MR_VIDEO_RENDER_SERVICE, IID_PPV_ARGS(refused.GetAddressOf())),
            E_FAIL);
    }
    {
        ScopedFault fault("IMFVideoDisplayControl::SetVideoWindow", E_ACCESSDENIED);
        EXPECT_EQ(display->SetVideoWindow(reinterpret_cast<HWND>(std::uintptr_t{5})),
                  E_ACCESSDENIED);
    }
    EXPECT_EQ(evr->Record().videoWindow, nullptr);
    {
        ScopedFault fault("IMFVideoMixerBitmap::SetAlphaBitmap", E_OUTOFMEMORY);
        const MFVideoAlphaBitmap picture = Picture(0, 1.0F);
        EXPECT_EQ(mixerBitmap->SetAlphaBitmap(&picture), E_OUTOFMEMORY);
    }
    EXPECT_FALSE(evr->Record().bitmap.current);
}

}  // namespace
}  // namespace capspect::sim::test
