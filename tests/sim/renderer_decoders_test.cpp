// The standard splitters and decoders, as intelligent connect and quick start use them.
#include <gtest/gtest.h>

#include "platform/directshow/decoders.h"
#include "platform/linux/registry.h"
#include "platform/sdk/dshow/codecs.h"
#include "platform/sdk/registry.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"
#include "tests/sim/renderer_test_support.h"

namespace capspect::sim::test {
namespace {

MediaType Mpeg1VideoType(LONG width, LONG height) {
    MPEG1VIDEOINFO info{};
    info.hdr.AvgTimePerFrame = 333667;
    info.hdr.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.hdr.bmiHeader.biWidth = width;
    info.hdr.bmiHeader.biHeight = height;
    return MediaType(MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload, FORMAT_MPEGVideo,
                     std::span(reinterpret_cast<const BYTE*>(&info), sizeof info));
}

class DecoderTest : public RendererTest {
protected:
    bool InGraph(const char16_t* name) {
        ComPtr<IBaseFilter> found;
        return SUCCEEDED(graph->FindFilterByName(name, found.GetAddressOf()));
    }
};

// Saved graphs carry this format block byte for byte; found as two saves of the same graph
// that differed in the bytes behind the (empty) sequence header.
TEST(TypicalStreams, MpegVideoFormatBlockHoldsNothingBehindTheSequenceHeader) {
    const std::vector<SplitterStream> streams = TypicalMpeg1Streams();
    const AM_MEDIA_TYPE& type = streams.at(0).mediaType.Get();
    ASSERT_EQ(type.formattype, FORMAT_MPEGVideo);
    ASSERT_EQ(type.cbFormat, sizeof(MPEG1VIDEOINFO));
    const std::size_t used = offsetof(MPEG1VIDEOINFO, bSequenceHeader) + 1;
    const std::vector<BYTE> tail(type.pbFormat + used, type.pbFormat + type.cbFormat);
    EXPECT_EQ(tail, std::vector<BYTE>(type.cbFormat - used, 0));
}

TEST_F(DecoderTest, MpegVideoRendersThroughTheMpegVideoDecoder) {
    ComPtr<IBaseFilter> renderer = AddByClass(CLSID_VideoMixingRenderer9, u"VMR9");
    auto source = Add<TypedSource>(u"Source", std::vector{Mpeg1VideoType(352, 240)});

    ASSERT_EQ(graph->Render(PinOf(*source, 0)), S_OK);

    EXPECT_TRUE(InGraph(u"MPEG Video Decoder"));
    const auto video = RendererOf<Vmr9Renderer>(renderer.Get())->InputVideo();
    ASSERT_TRUE(video);
    EXPECT_EQ(video->size, (SIZE{352, 240}));
    EXPECT_EQ(video->frameDuration, 333667);
}

TEST_F(DecoderTest, AnMpegSystemStreamIsSplitAndItsVideoDecoded) {
    ComPtr<IBaseFilter> renderer = AddByClass(CLSID_VideoMixingRenderer9, u"VMR9");
    auto source = Add<TypedSource>(u"Source", std::vector{StreamType(MEDIASUBTYPE_MPEG1System)});

    EXPECT_EQ(graph->Render(PinOf(*source, 0)), S_OK);

    EXPECT_TRUE(InGraph(u"MPEG-I Stream Splitter"));
    EXPECT_TRUE(InGraph(u"MPEG Video Decoder"));
    EXPECT_TRUE(InGraph(u"MPEG Audio Decoder"));
    EXPECT_TRUE(InGraph(u"Default DirectSound Device"));
    const auto video = RendererOf<Vmr9Renderer>(renderer.Get())->InputVideo();
    ASSERT_TRUE(video);
    EXPECT_EQ(video->size, (SIZE{352, 288}));
}

TEST_F(DecoderTest, QuickStartFiltersInTheGraphAreUsedBeforeRegisteredOnes) {
    AddByClass(CLSID_AviSplitter, u"AVI Splitter (RX-Quickstart)");
    AddByClass(CLSID_DVVideoCodec, u"DV Video Decoder (RX-Quickstart)");
    ComPtr<IBaseFilter> renderer = AddByClass(CLSID_EnhancedVideoRenderer, u"EVR");
    auto source = Add<TypedSource>(u"Source", std::vector{StreamType(MEDIASUBTYPE_Avi)});

    EXPECT_EQ(graph->Render(PinOf(*source, 0)), S_OK);

    EXPECT_FALSE(InGraph(u"AVI Splitter"));
    EXPECT_FALSE(InGraph(u"DV Video Decoder"));
    ComPtr<IBaseFilter> decoder;
    ASSERT_EQ(graph->FindFilterByName(u"DV Video Decoder (RX-Quickstart)", decoder.GetAddressOf()),
              S_OK);
    EXPECT_TRUE(SUCCEEDED(
        FirstPin(decoder.Get(), PINDIR_OUTPUT)
            ->ConnectedTo(FirstPin(renderer.Get(), PINDIR_INPUT).ReleaseAndGetAddressOf())));
    const auto video = RendererOf<EvrRenderer>(renderer.Get())->InputVideo();
    ASSERT_TRUE(video);
    EXPECT_EQ(video->size, (SIZE{720, 576}));
}

TEST_F(DecoderTest, ASplittersOutputsGoWithItsInputConnection) {
    ComPtr<IBaseFilter> splitter = AddByClass(CLSID_MPEG1Splitter, u"Splitter");
    ComPtr<IBaseFilter> decoder = AddByClass(CLSID_CMpegVideoCodec, u"Decoder");
    auto source = Add<TypedSource>(u"Source", std::vector{StreamType(MEDIASUBTYPE_MPEG1VideoCD)});
    EXPECT_EQ(FirstPin(splitter.Get(), PINDIR_OUTPUT), nullptr);

    ASSERT_EQ(ConnectSource(*source, splitter.Get()), S_OK);
    ComPtr<IPin> video;
    ASSERT_EQ(splitter->FindPin(u"Video", video.GetAddressOf()), S_OK);
    ComPtr<IPin> audio;
    EXPECT_EQ(splitter->FindPin(u"Audio", audio.GetAddressOf()), S_OK);
    ComPtr<IPin> decoderInput = FirstPin(decoder.Get(), PINDIR_INPUT);
    ASSERT_EQ(graph->ConnectDirect(video.Get(), decoderInput.Get(), nullptr), S_OK);

    ASSERT_EQ(graph->Disconnect(PinOf(*source, 0)), S_OK);
    ASSERT_EQ(graph->Disconnect(FirstPin(splitter.Get(), PINDIR_INPUT).Get()), S_OK);
    EXPECT_EQ(FirstPin(splitter.Get(), PINDIR_OUTPUT), nullptr);
    ComPtr<IPin> peer;
    EXPECT_EQ(decoderInput->ConnectedTo(peer.GetAddressOf()), VFW_E_NOT_CONNECTED);
}

TEST_F(DecoderTest, ADecoderOffersNothingUntilItsInputIsConnected) {
    ComPtr<IBaseFilter> decoder = AddByClass(CLSID_DVVideoCodec, u"Decoder");
    ComPtr<IBaseFilter> renderer = AddByClass(CLSID_VideoRenderer, u"Renderer");
    ComPtr<IPin> output = FirstPin(decoder.Get(), PINDIR_OUTPUT);
    ComPtr<IPin> rendererInput = FirstPin(renderer.Get(), PINDIR_INPUT);
    EXPECT_EQ(graph->ConnectDirect(output.Get(), rendererInput.Get(), nullptr),
              VFW_E_NO_ACCEPTABLE_TYPES);

    auto source = Add<TypedSource>(u"Source", std::vector{TypicalDvAviStreams().front().mediaType});
    ASSERT_EQ(ConnectSource(*source, decoder.Get()), S_OK);
    ASSERT_EQ(graph->ConnectDirect(output.Get(), rendererInput.Get(), nullptr), S_OK);
    MediaType connection;
    ASSERT_EQ(output->ConnectionMediaType(connection.Receive()), S_OK);
    EXPECT_EQ(connection->subtype, MEDIASUBTYPE_YUY2);
    const auto* header = connection.FormatAs<VIDEOINFOHEADER>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->bmiHeader.biSizeImage, 720U * 576U * 2U);
}

TEST_F(DecoderTest, TheRegistryNamesTheFiltersAndTheirFiles) {
    const auto filters = Registry::Instance().FiltersInCategory(CLSID_LegacyAmFilterCategory);
    const auto nameOf = [&](const CLSID& clsid) {
        const auto found = std::find_if(filters.begin(), filters.end(),
                                        [&](const auto& filter) { return filter.clsid == clsid; });
        return found != filters.end() ? found->friendlyName : std::u16string(u"(missing)");
    };
    EXPECT_EQ(nameOf(CLSID_DVVideoCodec), u"DV Video Decoder");
    EXPECT_EQ(nameOf(CLSID_MPEG1Splitter), u"MPEG-I Stream Splitter");
    EXPECT_EQ(nameOf(CLSID_VideoMixingRenderer9), u"Video Mixing Renderer 9");

    const std::u16string key =
        u"CLSID\\" + GuidToU16String(CLSID_DVVideoCodec) + u"\\InprocServer32";
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS);
    char16_t file[32] = {};
    DWORD size = sizeof file;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(opened, u"", nullptr, &type, reinterpret_cast<BYTE*>(file), &size),
              ERROR_SUCCESS);
    RegCloseKey(opened);
    EXPECT_EQ(std::u16string(file), u"qdv.dll");
}

}  // namespace
}  // namespace capspect::sim::test
