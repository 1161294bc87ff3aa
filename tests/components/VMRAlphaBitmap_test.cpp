// The overlay bitmap objects against the simulated mixers of the VMR-7, VMR-9 and EVR.
#include "Components/VQDirectShow/VMRAlphaBitmap.h"

#include <gtest/gtest.h>

#include <memory>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "Components/VQDirectShow/DXShowVideo.h"
#include "platform/directshow/renderers.h"
#include "platform/linux/gdi.h"
#include "platform/sdk/gdi.h"
#include "tests/components/DXShowFixture.h"

namespace capspect::test {
namespace {

using sim::EvrRenderer;
using sim::IsShown;
using sim::MixerBitmapRecord;
using sim::RendererOf;
using sim::Vmr7Renderer;
using sim::Vmr9Renderer;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kGreen = 0x00FF00;

class OverlayVideo : public TDXShowVideo {
public:
    using TDXShowVideo::CreateVideoRenderer;
    using TDXShowVideo::TDXShowVideo;
};

// A picture of one colour, as a caller hands it to the overlay.
std::unique_ptr<TBitmap> Picture(TColor color, int width = 8, int height = 6) {
    auto bitmap = std::make_unique<TBitmap>(width, height);
    bitmap->Canvas().SetBrushColor(color);
    bitmap->Canvas().FillRect(RECT{0, 0, width, height});
    return bitmap;
}

class VMRAlphaBitmapTest : public DXShowTest {
protected:
    std::unique_ptr<OverlayVideo> VideoWith(TDSVideoRenderer renderer) {
        auto video = std::make_unique<OverlayVideo>(Reports());
        video->SetDSVideoRenderer(renderer);
        video->SetDisplayWindow(&display);
        video->CreateVideoRenderer();
        errors.clear();
        return video;
    }

    static const MixerBitmapRecord<VMR9AlphaBitmap>& Vmr9Mixer(const TDXShowVideo& video) {
        return RendererOf<Vmr9Renderer>(video.VideoRenderer().Get())->Bitmap();
    }
    static const MixerBitmapRecord<MFVideoAlphaBitmap>& EvrMixer(const TDXShowVideo& video) {
        return RendererOf<EvrRenderer>(video.VideoRenderer().Get())->Record().bitmap;
    }

    TPlainWinControl display{640, 480};
};

TEST_F(VMRAlphaBitmapTest, OptionsBecomeTheVMRFlagsAndAreOnlyStoredForTheEVR) {
    for (const TDSVideoRenderer renderer : {vrVMR7, vrVMR9}) {
        const auto video = VideoWith(renderer);
        auto* overlay = video->VMRAlphaBitmap();
        const auto flags = [&] {
            if (auto* vmr7 = dynamic_cast<TVMRAlphaBitmap7*>(overlay)) {
                return vmr7->AlphaBitmapRecord().dwFlags;
            }
            return dynamic_cast<TVMRAlphaBitmap9&>(*overlay).AlphaBitmapRecord().dwFlags;
        };
        EXPECT_EQ(flags(), 2U);
        overlay->SetOptions({vmrbSrcColorKey});
        EXPECT_EQ(flags(), 10U);
        overlay->SetOptions({vmrbDisable, vmrbSrcRect});
        EXPECT_EQ(flags(), 0x13U);
        overlay->SetOptions({vmrbEntireDDS});
        EXPECT_EQ(flags(), 2U);
        EXPECT_EQ(overlay->Options(), (TVMRBitmapOptions{vmrbEntireDDS}));
    }
    const auto video = VideoWith(vrEVR);
    auto& evr = dynamic_cast<TEVR9AlphaBitmap&>(*video->VMRAlphaBitmap());
    evr.SetOptions({vmrbDisable, vmrbSrcColorKey});
    EXPECT_EQ(evr.Options().Bits(), 0x05);
    EXPECT_EQ(evr.AlphaBitmapRecord().params.dwFlags, 0U);
}

TEST_F(VMRAlphaBitmapTest, TheVMRShowsItsOwnCopyWhichOutlivesTheCallersBitmap) {
    const auto video = VideoWith(vrVMR9);
    auto& overlay = *video->VMRAlphaBitmap();
    overlay.SetAlpha(0.5F);
    overlay.SetColorKey(kGreen);
    auto caller = Picture(kRed);
    overlay.LoadBitmap(caller.get());
    // The caller's bitmap stays the caller's: it can draw on it, and that is not shown.
    caller->Canvas().SetPixel(0, 0, kGreen);
    EXPECT_EQ(caller->Canvas().Pixel(0, 0), kGreen);
    caller.reset();

    overlay.Draw();
    const auto& mixer = Vmr9Mixer(*video);
    ASSERT_TRUE(mixer.current && mixer.picture);
    EXPECT_TRUE(IsShown(*mixer.current));
    EXPECT_EQ(mixer.current->fAlpha, 0.5F);
    EXPECT_EQ(mixer.current->clrSrcKey, RGB(0, 255, 0));
    EXPECT_EQ(mixer.current->rDest, (VMR9NormalizedRect{0, 0, 1, 1}));
    EXPECT_EQ(mixer.current->rSrc, (RECT{0, 0, 8, 6}));
    EXPECT_EQ(mixer.picture->At(0, 0), RGB(255, 0, 0));
    EXPECT_TRUE(errors.empty());
}

TEST_F(VMRAlphaBitmapTest, ANullBitmapOrAMissingDisplayWindowKeepsThePreviousPicture) {
    const auto video = VideoWith(vrVMR7);
    auto& overlay = *video->VMRAlphaBitmap();
    overlay.LoadBitmap(Picture(kRed).get());
    overlay.LoadBitmap(nullptr);
    video->SetDisplayWindow(nullptr);
    overlay.LoadBitmap(Picture(kGreen).get());
    overlay.SetAlpha(1.0F);
    overlay.Draw();
    const auto& mixer = RendererOf<Vmr7Renderer>(video->VideoRenderer().Get())->Bitmap();
    ASSERT_TRUE(mixer.picture);
    EXPECT_EQ(mixer.picture->At(7, 5), RGB(255, 0, 0));
    // Drawing on the loaded picture through the overlay's canvas shows from the next Draw.
    overlay.Canvas().SetPixel(7, 5, kGreen);
    overlay.Draw();
    EXPECT_EQ(mixer.picture->At(7, 5), RGB(0, 255, 0));
}

TEST_F(VMRAlphaBitmapTest, AfterClearTheNextDrawShowsTheSamePictureAgain) {
    const auto video = VideoWith(vrVMR9);
    auto& overlay = *video->VMRAlphaBitmap();
    overlay.SetAlpha(1.0F);
    overlay.LoadBitmap(Picture(kRed).get());
    overlay.Draw();
    const auto& mixer = Vmr9Mixer(*video);
    const HDC shownFrom = mixer.current->hdc;

    overlay.Clear();
    ASSERT_TRUE(mixer.current);
    EXPECT_FALSE(IsShown(*mixer.current));
    EXPECT_EQ(mixer.current->clrSrcKey, 0U);
    EXPECT_EQ(mixer.current->hdc, shownFrom);

    overlay.Draw();
    EXPECT_TRUE(IsShown(*mixer.current));
    EXPECT_EQ(mixer.current->rDest, (VMR9NormalizedRect{0, 0, 1, 1}));
    EXPECT_EQ(mixer.picture->At(3, 3), RGB(255, 0, 0));
    EXPECT_EQ(mixer.setCalls, 2);
}

TEST_F(VMRAlphaBitmapTest, DrawReportsAMixerItCannotReachAndAPictureItRefuses) {
    // The VMR-7 object stays when a VMR-9 takes the renderer's place.
    const auto video = VideoWith(vrVMR7);
    video->TearDownGraph();
    video->SetDSVideoRenderer(vrVMR9);
    video->CreateVideoRenderer();
    auto& overlay = *video->VMRAlphaBitmap();
    overlay.LoadBitmap(Picture(kRed).get());
    overlay.Draw();
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0].hr, E_NOINTERFACE);
    EXPECT_EQ(errors[0].text,
              FormatErrorReport(E_NOINTERFACE, u"TVMRAlphaBitmap.Draw: Query IVMRMixerBitmap7"));
    EXPECT_FALSE(Vmr9Mixer(*video).current);

    const auto vmr9 = VideoWith(vrVMR9);
    vmr9->VMRAlphaBitmap()->LoadBitmap(Picture(kRed).get());
    {
        const ScopedFault refused("IVMRMixerBitmap9::SetAlphaBitmap", E_OUTOFMEMORY);
        vmr9->VMRAlphaBitmap()->Draw();
    }
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0].text,
              FormatErrorReport(E_OUTOFMEMORY, u"TVMRAlphaBitmap.Draw: SetAlphabitmap"));
    // Without a renderer (after a teardown) only Draw speaks up.
    vmr9->TearDownGraph();
    errors.clear();
    vmr9->VMRAlphaBitmap()->UpdateParams();
    vmr9->VMRAlphaBitmap()->Clear();
    EXPECT_TRUE(errors.empty());
    vmr9->VMRAlphaBitmap()->Draw();
    EXPECT_EQ(errors.size(), 1U);
}

TEST_F(VMRAlphaBitmapTest, DrawToPlacesThePictureWithTheAlphaItIsGiven) {
    for (const TDSVideoRenderer renderer : {vrVMR7, vrVMR9}) {
        const auto video = VideoWith(renderer);
        auto& overlay = *video->VMRAlphaBitmap();
        overlay.LoadBitmap(Picture(kRed).get());
        overlay.DrawTo(0.5F, 0.0F, 1.0F, 0.5F, 0.75F, false);
        overlay.DrawTo(0.0F, 0.5F, 0.5F, 1.0F, 0.25F, true);
        if (renderer == vrVMR7) {
            const auto& mixer = RendererOf<Vmr7Renderer>(video->VideoRenderer().Get())->Bitmap();
            EXPECT_EQ(mixer.history.front().rDest, (NORMALIZEDRECT{0.5F, 0, 1, 0.5F}));
            EXPECT_EQ(mixer.current->rDest, (NORMALIZEDRECT{0, 0.5F, 0.5F, 1}));
            EXPECT_EQ(mixer.current->fAlpha, 0.25F);
            EXPECT_EQ(mixer.updateCalls, 1);
        } else {
            const auto& mixer = Vmr9Mixer(*video);
            EXPECT_EQ(mixer.history.front().fAlpha, 0.75F);
            EXPECT_EQ(mixer.current->rDest, (VMR9NormalizedRect{0, 0.5F, 0.5F, 1}));
            EXPECT_EQ(mixer.setCalls, 1);
            EXPECT_EQ(mixer.updateCalls, 1);
        }
        // The object's own alpha is not touched.
        EXPECT_EQ(overlay.Alpha(), 0.0F);
    }
}

TEST_F(VMRAlphaBitmapTest, TheEVRSendsOnlyTheAlphaAndKeyThatDifferFromItsDefaults) {
    const auto video = VideoWith(vrEVR);
    auto& overlay = *video->VMRAlphaBitmap();
    auto caller = Picture(kRed);
    overlay.LoadBitmap(caller.get());
    caller->Canvas().SetPixel(1, 1, kGreen);  // after the copy: not shown
    overlay.SetAlpha(1.0F);
    overlay.SetColorKey(clNone);
    overlay.Draw();
    const auto& mixer = EvrMixer(*video);
    ASSERT_TRUE(mixer.current && mixer.picture);
    EXPECT_EQ(mixer.history.back().params.dwFlags, 0U);
    EXPECT_EQ(mixer.current->params.fAlpha, 1.0F);
    EXPECT_EQ(mixer.picture->At(1, 1), RGB(255, 0, 0));

    overlay.SetAlpha(0.5F);
    overlay.SetColorKey(kGreen);
    overlay.UpdateParams();
    EXPECT_EQ(mixer.current->params.dwFlags,
              MFVideoAlphaBitmap_Alpha | MFVideoAlphaBitmap_SrcColorKey);
    EXPECT_EQ(mixer.current->params.fAlpha, 0.5F);
    EXPECT_EQ(mixer.current->params.clrSrcKey, RGB(0, 255, 0));

    overlay.DrawTo(0.0F, 0.0F, 0.5F, 0.5F, 0.25F, false);
    EXPECT_EQ(overlay.Alpha(), 0.25F);
    EXPECT_EQ(mixer.current->params.nrcDest, (MFVideoNormalizedRect{0, 0, 0.5F, 0.5F}));
    EXPECT_NE(mixer.current->params.dwFlags & MFVideoAlphaBitmap_DestRect, 0U);
    overlay.Draw();
    EXPECT_EQ(mixer.current->params.nrcDest, (MFVideoNormalizedRect{0, 0, 1, 1}));

    overlay.Clear();
    EXPECT_FALSE(mixer.current);
    EXPECT_EQ(mixer.clearCalls, 1);
    EXPECT_TRUE(errors.empty());
}

TEST_F(VMRAlphaBitmapTest, AnEVRWithoutAMixerControlDoesNothing) {
    const ScopedFault noServices("IMFGetService::GetService", E_NOINTERFACE);
    const auto video = VideoWith(vrEVR);
    ASSERT_FALSE(video->EVRMixerControl());
    auto& overlay = *video->VMRAlphaBitmap();
    overlay.LoadBitmap(Picture(kRed).get());
    overlay.Draw();
    overlay.UpdateParams();
    overlay.Clear();
    EXPECT_EQ(EvrMixer(*video).setCalls, 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(VMRAlphaBitmapTest, NoGdiObjectOutlivesTheOverlays) {
    const std::size_t before = GdiObjectCount();
    for (const TDSVideoRenderer renderer : {vrVMR7, vrVMR9, vrEVR}) {
        const auto video = VideoWith(renderer);
        video->VMRAlphaBitmap()->LoadBitmap(Picture(kRed).get());
        video->VMRAlphaBitmap()->LoadBitmap(Picture(kGreen).get());
        video->VMRAlphaBitmap()->Draw();
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

}  // namespace
}  // namespace capspect::test
