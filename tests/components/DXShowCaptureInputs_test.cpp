#include "Components/VQDirectShow/DXShowCaptureInputs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "tests/support/FakeCrossbar.h"

namespace {

using capspect::ComPtr;

using capspect::MakeComObject;
using capspect::TDXShowCaptureInput;
using capspect::TDXShowCaptureInputs;
using capspect::test::FakeCrossbar;
using RouteCall = FakeCrossbar::RouteCall;

ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

std::vector<bool> RoutedFlags(const TDXShowCaptureInputs& list) {
    std::vector<bool> flags;
    for (int i = 0; i < list.Count(); ++i) {
        flags.push_back(list.Items(i).IsRouted());
    }
    return flags;
}

class CaptureInputsTest : public ::testing::Test {
protected:
    // An analog card: tuner, composite and S-Video into the video decoder (fed from
    // S-Video), tuner audio and line audio into the audio decoder (fed from line audio).
    void BuildAnalogCard() {
        crossbar->AddInput(PhysConn_Video_Tuner, 3);
        crossbar->AddInput(PhysConn_Video_Composite, 4);
        crossbar->AddInput(PhysConn_Video_SVideo, 4);
        crossbar->AddInput(PhysConn_Audio_Tuner, 0);
        crossbar->AddInput(PhysConn_Audio_Line, 1);
        crossbar->AddOutput(PhysConn_Video_VideoDecoder, 2, {0, 1, 2});
        crossbar->AddOutput(PhysConn_Audio_AudioDecoder, 4, {3, 4});
    }

    // One input per type in `types`, no outputs, read into the list.
    void RefreshWithInputTypes(const std::vector<LONG>& types) {
        for (const LONG type : types) {
            crossbar->AddInput(static_cast<PhysicalConnectorType>(type));
        }
        list.Refresh(crossbar.Get());
        ASSERT_EQ(list.Count(), static_cast<int>(types.size()));
    }

    ComPtr<FakeCrossbar> crossbar = MakeComObject<FakeCrossbar>();
    TDXShowCaptureInputs list;
};

// --- Refresh -------------------------------------------------------------------------------

TEST_F(CaptureInputsTest, ListsEachInputWithItsTypeRelatedPinAndRoute) {
    BuildAnalogCard();
    list.Refresh(crossbar.Get());

    ASSERT_EQ(list.Count(), 5);
    const std::vector<LONG> types{PhysConn_Video_Tuner, PhysConn_Video_Composite,
                                  PhysConn_Video_SVideo, PhysConn_Audio_Tuner, PhysConn_Audio_Line};
    const std::vector<int> related{3, 4, 4, 0, 1};
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.Items(i).PinIndex(), i);
        EXPECT_EQ(list.Items(i).PinType(), types[static_cast<std::size_t>(i)]);
        EXPECT_EQ(list.Items(i).RelatedPin(), related[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(RoutedFlags(list), (std::vector<bool>{false, false, true, false, true}));
}

TEST_F(CaptureInputsTest, RoutesFromOutsideTheInputListMarkNothing) {
    crossbar->AddInput(PhysConn_Video_Composite);
    crossbar->AddInput(PhysConn_Video_SVideo);
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, 2);
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, -1);
    crossbar->AddOutput(PhysConn_Audio_AudioDecoder, -2);
    list.Refresh(crossbar.Get());

    EXPECT_EQ(RoutedFlags(list), (std::vector<bool>{false, false}));
}

TEST_F(CaptureInputsTest, OnlyADescribedOutputAnsweringPlainSuccessMarksItsInput) {
    for (int i = 0; i < 4; ++i) {
        crossbar->AddInput(PhysConn_Video_Composite);
    }
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, 0).isRoutedToResult = S_FALSE;
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, 1).isRoutedToResult = E_FAIL;
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, 2).info.result = E_FAIL;
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, 3);
    list.Refresh(crossbar.Get());

    EXPECT_EQ(RoutedFlags(list), (std::vector<bool>{false, false, false, true}));
    // An output the crossbar cannot describe is not asked for its route.
    EXPECT_EQ(crossbar->isRoutedToCalls, (std::vector<LONG>{0, 1, 3}));
}

TEST_F(CaptureInputsTest, InputThatCannotBeDescribedStaysWithoutIndex) {
    crossbar->AddInput(PhysConn_Video_Tuner, 2);
    crossbar->AddInput(PhysConn_Video_SVideo, 2).result = E_FAIL;
    FakeCrossbar::PinInfo& scribbled = crossbar->AddInput(PhysConn_Audio_Line);
    scribbled.result = E_UNEXPECTED;
    scribbled.relatedAndTypeOnFailure = {{7, PhysConn_Audio_Mic}};
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, 1);
    list.Refresh(crossbar.Get());

    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(0).PinIndex(), 0);
    // Untouched by the failed query: no type, no related pin, no index.
    EXPECT_EQ(list.Items(1).PinIndex(), -1);
    EXPECT_EQ(list.Items(1).RelatedPin(), -1);
    EXPECT_EQ(list.Items(1).PinType(), 0);
    // The route to its position is still shown.
    EXPECT_TRUE(list.Items(1).IsRouted());
    // What the crossbar wrote before failing is kept.
    EXPECT_EQ(list.Items(2).PinIndex(), -1);
    EXPECT_EQ(list.Items(2).RelatedPin(), 7);
    EXPECT_EQ(list.Items(2).PinType(), PhysConn_Audio_Mic);
}

TEST_F(CaptureInputsTest, FailingPinCountGivesAnEmptyListButKeepsTheCrossbar) {
    BuildAnalogCard();
    list.Refresh(crossbar.Get());
    crossbar->pinCountsResult = E_FAIL;
    list.Refresh(crossbar.Get());

    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.CrossBar(), crossbar.Get());
}

TEST_F(CaptureInputsTest, RefreshWithoutCrossbarEmptiesTheListAndReleasesTheOldOne) {
    BuildAnalogCard();
    const ULONG unheld = References(crossbar.Get());
    list.Refresh(crossbar.Get());
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(References(crossbar.Get()), unheld + 1);

    list.Refresh(crossbar.Get());
    EXPECT_EQ(References(crossbar.Get()), unheld + 1);

    list.Refresh(nullptr);

    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.CrossBar(), nullptr);
    EXPECT_EQ(References(crossbar.Get()), unheld);
}

// --- Connector types -----------------------------------------------------------------------

TEST_F(CaptureInputsTest, NamesEachKnownConnectorType) {
    const std::vector<std::pair<LONG, std::u16string>> names{
        {PhysConn_Video_Tuner, u"Video Tuner"},
        {PhysConn_Video_Composite, u"Video Composite"},
        {PhysConn_Video_SVideo, u"S-Video"},
        {PhysConn_Video_RGB, u"Video RGB"},
        {PhysConn_Video_YRYBY, u"Video YRYBY"},
        {PhysConn_Video_SerialDigital, u"Video Serial Digital"},
        {PhysConn_Video_ParallelDigital, u"Video Parallel Digital"},
        {PhysConn_Video_SCSI, u"Video SCSI"},
        {PhysConn_Video_AUX, u"Video AUX"},
        {PhysConn_Video_1394, u"Video 1394"},
        {PhysConn_Video_USB, u"Video USB"},
        {PhysConn_Video_VideoDecoder, u"Video Decoder"},
        {PhysConn_Video_VideoEncoder, u"Video Encoder"},
        {PhysConn_Video_Black, u"Video Black"},
        {PhysConn_Audio_Tuner, u"Audio Tuner"},
        {PhysConn_Audio_Line, u"Audio Line"},
        {PhysConn_Audio_Mic, u"Audio Microphone"},
        {PhysConn_Audio_AESDigital, u"Audio AES/EBU Digital"},
        {PhysConn_Audio_SPDIFDigital, u"Audio S/PDIF"},
        {PhysConn_Audio_SCSI, u"Audio SCSI"},
        {PhysConn_Audio_AUX, u"Audio AUX"},
        {PhysConn_Audio_1394, u"Audio 1394"},
        {PhysConn_Audio_USB, u"Audio USB"},
        {PhysConn_Audio_AudioDecoder, u"Audio Decoder"},
    };
    std::vector<LONG> types;
    for (const auto& entry : names) {
        types.push_back(entry.first);
    }
    RefreshWithInputTypes(types);

    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.Items(i).PhysicalPinName(), names[static_cast<std::size_t>(i)].second)
            << "connector type " << types[static_cast<std::size_t>(i)];
    }
}

TEST_F(CaptureInputsTest, TypesWithoutANameAreUnknown) {
    RefreshWithInputTypes({PhysConn_Video_SCART, 0, 16, 0x0FFF, 0x100A, -1, 0x7FFFFFFF});

    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.Items(i).PhysicalPinName(), u"Unknown Type")
            << "connector type " << list.Items(i).PinType();
    }
}

TEST_F(CaptureInputsTest, EveryInputIsEitherVideoOrAudioSplitAt0x1000) {
    RefreshWithInputTypes({-1, 0, PhysConn_Video_Black, 0x0FFF, PhysConn_Audio_Tuner,
                           PhysConn_Audio_AudioDecoder, 0x7FFFFFFF});
    const std::vector<bool> video{true, true, true, true, false, false, false};

    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.Items(i).IsVideoPin(), video[static_cast<std::size_t>(i)]) << i;
        EXPECT_NE(list.Items(i).IsAudioPin(), list.Items(i).IsVideoPin()) << i;
    }
}

// --- Select --------------------------------------------------------------------------------

TEST_F(CaptureInputsTest, SelectRoutesTheInputToEveryOutputThatTakesIt) {
    crossbar->AddInput(PhysConn_Video_Composite);
    crossbar->AddInput(PhysConn_Video_SVideo);
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, 0, {0, 1});
    crossbar->AddOutput(PhysConn_Video_VideoEncoder, 0, {0});
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, -1, {1});
    list.Refresh(crossbar.Get());

    EXPECT_TRUE(list.Items(1).Select());

    EXPECT_EQ(crossbar->routeCalls, (std::vector<RouteCall>{{0, 1}, {2, 1}}));
    // The list shows the routing of its last Refresh until the next one.
    EXPECT_EQ(RoutedFlags(list), (std::vector<bool>{true, false}));
    list.Refresh(crossbar.Get());
    EXPECT_EQ(RoutedFlags(list), (std::vector<bool>{true, true}));
}

TEST_F(CaptureInputsTest, SelectOfAnInputNoOutputTakesChangesNothing) {
    BuildAnalogCard();
    crossbar->AddInput(PhysConn_Video_Black);
    list.Refresh(crossbar.Get());

    EXPECT_TRUE(list.Items(5).Select());

    EXPECT_TRUE(crossbar->routeCalls.empty());
    EXPECT_EQ(crossbar->outputs[0].routedFrom, 2);
    EXPECT_EQ(crossbar->outputs[1].routedFrom, 4);
}

TEST_F(CaptureInputsTest, SelectRoutesOnlyDescribedOutputsThatAnswerPlainSuccess) {
    crossbar->AddInput(PhysConn_Video_Composite);
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, -1, {0}).canRouteResult = S_FALSE;
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, -1, {0}).canRouteResult = 2;
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, -1, {0}).canRouteResult = E_FAIL;
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, -1, {0}).info.result = E_FAIL;
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, -1, {0});
    list.Refresh(crossbar.Get());

    EXPECT_TRUE(list.Items(0).Select());

    EXPECT_EQ(crossbar->canRouteCalls, (std::vector<RouteCall>{{0, 0}, {1, 0}, {2, 0}, {4, 0}}));
    EXPECT_EQ(crossbar->routeCalls, (std::vector<RouteCall>{{4, 0}}));
}

TEST_F(CaptureInputsTest, SelectTriesEveryOutputEvenWhenRoutesAreRefused) {
    crossbar->AddInput(PhysConn_Video_Composite);
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, -1, {0});
    crossbar->AddOutput(PhysConn_Video_VideoEncoder, -1, {0});
    crossbar->routeResult = VFW_E_NOT_CONNECTED;
    list.Refresh(crossbar.Get());

    EXPECT_TRUE(list.Items(0).Select());

    EXPECT_EQ(crossbar->routeCalls, (std::vector<RouteCall>{{0, 0}, {1, 0}}));
}

TEST_F(CaptureInputsTest, SelectFailsWhenTheCrossbarCannotCountItsPins) {
    BuildAnalogCard();
    list.Refresh(crossbar.Get());
    crossbar->pinCountsResult = E_FAIL;

    EXPECT_FALSE(list.Items(0).Select());

    EXPECT_TRUE(crossbar->canRouteCalls.empty());
    EXPECT_TRUE(crossbar->routeCalls.empty());
}

TEST_F(CaptureInputsTest, SelectWithoutCrossbarAnswersFalse) {
    EXPECT_FALSE(list.Add().Select());

    BuildAnalogCard();
    list.Refresh(crossbar.Get());
    list.Refresh(nullptr);
    EXPECT_FALSE(list.Add().Select());
    EXPECT_TRUE(crossbar->canRouteCalls.empty());
}

TEST_F(CaptureInputsTest, SelectOfAnInputWithoutIndexAsksTheCrossbarNothing) {
    crossbar->AddInput(PhysConn_Video_Composite).result = E_FAIL;
    crossbar->AddOutput(PhysConn_Video_VideoDecoder, -1, {0});
    crossbar->outputs[0].canRouteResult = S_OK;  // a driver that accepts any index
    list.Refresh(crossbar.Get());
    ASSERT_EQ(list.Items(0).PinIndex(), -1);

    EXPECT_FALSE(list.Items(0).Select());

    EXPECT_TRUE(crossbar->canRouteCalls.empty());
    EXPECT_TRUE(crossbar->routeCalls.empty());
}

}  // namespace
