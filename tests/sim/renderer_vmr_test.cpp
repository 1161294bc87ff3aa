// The Video Mixing Renderers 7 and 9: configuration, windowless control, mixer bitmaps.
#include <gtest/gtest.h>

#include "platform/support/comptr.h"
#include "tests/sim/renderer_test_support.h"

namespace capspect::sim::test {
namespace {

HDC FakeDc() {
    return reinterpret_cast<HDC>(std::uintptr_t{0x1234});
}

constexpr COLORREF kRed = RGB(255, 0, 0);

HWND FakeWindow(std::uintptr_t value) {
    return reinterpret_cast<HWND>(value);
}

class Vmr7Test : public RendererTest {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        filter = AddByClass(CLSID_VideoMixingRenderer, u"VMR7");
        ASSERT_EQ(filter.As(&config), S_OK);
    }

    ComPtr<IBaseFilter> filter;
    ComPtr<IVMRFilterConfig> config;
};

TEST_F(Vmr7Test, OffersItsMixerBitmapOnlyInMixingMode) {
    EXPECT_FALSE(Offers<IVMRMixerBitmap>(filter.Get()));
    DWORD streams = 0;
    EXPECT_EQ(config->GetNumberOfStreams(&streams), VFW_E_VMR_NOT_IN_MIXER_MODE);

    EXPECT_EQ(config->SetNumberOfStreams(MAX_MIXER_STREAMS + 1), E_INVALIDARG);
    ASSERT_EQ(config->SetNumberOfStreams(2), S_OK);
    EXPECT_TRUE(Offers<IVMRMixerBitmap>(filter.Get()));
    EXPECT_EQ(config->GetNumberOfStreams(&streams), S_OK);
    EXPECT_EQ(streams, 2U);
    EXPECT_EQ(RendererOf<Vmr7Renderer>(filter.Get())->Pins().size(), 2U);
    // Configured once; mixing rules out the renderless mode.
    EXPECT_EQ(config->SetNumberOfStreams(1), E_FAIL);
    EXPECT_EQ(config->SetRenderingMode(VMRMode_Renderless), VFW_E_WRONG_STATE);
}

TEST_F(Vmr7Test, TheMixerKeepsThePictureAndTakesNewParameters) {
    ASSERT_EQ(config->SetNumberOfStreams(1), S_OK);
    ComPtr<IVMRMixerBitmap> mixer;
    ASSERT_EQ(filter.As(&mixer), S_OK);
    const TestPicture picture(64, 48, kRed);
    VMRALPHABITMAP bitmap{};
    bitmap.dwFlags = VMRBITMAP_HDC | VMRBITMAP_SRCCOLORKEY;
    bitmap.hdc = picture.Dc();
    bitmap.rSrc = RECT{0, 0, 64, 48};
    bitmap.rDest = NORMALIZEDRECT{0, 0, 1, 1};
    bitmap.fAlpha = 1.5F;
    EXPECT_EQ(mixer->SetAlphaBitmap(&bitmap), E_INVALIDARG);
    bitmap.fAlpha = 0.25F;
    VMRALPHABITMAP update = bitmap;
    EXPECT_EQ(mixer->UpdateAlphaBitmapParameters(&update), VFW_E_WRONG_STATE);
    ASSERT_EQ(mixer->SetAlphaBitmap(&bitmap), S_OK);

    // Clearing the way the overlay objects do: an empty destination, the picture kept.
    update.hdc = nullptr;
    update.rDest = NORMALIZEDRECT{};
    ASSERT_EQ(mixer->UpdateAlphaBitmapParameters(&update), S_OK);
    const auto& record = RendererOf<Vmr7Renderer>(filter.Get())->Bitmap();
    ASSERT_TRUE(record.current);
    EXPECT_EQ(record.current->hdc, picture.Dc());
    EXPECT_FALSE(IsShown(*record.current));
    ASSERT_TRUE(record.picture);
    EXPECT_EQ(record.picture->width, 64);
    EXPECT_EQ(record.picture->At(63, 47), kRed);
    EXPECT_EQ(record.setCalls, 1);
    EXPECT_EQ(record.updateCalls, 1);
    ASSERT_EQ(record.history.size(), 2U);
    EXPECT_TRUE(IsShown(record.history.front()));
}

class Vmr9Test : public RendererTest {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        filter = AddByClass(CLSID_VideoMixingRenderer9, u"VMR9");
        ASSERT_EQ(filter.As(&config), S_OK);
        vmr = RendererOf<Vmr9Renderer>(filter.Get());
        ASSERT_NE(vmr, nullptr);
    }

    ComPtr<IVMRWindowlessControl9> Windowless() {
        EXPECT_EQ(config->SetRenderingMode(VMR9Mode_Windowless), S_OK);
        ComPtr<IVMRWindowlessControl9> control;
        EXPECT_EQ(filter.As(&control), S_OK);
        return control;
    }

    void ConnectWideSource() {
        source = Add<TypedSource>(u"Source", std::vector{WideVideoType(720, 576)});
        ASSERT_EQ(ConnectSource(*source, filter.Get()), S_OK);
    }

    ComPtr<IBaseFilter> filter;
    ComPtr<IVMRFilterConfig9> config;
    Vmr9Renderer* vmr = nullptr;
    ComPtr<TypedSource> source;
};

TEST_F(Vmr9Test, EachRenderingModeOffersItsOwnInterfaces) {
    EXPECT_EQ(vmr->Pins().size(), Vmr9Renderer::kDefaultStreams);
    EXPECT_TRUE(Offers<IVideoWindow>(filter.Get()));
    EXPECT_TRUE(Offers<IBasicVideo2>(filter.Get()));
    EXPECT_FALSE(Offers<IVMRWindowlessControl9>(filter.Get()));
    EXPECT_TRUE(Offers<IVMRMixerBitmap9>(filter.Get()));

    ASSERT_EQ(config->SetRenderingMode(VMR9Mode_Windowless), S_OK);
    EXPECT_FALSE(Offers<IVideoWindow>(filter.Get()));
    EXPECT_TRUE(Offers<IVMRWindowlessControl9>(filter.Get()));

    ASSERT_EQ(config->SetRenderingMode(VMR9Mode_Renderless), S_OK);
    EXPECT_FALSE(Offers<IVideoWindow>(filter.Get()));
    EXPECT_FALSE(Offers<IVMRWindowlessControl9>(filter.Get()));
    EXPECT_TRUE(Offers<IVMRMixerBitmap9>(filter.Get()));
    EXPECT_EQ(config->SetRenderingMode(3), E_INVALIDARG);
    EXPECT_EQ(vmr->Config().renderingMode, VMR9Mode_Renderless);
}

TEST_F(Vmr9Test, TheConfigurationLocksOnceConnected) {
    ASSERT_EQ(config->SetNumberOfStreams(1), S_OK);
    EXPECT_EQ(vmr->Pins().size(), 1U);
    ConnectWideSource();
    EXPECT_EQ(config->SetRenderingMode(VMR9Mode_Windowless), VFW_E_WRONG_STATE);
    EXPECT_EQ(config->SetNumberOfStreams(2), E_FAIL);
    EXPECT_EQ(vmr->Config().renderingMode, VMR9Mode_Windowed);
}

TEST_F(Vmr9Test, AWindowlessControlKeptAfterTheModeChangesStopsWorking) {
    ComPtr<IVMRWindowlessControl9> control = Windowless();
    ASSERT_EQ(config->SetRenderingMode(VMR9Mode_Windowed), S_OK);
    EXPECT_EQ(control->SetVideoClippingWindow(FakeWindow(7)), VFW_E_WRONG_STATE);
    EXPECT_EQ(vmr->Windowless().clippingWindow, nullptr);
}

TEST_F(Vmr9Test, TheWindowlessControlRecordsPlacementAndRepaints) {
    ComPtr<IVMRWindowlessControl9> control = Windowless();
    LONG width = 0;
    LONG height = 0;
    LONG aspectX = 0;
    LONG aspectY = 0;
    EXPECT_EQ(control->GetNativeVideoSize(&width, &height, &aspectX, &aspectY),
              VFW_E_NOT_CONNECTED);
    ConnectWideSource();
    ASSERT_EQ(control->GetNativeVideoSize(&width, &height, &aspectX, &aspectY), S_OK);
    EXPECT_EQ((RECT{width, height, aspectX, aspectY}), (RECT{720, 576, 16, 9}));

    EXPECT_EQ(control->SetVideoClippingWindow(FakeWindow(7)), S_OK);
    EXPECT_EQ(control->SetAspectRatioMode(VMR9ARMode_LetterBox), S_OK);
    EXPECT_EQ(control->SetAspectRatioMode(2), E_INVALIDARG);
    const RECT source{0, 0, 720, 576};
    const RECT destination{0, 0, 400, 300};
    EXPECT_EQ(control->SetVideoPosition(&source, &destination), S_OK);
    const RECT outside{0, 0, 721, 576};
    EXPECT_EQ(control->SetVideoPosition(&outside, &destination), E_INVALIDARG);
    EXPECT_EQ(control->SetVideoPosition(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(control->RepaintVideo(FakeWindow(7), FakeDc()), S_OK);
    EXPECT_EQ(control->DisplayModeChanged(), S_OK);

    const WindowlessRecord& record = vmr->Windowless();
    EXPECT_EQ(record.clippingWindow, FakeWindow(7));
    EXPECT_EQ(record.aspectRatioMode, VMR9ARMode_LetterBox);
    EXPECT_EQ(record.source, source);
    EXPECT_EQ(record.destination, destination);
    EXPECT_EQ(record.positionChanges, 1);
    EXPECT_EQ(record.repaints, 1);
    EXPECT_EQ(record.repaintDc, FakeDc());
    EXPECT_EQ(record.displayModeChanges, 1);
}

TEST_F(Vmr9Test, FaultsReachTheFailurePathsWithoutChangingTheRecord) {
    {
        ScopedFault fault("IUnknown::QueryInterface(IVMRFilterConfig9)", E_NOINTERFACE);
        EXPECT_FALSE(Offers<IVMRFilterConfig9>(filter.Get()));
    }
    {
        ScopedFault fault("IVMRFilterConfig9::SetRenderingMode", E_FAIL);
        EXPECT_EQ(config->SetRenderingMode(VMR9Mode_Windowless), E_FAIL);
    }
    ComPtr<IVMRWindowlessControl9> control = Windowless();
    {
        ScopedFault fault("IUnknown::QueryInterface(IVMRWindowlessControl9)", E_NOINTERFACE);
        EXPECT_FALSE(Offers<IVMRWindowlessControl9>(filter.Get()));
    }
    ConnectWideSource();
    {
        ScopedFault fault("IVMRWindowlessControl9::SetVideoPosition", E_UNEXPECTED);
        const RECT destination{0, 0, 10, 10};
        EXPECT_EQ(control->SetVideoPosition(nullptr, &destination), E_UNEXPECTED);
    }
    EXPECT_EQ(vmr->Windowless().positionChanges, 0);
    {
        ScopedFault fault("IVMRWindowlessControl9::SetVideoClippingWindow", E_INVALIDARG);
        EXPECT_EQ(control->SetVideoClippingWindow(FakeWindow(7)), E_INVALIDARG);
    }
    EXPECT_EQ(vmr->Windowless().clippingWindow, nullptr);
    {
        ScopedFault fault("IUnknown::QueryInterface(IVMRMixerBitmap9)", E_NOINTERFACE);
        EXPECT_FALSE(Offers<IVMRMixerBitmap9>(filter.Get()));
    }
}

TEST_F(Vmr9Test, TheMixerRecordsEveryPictureItIsGiven) {
    ComPtr<IVMRMixerBitmap9> mixer;
    ASSERT_EQ(filter.As(&mixer), S_OK);
    const TestPicture picture(8, 8, kRed);
    VMR9AlphaBitmap bitmap{};
    bitmap.dwFlags = VMR9AlphaBitmap_hDC;
    bitmap.rSrc = RECT{0, 0, 8, 8};
    bitmap.rDest = VMR9NormalizedRect{0, 0, 1, 1};
    bitmap.fAlpha = 1.0F;
    EXPECT_EQ(mixer->SetAlphaBitmap(&bitmap), E_INVALIDARG);  // no device context
    bitmap.hdc = picture.Dc();
    ASSERT_EQ(mixer->SetAlphaBitmap(&bitmap), S_OK);
    VMR9AlphaBitmap disabled = bitmap;
    disabled.dwFlags = VMR9AlphaBitmap_Disable;
    disabled.hdc = nullptr;
    ASSERT_EQ(mixer->SetAlphaBitmap(&disabled), S_OK);

    VMR9AlphaBitmap read{};
    ASSERT_EQ(mixer->GetAlphaBitmapParameters(&read), S_OK);
    EXPECT_EQ(read.dwFlags, VMR9AlphaBitmap_Disable);
    const auto& record = vmr->Bitmap();
    EXPECT_FALSE(IsShown(*record.current));
    EXPECT_FALSE(record.picture);
    ASSERT_EQ(record.history.size(), 2U);
    EXPECT_TRUE(IsShown(record.history.front()));
    {
        ScopedFault fault("IVMRMixerBitmap9::SetAlphaBitmap", E_FAIL);
        EXPECT_EQ(mixer->SetAlphaBitmap(&bitmap), E_FAIL);
    }
    EXPECT_EQ(record.setCalls, 2);
}

TEST_F(Vmr9Test, TheMixerCopiesThePictureWhenItIsSetAndRefusesOneItCannotRead) {
    ComPtr<IVMRMixerBitmap9> mixer;
    ASSERT_EQ(filter.As(&mixer), S_OK);
    const TestPicture picture(16, 8, kRed);
    VMR9AlphaBitmap bitmap{};
    bitmap.dwFlags = VMR9AlphaBitmap_hDC;
    bitmap.hdc = picture.Dc();
    bitmap.rSrc = RECT{4, 2, 12, 8};
    bitmap.fAlpha = 1.0F;
    ASSERT_EQ(mixer->SetAlphaBitmap(&bitmap), S_OK);
    // Drawing after the call does not reach the mixer's copy.
    SetPixel(picture.Dc(), 4, 2, RGB(0, 0, 255));
    const auto& record = vmr->Bitmap();
    ASSERT_TRUE(record.picture);
    EXPECT_EQ(record.picture->width, 8);
    EXPECT_EQ(record.picture->height, 6);
    EXPECT_EQ(record.picture->At(0, 0), kRed);

    // A source rectangle outside the picture, a context without a picture, a stale one.
    bitmap.rSrc = RECT{0, 0, 17, 8};
    EXPECT_EQ(mixer->SetAlphaBitmap(&bitmap), E_INVALIDARG);
    bitmap.rSrc = RECT{0, 0, 1, 1};
    const HDC window = GetDC(nullptr);
    bitmap.hdc = window;
    EXPECT_EQ(mixer->SetAlphaBitmap(&bitmap), E_INVALIDARG);
    ReleaseDC(nullptr, window);
    bitmap.hdc = FakeDc();
    EXPECT_EQ(mixer->SetAlphaBitmap(&bitmap), E_INVALIDARG);
    EXPECT_EQ(record.setCalls, 1);
    EXPECT_EQ(record.picture->At(0, 0), kRed);
}

}  // namespace
}  // namespace capspect::sim::test
