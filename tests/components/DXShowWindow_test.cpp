// The graph component's display window: placement with and without the aspect ratio,
// the playing graph around a new window, the freed window, and the filter callbacks.
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "tests/components/DXShowFixture.h"
#include "util/ErrorTexts.h"

namespace capspect::test {
namespace {

using Placement = WindowedRenderer::Placement;

TEST_F(DXShowTest, VideoWindowBecomesAChildOfTheControlWithoutFrame) {
    auto dx = Create();
    auto renderer = AddRenderedSource(*dx);
    TPlainWinControl window(400, 300);
    window.SetCursor(crNone);
    dx->SetDisplayWindow(&window);
    const auto handle = reinterpret_cast<OAHWND>(window.Handle());
    EXPECT_EQ(renderer->owner, handle);
    EXPECT_EQ(renderer->drain, handle);
    EXPECT_EQ(renderer->style, 0x40000000 | 0x10000000);
    EXPECT_EQ(renderer->cursorHidden, OATRUE);
    EXPECT_EQ(dx->DisplayWindow(), &window);
}

TEST_F(DXShowTest, VideoIsFittedToItsAspectRatio) {
    auto dx = Create();
    auto renderer = AddRenderedSource(*dx);
    TPlainWinControl wide(400, 200);
    TPlainWinControl square(400, 400);
    dx->SetDisplayWindow(&wide);
    dx->SetDisplayWindow(&square);
    EXPECT_EQ(renderer->placements, (std::vector<Placement>{{66, 0, 267, 200, State_Stopped},
                                                            {0, 50, 400, 300, State_Stopped}}));
    EXPECT_EQ(renderer->cursorHidden, OAFALSE);
}

TEST_F(DXShowTest, PictureAspectOfTheSourceOverridesTheRenderer) {
    auto dx = Create();
    auto renderer = AddRenderedSource(*dx, WideVideo());
    TPlainWinControl window(400, 400);
    dx->SetDisplayWindow(&window);
    // 1024 : 576 in 400 x 400: height round(400 / (1024 / 576)) = 225.
    ASSERT_EQ(renderer->placements.size(), 1U);
    EXPECT_EQ(renderer->placements[0], (Placement{0, 87, 400, 225, State_Stopped}));
}

TEST_F(DXShowTest, IgnoredAspectRatioFillsTheClientArea) {
    auto dx = Create();
    auto renderer = AddRenderedSource(*dx, WideVideo());
    dx->SetIgnoreAspectRatio(true);
    TPlainWinControl window(400, 200);
    dx->SetDisplayWindow(&window);
    EXPECT_EQ(renderer->placements, (std::vector<Placement>{{0, 0, 400, 200, State_Stopped}}));
}

TEST_F(DXShowTest, UnknownAspectKeepsTheClientArea) {
    auto dx = Create();
    auto renderer = AddRenderedSource(*dx);
    renderer->aspectX = 0;
    renderer->aspectY = 0;
    TPlainWinControl window(400, 200);
    dx->SetDisplayWindow(&window);
    EXPECT_EQ(renderer->placements, (std::vector<Placement>{{0, 0, 400, 200, State_Stopped}}));
}

TEST_F(DXShowTest, RefusedOwnerIsReportedAndEndsThePlacement) {
    auto dx = Create();
    auto renderer = AddRenderedSource(*dx);
    const ScopedFault fault("IVideoWindow::put_Owner", E_FAIL);
    TPlainWinControl window(400, 200);
    dx->SetDisplayWindow(&window);
    EXPECT_EQ(errors,
              (std::vector<Report>{{E_FAIL, u"Could not set pVidWin.put_Owner Reason: " +
                                                GetDSErrorText(E_FAIL) + u" ($80004005)."}}));
    EXPECT_TRUE(renderer->placements.empty());
}

TEST_F(DXShowTest, NewWindowWhilePlayingIsPlacedStoppedAndPlayingResumes) {
    for (const FILTER_STATE state : {State_Running, State_Paused}) {
        auto dx = Create();
        auto renderer = AddRenderedSource(*dx);
        ASSERT_EQ(state == State_Running ? dx->Run() : dx->Pause(), S_OK);
        TPlainWinControl window(400, 300);
        dx->SetDisplayWindow(&window);
        ASSERT_EQ(renderer->placements.size(), 1U);
        EXPECT_EQ(renderer->placements[0].stateDuringPlacement, State_Stopped);
        EXPECT_EQ(renderer->State(), state);
        EXPECT_EQ(dx->IsPlaying(), state == State_Running);
    }
}

TEST_F(DXShowTest, NewWindowWhileStoppedLeavesTheGraphAlone) {
    auto dx = Create();
    AddRenderedSource(*dx);
    journal.clear();
    TPlainWinControl window(400, 300);
    dx->SetDisplayWindow(&window);
    EXPECT_TRUE(journal.empty());
}

TEST_F(DXShowTest, FreedDisplayWindowHidesAndReleasesTheVideoWindowForGood) {
    auto dx = Create();
    auto renderer = AddRenderedSource(*dx);
    auto window = std::make_unique<TPlainWinControl>(400, 300);
    dx->SetDisplayWindow(window.get());
    window.reset();
    EXPECT_EQ(dx->DisplayWindow(), nullptr);
    EXPECT_EQ(renderer->visible, OAFALSE);
    EXPECT_EQ(renderer->owner, 0);

    TPlainWinControl next(400, 300);
    dx->SetDisplayWindow(&next);
    EXPECT_EQ(renderer->owner, 0);
    EXPECT_EQ(renderer->placements.size(), 1U);
    EXPECT_EQ(dx->DisplayWindow(), &next);
}

TEST_F(DXShowTest, ReplacedDisplayWindowIsNoLongerWatched) {
    auto dx = Create();
    auto renderer = AddRenderedSource(*dx);
    auto first = std::make_unique<TPlainWinControl>(400, 300);
    TPlainWinControl second(400, 300);
    dx->SetDisplayWindow(first.get());
    dx->SetDisplayWindow(&second);
    first.reset();
    EXPECT_EQ(dx->DisplayWindow(), &second);
    EXPECT_EQ(renderer->owner, reinterpret_cast<OAHWND>(second.Handle()));
}

TEST_F(DXShowTest, ControlGivenToUpdateVideoWindowIsWatchedToo) {
    auto dx = Create();
    AddRenderedSource(*dx);
    auto window = std::make_unique<TPlainWinControl>(400, 300);
    dx->UpdateVideoWindow(window.get());
    EXPECT_EQ(dx->DisplayWindow(), window.get());
    window.reset();
    EXPECT_EQ(dx->DisplayWindow(), nullptr);
}

TEST_F(DXShowTest, ComponentThatGoesFirstLeavesTheWindowUntouched) {
    auto window = std::make_unique<TPlainWinControl>(400, 300);
    {
        auto dx = Create();
        dx->SetDisplayWindow(window.get());
    }
    window.reset();  // must not reach the destroyed component
    SUCCEED();
}

// Filter callbacks.

ComPtr<IAMGraphBuilderCallback> CallbackOf(TDXShow& dx) {
    ComPtr<IObjectWithSite> site;
    EXPECT_EQ(dx.Graph().As(&site), S_OK);
    ComPtr<IAMGraphBuilderCallback> callback;
    EXPECT_EQ(site->GetSite(IID_PPV_ARGS(callback.GetAddressOf())), S_OK);
    return callback;
}

TEST_F(DXShowTest, RejectedFilterMakesTheCallbackFail) {
    auto dx = Create();
    const ComPtr<IAMGraphBuilderCallback> callback = CallbackOf(*dx);
    ASSERT_TRUE(callback);
    const auto candidate = MakeComObject<WindowedRenderer>();
    EXPECT_EQ(callback->CreatedFilter(candidate.Get()), S_OK);

    std::vector<IBaseFilter*> offered;
    dx->SetOnFilterCreated([&](TComponent& sender, IBaseFilter* filter, bool& reject) {
        EXPECT_EQ(&sender, dx.get());
        EXPECT_FALSE(reject);
        offered.push_back(filter);
        reject = true;
    });
    dx->SetOnFilterSelected([](TComponent&, IMoniker*, bool& reject) { reject = true; });
    EXPECT_EQ(callback->CreatedFilter(candidate.Get()), E_FAIL);
    EXPECT_EQ(callback->SelectedFilter(nullptr), E_FAIL);
    EXPECT_EQ(offered, (std::vector<IBaseFilter*>{candidate.Get()}));
}

}  // namespace
}  // namespace capspect::test
