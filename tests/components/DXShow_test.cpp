// The graph component's lifetime, state machine, teardown, reports and time conversion.
#include <cmath>
#include <limits>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "framework/Components.h"
#include "platform/linux/com.h"
#include "platform/linux/messages.h"
#include "platform/linux/registry.h"
#include "platform/sdk/bind.h"
#include "platform/sdk/registry.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"
#include "tests/components/DXShowFixture.h"
#include "util/ErrorTexts.h"

namespace capspect::test {
namespace {

constexpr TDateTime kSecond = 1.0 / 86400;

std::u16string Formatted(const std::u16string& message, HRESULT hr, const std::u16string& code) {
    return message + u" Reason: " + GetDSErrorText(hr) + u" ($" + code + u").";
}

// Construction and destruction.

TEST_F(DXShowTest, CreatedAndDestroyedWithoutRenderingLeavesNothingBehind) {
    ComPtr<IGraphBuilder> graph;
    {
        auto dx = Create();
        graph = dx->Graph();
        ASSERT_TRUE(graph);
        EXPECT_FALSE(dx->IsPlaying());
        EXPECT_EQ(dx->GraphState(), gsStopped);
    }
    EXPECT_TRUE(errors.empty());
    ComPtr<IEnumFilters> filters;
    ASSERT_EQ(graph->EnumFilters(filters.GetAddressOf()), S_OK);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(filters->Next(1, filter.GetAddressOf(), nullptr), S_FALSE);

    // The graph outlives the component here, but it no longer reaches it: no
    // notification is posted and the builder callback answers without calling back.
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(graph.As(&sink), S_OK);
    sink->Notify(EC_COMPLETE, 0, 0);
    EXPECT_EQ(ProcessMessagesUntilIdle(), 0U);
    ComPtr<IObjectWithSite> site;
    ASSERT_EQ(graph.As(&site), S_OK);
    ComPtr<IAMGraphBuilderCallback> callback;
    ASSERT_EQ(site->GetSite(IID_PPV_ARGS(callback.GetAddressOf())), S_OK);
    EXPECT_EQ(callback->CreatedFilter(nullptr), S_OK);
    EXPECT_EQ(callback->SelectedFilter(nullptr), S_OK);
}

TEST_F(DXShowTest, DestructionStopsDetachesAndTearsDownInOrder) {
    auto dx = Create();
    auto renderer = AddRenderedSource(*dx);
    TPlainWinControl window(320, 240);
    dx->SetDisplayWindow(&window);
    ASSERT_EQ(dx->Run(), S_OK);
    PostEvent(*dx, EC_COMPLETE);  // queued, not yet handled
    journal.clear();

    dx.reset();

    EXPECT_EQ(journal, (Journal{"Stop", "Stop"}));  // destruction, then teardown
    EXPECT_EQ(renderer->visible, OAFALSE);
    EXPECT_EQ(renderer->owner, 0);
    EXPECT_EQ(renderer->State(), State_Stopped);
    EXPECT_EQ(ProcessMessagesUntilIdle(), 0U);
    EXPECT_EQ(TestGraph::Live(), 0);
}

TEST_F(DXShowTest, OwnerDestroysTheComponent) {
    auto owner = std::make_unique<TComponent>();
    TDXShow& dx = TComponent::CreateOwned<TDXShow>(*owner);
    EXPECT_EQ(dx.Owner(), owner.get());
    ASSERT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(&owner->Components(0), &dx);
    EXPECT_EQ(TestGraph::Live(), 1);
    owner.reset();
    EXPECT_EQ(TestGraph::Live(), 0);
}

TEST_F(DXShowTest, GraphManagerThatCannotBeCreatedRaisesAndLeavesNothing) {
    ClassRegistry::Instance().Revoke(CLSID_FilterGraph);
    try {
        Create();
        FAIL() << "construction succeeded";
    } catch (const EDShowError& error) {
        const std::u16string text = Formatted(u"Could not create the filter graph manager",
                                              REGDB_E_CLASSNOTREG, u"80040154");
        EXPECT_EQ(error.Message(), text);
        EXPECT_EQ(error.HResult(), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(errors, (std::vector<Report>{{REGDB_E_CLASSNOTREG, text}}));
    }
}

struct MissingInterface {
    const char* fault;
    const char16_t* message;
};

class DXShowMissingInterfaceTest : public DXShowTest,
                                   public ::testing::WithParamInterface<MissingInterface> {};

TEST_P(DXShowMissingInterfaceTest, RaisesWithItsMessageAndReleasesTheGraph) {
    const ScopedFault fault(GetParam().fault, E_NOINTERFACE);
    EXPECT_THROW(Create(), EDShowError);
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0],
              (Report{E_NOINTERFACE, Formatted(GetParam().message, E_NOINTERFACE, u"80004002")}));
    // Everything built before the failure went with it, windows included.
    EXPECT_EQ(TestGraph::Live(), 0);
    EXPECT_EQ(ProcessMessagesUntilIdle(), 0U);
}

INSTANTIATE_TEST_SUITE_P(
    Construction, DXShowMissingInterfaceTest,
    ::testing::Values(MissingInterface{"QueryInterface(IMediaControl)",
                                       u"Could not obtain the Media Control Interface"},
                      MissingInterface{"QueryInterface(IMediaEventEx)",
                                       u"Could not obtain the Media EventEx Interface"},
                      MissingInterface{"QueryInterface(IVideoWindow)",
                                       u"Could not obtain the Video Window Interface"}));

TEST_F(DXShowTest, RefusedSiteIsReportedAndConstructionGoesOn) {
    const ScopedFault fault("IObjectWithSite::SetSite", E_FAIL);
    auto dx = Create();
    EXPECT_EQ(errors,
              (std::vector<Report>{{E_FAIL, Formatted(u"SetSite failed", E_FAIL, u"80004005")}}));
    EXPECT_EQ(dx->Run(), S_OK);
}

TEST_F(DXShowTest, WithoutSeekingPositionsReadZeroAndSeeksOnlyReport) {
    const ScopedFault fault("QueryInterface(IMediaSeeking)", E_NOINTERFACE);
    std::vector<TDateTime> positions;  // outlives the component, which reports when it goes
    auto dx = Create();
    EXPECT_EQ(errors, (std::vector<Report>{
                          {E_NOINTERFACE, Formatted(u"Could not obtain the IMediaSeeking Interface",
                                                    E_NOINTERFACE, u"80004002")}}));
    dx->SetOnPositionChanged([&](TComponent&, TDateTime time) { positions.push_back(time); });
    dx->SetPosition(5 * kSecond);
    dx->SetStopPosition(7 * kSecond);
    EXPECT_EQ(positions, (std::vector<TDateTime>{0}));
    EXPECT_EQ(dx->Duration(), 0);
    EXPECT_EQ(dx->StopPosition(), 7 * kSecond);
}

// State machine.

TEST_F(DXShowTest, RecordedStateFollowsSuccessfulControlOperations) {
    auto dx = Create();
    EXPECT_FALSE(dx->IsPlaying());
    EXPECT_EQ(dx->Run(), S_OK);
    EXPECT_TRUE(dx->IsPlaying());
    EXPECT_EQ(dx->Pause(), S_OK);
    EXPECT_FALSE(dx->IsPlaying());
    EXPECT_EQ(dx->GraphState(), gsPaused);
    EXPECT_EQ(dx->Stop(), S_OK);
    EXPECT_FALSE(dx->IsPlaying());

    ASSERT_EQ(dx->Run(), S_OK);
    dx->StopAndRewind();
    EXPECT_TRUE(dx->IsPlaying());
    EXPECT_EQ(dx->GraphState(), gsStopped);
}

TEST_F(DXShowTest, FailedControlOperationReturnsItsCodeAndKeepsTheState) {
    auto dx = Create();
    ASSERT_EQ(dx->Run(), S_OK);
    {
        const ScopedFault fault("IMediaControl::Stop", VFW_E_WRONG_STATE);
        EXPECT_EQ(dx->Stop(), VFW_E_WRONG_STATE);
    }
    EXPECT_TRUE(dx->IsPlaying());
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowTest, FailingStateQueryAnswersErrorWhileRecordedStateStays) {
    auto dx = Create();
    ASSERT_EQ(dx->Run(), S_OK);
    const ScopedFault fault("IMediaControl::GetState", E_FAIL);
    EXPECT_EQ(dx->GraphState(), gsError);
    EXPECT_TRUE(dx->IsPlaying());
}

TEST_F(DXShowTest, StopAndRewindSeeksToTheStartPosition) {
    auto dx = Create();
    dx->SetStartPosition(2 * kSecond);
    ASSERT_EQ(dx->Run(), S_OK);
    dx->SetPosition(9 * kSecond);
    dx->StopAndRewind();
    EXPECT_DOUBLE_EQ(dx->GetPosition(), 2 * kSecond);
}

// Teardown.

TEST_F(DXShowTest, TearDownEmptiesGraphListAndPositions) {
    std::vector<TDateTime> positions;
    auto dx = Create();
    AddRenderedSource(*dx);
    dx->SetStartPosition(3 * kSecond);
    dx->SetStopPosition(4 * kSecond);
    dx->SetFileName(u"clip.avi");
    dx->UpdateRecentFilters();
    ASSERT_EQ(TDXShow::RecentFilters().Count(), 2);
    ASSERT_EQ(dx->Run(), S_OK);
    dx->SetOnPositionChanged([&](TComponent&, TDateTime time) { positions.push_back(time); });

    dx->TearDownGraph();

    EXPECT_EQ(positions, (std::vector<TDateTime>{0}));
    EXPECT_FALSE(dx->IsPlaying());
    EXPECT_EQ(dx->GraphState(), gsStopped);
    EXPECT_EQ(TDXShow::RecentFilters().Count(), 0);
    EXPECT_EQ(dx->FileName(), u"");
    EXPECT_EQ(dx->StartPosition(), 0);
    EXPECT_EQ(dx->StopPosition(), 0);
    ComPtr<IEnumFilters> filters;
    ASSERT_EQ(dx->Graph()->EnumFilters(filters.GetAddressOf()), S_OK);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(filters->Next(1, filter.GetAddressOf(), nullptr), S_FALSE);
    // The same component renders again.
    AddRenderedSource(*dx);
    EXPECT_EQ(dx->Run(), S_OK);
}

TEST_F(DXShowTest, TearDownEndsWhenFiltersRefuseToLeave) {
    auto dx = Create();
    AddRenderedSource(*dx);
    dx->SetFileName(u"clip.avi");
    const ScopedFault fault("IFilterGraph::RemoveFilter", E_FAIL);
    dx->TearDownGraph();
    EXPECT_EQ(dx->FileName(), u"");
}

TEST_F(DXShowTest, RecentFiltersNameRegisteredClassesByFriendlyName) {
    Registry::Instance().RegisterFilter(CLSID_LegacyAmFilterCategory, kRendererClsid,
                                        u"Registered Renderer", u"");
    auto dx = Create();
    AddRenderedSource(*dx);
    dx->UpdateRecentFilters();
    // The graph enumerates the most recently added filter first.
    EXPECT_EQ(TDXShow::RecentFilters().Text(), u"Registered Renderer\r\nSource\r\n");
}

TEST_F(DXShowTest, InsertFilterByDisplayNameAddsTheBoundFilter) {
    const ScopedClassRegistration registered(kRendererClsid, FactoryFor<WindowedRenderer>());
    auto dx = Create();
    const ComPtr<IBaseFilter> filter = dx->InsertFilterByDisplayName(
        u"@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}\\" + GuidToU16String(kRendererClsid),
        u"Inserted");
    ASSERT_TRUE(filter);
    ComPtr<IBaseFilter> found;
    EXPECT_EQ(dx->Graph()->FindFilterByName(u"Inserted", found.GetAddressOf()), S_OK);
    EXPECT_EQ(found.Get(), filter.Get());

    EXPECT_FALSE(dx->InsertFilterByDisplayName(u"@device:pnp:\\\\?\\nothing", u"None"));
    EXPECT_EQ(dx->Graph()->FindFilterByName(u"None", found.ReleaseAndGetAddressOf()),
              VFW_E_NOT_FOUND);
    EXPECT_TRUE(errors.empty());
}

// Reports.

TEST_F(DXShowTest, RaiseErrorGivesOnErrorAndTheExceptionTheSameText) {
    auto dx = Create();
    try {
        dx->RaiseError(E_FAIL, u"Could not create the filter graph manager");
        FAIL() << "RaiseError returned";
    } catch (const EDShowError& error) {
        const std::u16string text =
            Formatted(u"Could not create the filter graph manager", E_FAIL, u"80004005");
        EXPECT_EQ(error.Message(), text);
        EXPECT_EQ(error.HResult(), E_FAIL);
        EXPECT_EQ(errors, (std::vector<Report>{{E_FAIL, text}}));
    }
}

TEST_F(DXShowTest, ReportErrorFormatsUnlessCodeIsZeroWithAMessage) {
    auto dx = Create();
    dx->ReportError(0, u"plain words");
    dx->ReportError(0, u"");
    dx->ReportError(E_FAIL, u"");
    EXPECT_EQ(errors, (std::vector<Report>{{0, u"plain words"},
                                           {0, GetDSErrorText(0) + u" ($0)."},
                                           {E_FAIL, GetDSErrorText(E_FAIL) + u" ($80004005)."}}));
}

TEST_F(DXShowTest, PlatformTextWithPercentSignPassesUnchanged) {
    auto dx = Create();
    ASSERT_NE(GetDSErrorText(STG_E_FILENOTFOUND).find(u'%'), std::u16string::npos);
    dx->ReportError(STG_E_FILENOTFOUND, u"Open");
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0].text, u"Open Reason: %1 could not be found. ($80030002).");
}

TEST_F(DXShowTest, LogMsgFiresOnlyWhenAssigned) {
    auto dx = Create();
    dx->LogMsg(S_FALSE, u"first");
    dx->SetOnInfoMsg({});
    dx->LogMsg(S_OK, u"second");
    EXPECT_EQ(infos, (std::vector<Report>{{S_FALSE, u"LogMsg: first"}}));
    EXPECT_TRUE(errors.empty());
}

// Time conversion.

TEST(DXShowTime, SecondsAndMediaTimeConvert) {
    EXPECT_EQ(TimeToMediaTime(kSecond), 10000000);
    EXPECT_DOUBLE_EQ(MediaTimeToTime(5000000), 0.5 / 86400);
    EXPECT_EQ(TimeToMediaTime(-kSecond), -10000000);
}

TEST(DXShowTime, DaysBeyondTheMediaTimeRangeAreClamped) {
    EXPECT_EQ(TimeToMediaTime(1e300), std::numeric_limits<LONGLONG>::max());
    EXPECT_EQ(TimeToMediaTime(-1e300), std::numeric_limits<LONGLONG>::min());
    EXPECT_EQ(TimeToMediaTime(std::nan("")), 0);
}

}  // namespace
}  // namespace capspect::test
