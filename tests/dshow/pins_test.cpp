// Pin look-up and matching, connecting filters and removing unconnected ones, against the
// simulated graph manager.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dshow/DShowUtil.h"
#include "framework/Exceptions.h"
#include "platform/directshow/filter_registry.h"
#include "platform/linux/com.h"
#include "platform/support/faults.h"
#include "platform/linux/registry.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "tests/dshow/dshow_fixtures.h"

namespace capspect::dshow_test {
namespace {

using sim::test::SourceFilter;
using sim::test::TransformFilter;
using sim::test::VideoRenderer;
using ::testing::UnorderedElementsAre;

using PinQueryTest = GraphTest;

TEST_F(PinQueryTest, IsPinConnectedAnswersBothStatesAndPassesOtherFailuresOn) {
    auto source = Add<SourceFilter>(u"Source");
    auto decoder = Add<TransformFilter>(u"Decoder");
    bool connected = true;
    EXPECT_EQ(IsPinConnected(PinOf(*source, 0), &connected), S_OK);
    EXPECT_FALSE(connected);

    ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*decoder, 0), nullptr), S_OK);
    EXPECT_EQ(IsPinConnected(PinOf(*source, 0), &connected), S_OK);
    EXPECT_TRUE(connected);

    const ScopedFault fault("IPin::ConnectedTo", E_UNEXPECTED);
    connected = false;
    EXPECT_EQ(IsPinConnected(PinOf(*source, 0), &connected), E_UNEXPECTED);
    EXPECT_FALSE(connected);
    EXPECT_EQ(IsPinConnected(nullptr, &connected), E_POINTER);
    EXPECT_EQ(IsPinConnected(PinOf(*source, 0), nullptr), E_POINTER);
}

TEST_F(PinQueryTest, IsPinDirectionComparesTheDirection) {
    auto filter = MakeComObject<ThreePinFilter>();
    bool matches = false;
    EXPECT_EQ(IsPinDirection(PinOf(*filter, 1), PINDIR_OUTPUT, &matches), S_OK);
    EXPECT_TRUE(matches);
    EXPECT_EQ(IsPinDirection(PinOf(*filter, 0), PINDIR_OUTPUT, &matches), S_OK);
    EXPECT_FALSE(matches);
    EXPECT_EQ(IsPinDirection(nullptr, PINDIR_INPUT, &matches), E_POINTER);
}

TEST_F(PinQueryTest, FindMatchingPinReturnsTheFirstAcceptedPinOrNotFound) {
    auto pinless = MakeComObject<PinlessFilter>();
    ComPtr<IPin> pin;
    EXPECT_EQ(FindMatchingPin(pinless.Get(), TMatchPinConnection::Create(false).Get(),
                              pin.GetAddressOf()),
              VFW_E_NOT_FOUND);
    EXPECT_EQ(pin, nullptr);

    auto source = Add<SourceFilter>(u"Source");
    auto decoder = Add<TransformFilter>(u"Decoder");
    ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*decoder, 0), nullptr), S_OK);
    // The decoder's input is connected, its output is not.
    EXPECT_EQ(FindMatchingPin(decoder.Get(), TMatchPinConnection::Create(false).Get(),
                              pin.GetAddressOf()),
              S_OK);
    EXPECT_EQ(pin.Get(), PinOf(*decoder, 1));
    pin = nullptr;
    EXPECT_EQ(
        FindMatchingPin(decoder.Get(), TMatchPinConnection::Create(true).Get(), pin.GetAddressOf()),
        S_OK);
    EXPECT_EQ(pin.Get(), PinOf(*decoder, 0));
}

TEST_F(PinQueryTest, FindMatchingPinEndsWithNotFoundWhenThePredicateFails) {
    auto source = Add<SourceFilter>(u"Source");
    ComPtr<IPin> pin;
    {
        const ScopedFault fault("IPin::ConnectedTo", E_UNEXPECTED);
        EXPECT_EQ(FindMatchingPin(source.Get(), TMatchPinConnection::Create(false).Get(),
                                  pin.GetAddressOf()),
                  VFW_E_NOT_FOUND);
    }
    EXPECT_EQ(pin, nullptr);
    const ScopedFault fault("IBaseFilter::EnumPins", E_OUTOFMEMORY);
    EXPECT_EQ(
        FindMatchingPin(source.Get(), TMatchPinConnection::Create(false).Get(), pin.GetAddressOf()),
        E_OUTOFMEMORY);
}

TEST_F(PinQueryTest, MatcherAssertsAnOutParameter) {
    auto source = MakeComObject<SourceFilter>();
    const ComPtr<IPinPred> matcher = TMatchPinConnection::Create(true);
    EXPECT_THROW(matcher->FN(PinOf(*source, 0), nullptr), EAssertionFailed);
    // Asked for anything but IUnknown, the matcher has nothing to offer.
    ComPtr<IPin> notAPin;
    EXPECT_EQ(matcher->QueryInterface(IID_IPin, reinterpret_cast<void**>(notAPin.GetAddressOf())),
              E_NOINTERFACE);
}

TEST_F(PinQueryTest, GetPinCountsOnlyPinsOfTheDirection) {
    auto filter = MakeComObject<ThreePinFilter>();
    ComPtr<IPin> pin;
    EXPECT_EQ(GetPin(filter.Get(), PINDIR_OUTPUT, 1, pin.GetAddressOf()), S_OK);
    EXPECT_EQ(pin.Get(), PinOf(*filter, 2));
    EXPECT_EQ(GetPin(filter.Get(), PINDIR_OUTPUT, 2, pin.ReleaseAndGetAddressOf()), E_FAIL);
    EXPECT_EQ(pin, nullptr);
    EXPECT_EQ(GetPin(filter.Get(), PINDIR_INPUT, 0, pin.GetAddressOf()), S_OK);
    EXPECT_EQ(pin.Get(), PinOf(*filter, 0));
    EXPECT_EQ(GetPin(filter.Get(), PINDIR_INPUT, -1, pin.ReleaseAndGetAddressOf()), E_FAIL);
    EXPECT_EQ(GetPin(nullptr, PINDIR_INPUT, 0, pin.GetAddressOf()), E_POINTER);
}

TEST_F(PinQueryTest, GetUnconnectedPinSkipsConnectedPins) {
    auto filter = Add<ThreePinFilter>(u"Three");
    auto renderer = Add<AnyVideoRenderer>(u"Renderer");
    ASSERT_EQ(graph->ConnectDirect(PinOf(*filter, 1), PinOf(*renderer, 0), nullptr), S_OK);
    ComPtr<IPin> pin;
    EXPECT_EQ(GetUnconnectedPin(filter.Get(), PINDIR_OUTPUT, pin.GetAddressOf()), S_OK);
    EXPECT_EQ(pin.Get(), PinOf(*filter, 2));
    EXPECT_EQ(GetUnconnectedPin(renderer.Get(), PINDIR_INPUT, pin.ReleaseAndGetAddressOf()),
              E_FAIL);
    EXPECT_EQ(pin, nullptr);
}

using ConnectTest = GraphTest;

TEST_F(ConnectTest, ConnectFiltersUsesIntelligentConnect) {
    const sim::ScopedFilterRegistration decoderClass(
        sim::test::Registration(sim::test::kTransformClsid, u"Decoder", MERIT_NORMAL,
                                {{MEDIATYPE_Video, MEDIASUBTYPE_YUY2}},
                                {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}}),
        FactoryFor<TransformFilter>());
    auto source = Add<SourceFilter>(u"Source");
    auto renderer = Add<VideoRenderer>(u"Renderer");

    EXPECT_EQ(ConnectFilters(graph.Get(), source.Get(), renderer.Get()), S_OK);
    EXPECT_TRUE(IsConnected(*source, 0));
    EXPECT_TRUE(IsConnected(*renderer, 0));
    EXPECT_EQ(FilterNames().size(), 3U);
}

TEST_F(ConnectTest, ConnectFiltersWithoutAFreePinConnectsNothing) {
    auto source = Add<SourceFilter>(u"Source");
    auto decoder = Add<TransformFilter>(u"Decoder");
    auto other = Add<TransformFilter>(u"Other", sim::test::kOtherTransformClsid);
    ASSERT_EQ(ConnectFilters(graph.Get(), source.Get(), decoder.Get()), S_OK);

    EXPECT_EQ(ConnectFilters(graph.Get(), source.Get(), other.Get()), E_FAIL);
    EXPECT_FALSE(IsConnected(*other, 0));
    EXPECT_EQ(ConnectFilters(graph.Get(), other.Get(), decoder.Get()), E_FAIL);
    EXPECT_FALSE(IsConnected(*other, 1));
    EXPECT_EQ(FilterNames().size(), 3U);
    EXPECT_EQ(ConnectFilters(nullptr, source.Get(), decoder.Get()), E_POINTER);
    EXPECT_EQ(ConnectPinToFilter(graph.Get(), PinOf(*other, 1), nullptr), E_POINTER);
}

using RemovalTest = GraphTest;

TEST_F(RemovalTest, DisconnectPinReleasesBothSides) {
    auto source = Add<SourceFilter>(u"Source");
    auto decoder = Add<TransformFilter>(u"Decoder");
    EXPECT_EQ(DisconnectPin(graph.Get(), PinOf(*source, 0)), S_OK);

    ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*decoder, 0), nullptr), S_OK);
    EXPECT_EQ(DisconnectPin(graph.Get(), PinOf(*decoder, 0)), S_OK);
    EXPECT_FALSE(IsConnected(*source, 0));
    EXPECT_FALSE(IsConnected(*decoder, 0));
    EXPECT_EQ(DisconnectPin(nullptr, PinOf(*source, 0)), E_POINTER);
    EXPECT_EQ(DisconnectPin(graph.Get(), nullptr), E_POINTER);
}

TEST_F(RemovalTest, DisconnectPinStopsWhenTheFirstDisconnectFails) {
    auto source = Add<SourceFilter>(u"Source");
    auto decoder = Add<TransformFilter>(u"Decoder");
    ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*decoder, 0), nullptr), S_OK);
    {
        const ScopedFault fault("IFilterGraph::Disconnect", VFW_E_NOT_STOPPED);
        EXPECT_EQ(DisconnectPin(graph.Get(), PinOf(*source, 0)), VFW_E_NOT_STOPPED);
    }
    EXPECT_TRUE(IsConnected(*source, 0));
    EXPECT_TRUE(IsConnected(*decoder, 0));
}

TEST_F(RemovalTest, RemoveUnconnectedFiltersKeepsTheConnectedChain) {
    auto source = Add<SourceFilter>(u"Source");
    auto decoder = Add<TransformFilter>(u"Decoder");
    auto renderer = Add<VideoRenderer>(u"Renderer");
    auto loose = Add<TransformFilter>(u"Loose", sim::test::kOtherTransformClsid);
    ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*decoder, 0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(*decoder, 1), PinOf(*renderer, 0), nullptr), S_OK);
    const ULONG decoderRefs = RefCount(decoder.Get());

    EXPECT_EQ(RemoveUnconnectedFilters(graph.Get()), S_OK);
    EXPECT_THAT(FilterNames(), UnorderedElementsAre(u"Source", u"Decoder", u"Renderer"));
    EXPECT_TRUE(IsConnected(*decoder, 0));
    EXPECT_TRUE(IsConnected(*decoder, 1));
    EXPECT_EQ(RefCount(decoder.Get()), decoderRefs);
    // The graph let go of the loose filter; only the test holds it now.
    EXPECT_EQ(RefCount(loose.Get()), 1U);
}

TEST_F(RemovalTest, RemoveUnconnectedFiltersEmptiesAGraphOfLooseFilters) {
    Add<SourceFilter>(u"Source");
    Add<PinlessFilter>(u"Pinless");
    Add<ThreePinFilter>(u"Three");
    EXPECT_EQ(RemoveUnconnectedFilters(graph.Get()), S_OK);
    EXPECT_TRUE(FilterNames().empty());
    EXPECT_EQ(RemoveUnconnectedFilters(nullptr), E_POINTER);
}

TEST_F(RemovalTest, RemoveUnconnectedFiltersStopsAtAFailedRemoval) {
    Add<SourceFilter>(u"Source");
    Add<PinlessFilter>(u"Pinless");
    {
        const ScopedFault fault("IFilterGraph::RemoveFilter", VFW_E_NOT_STOPPED);
        EXPECT_EQ(RemoveUnconnectedFilters(graph.Get()), VFW_E_NOT_STOPPED);
    }
    EXPECT_EQ(FilterNames().size(), 2U);
    const ScopedFault fault("IFilterGraph::EnumFilters", E_OUTOFMEMORY);
    EXPECT_EQ(RemoveUnconnectedFilters(graph.Get()), E_OUTOFMEMORY);
}

TEST_F(RemovalTest, EveryReferenceTakenIsReleased) {
    auto source = Add<SourceFilter>(u"Source");
    auto counted = Add<CountedFilter>(u"Counted");
    auto three = Add<ThreePinFilter>(u"Three");
    ASSERT_EQ(ConnectFilters(graph.Get(), source.Get(), counted.Get()), S_OK);
    const ULONG sourceRefs = RefCount(source.Get());
    const ULONG countedRefs = RefCount(counted.Get());
    const ULONG threeRefs = RefCount(three.Get());
    {
        ComPtr<IPin> pin;
        bool flag = false;
        EXPECT_EQ(GetPin(three.Get(), PINDIR_OUTPUT, 5, pin.GetAddressOf()), E_FAIL);
        EXPECT_EQ(GetUnconnectedPin(counted.Get(), PINDIR_INPUT, pin.GetAddressOf()), E_FAIL);
        EXPECT_EQ(FindMatchingPin(three.Get(), TMatchPinConnection::Create(true).Get(),
                                  pin.GetAddressOf()),
                  VFW_E_NOT_FOUND);
        EXPECT_EQ(IsPinConnected(PinOf(*counted, 0), &flag), S_OK);
        EXPECT_EQ(IsSourceFilter(three.Get(), &flag), S_OK);
        EXPECT_EQ(GetPictureAspectRatio(counted.Get()), 0.0F);
        EXPECT_EQ(ConnectFilters(graph.Get(), source.Get(), three.Get()), E_FAIL);
        EXPECT_EQ(DisconnectPin(graph.Get(), PinOf(*three, 0)), S_OK);
    }
    EXPECT_EQ(RefCount(source.Get()), sourceRefs);
    EXPECT_EQ(RefCount(counted.Get()), countedRefs);
    EXPECT_EQ(RefCount(three.Get()), threeRefs);

    EXPECT_EQ(RemoveFilterFromGraph(graph.Get(), counted.Get()), S_OK);
    EXPECT_FALSE(IsConnected(*source, 0));
    counted = nullptr;
    EXPECT_EQ(CountedFilter::live, 0);
}

}  // namespace
}  // namespace capspect::dshow_test
