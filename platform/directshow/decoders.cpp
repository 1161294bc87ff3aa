#include "platform/directshow/decoders.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/directshow/standard_filters.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/dshow/codecs.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"

namespace capspect::sim {

namespace {

std::vector<MediaType> Patterns(const GUID& majorType, const std::vector<GUID>& subtypes) {
    std::vector<MediaType> patterns;
    for (const GUID& subtype : subtypes) {
        patterns.emplace_back(majorType, subtype);
    }
    return patterns;
}

bool Contains(const std::vector<GUID>& list, const GUID& wanted) {
    return std::find(list.begin(), list.end(), wanted) != list.end();
}

struct PixelLayout {
    WORD bitCount;
    DWORD compression;
};

// The bitmap layout of an uncompressed subtype: RGB types are BI_RGB (0) or BI_BITFIELDS
// (3), the others name their FOURCC.
PixelLayout LayoutOf(const GUID& subtype) {
    if (subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32) {
        return {32, 0};
    }
    if (subtype == MEDIASUBTYPE_RGB24) {
        return {24, 0};
    }
    if (subtype == MEDIASUBTYPE_RGB565) {
        return {16, 3};
    }
    if (subtype == MEDIASUBTYPE_RGB555) {
        return {16, 0};
    }
    if (subtype == MEDIASUBTYPE_RGB8) {
        return {8, 0};
    }
    const bool planar = subtype == MEDIASUBTYPE_YV12 || subtype == MEDIASUBTYPE_NV12 ||
                        subtype == MEDIASUBTYPE_I420 || subtype == MEDIASUBTYPE_IYUV;
    return {static_cast<WORD>(planar ? 12 : 16), subtype.Data1};
}

}  // namespace

MediaType UncompressedVideoType(const GUID& subtype, const VideoFormat& picture) {
    const PixelLayout layout = LayoutOf(subtype);
    VIDEOINFOHEADER header{};
    header.AvgTimePerFrame = picture.frameDuration;
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = picture.size.cx;
    header.bmiHeader.biHeight = picture.size.cy;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = layout.bitCount;
    header.bmiHeader.biCompression = layout.compression;
    header.bmiHeader.biSizeImage = static_cast<DWORD>(picture.size.cx) *
                                   static_cast<DWORD>(picture.size.cy) * layout.bitCount / 8;
    header.dwBitRate = static_cast<DWORD>(picture.frameDuration > 0
                                              ? header.bmiHeader.biSizeImage * 8ULL * 10000000ULL /
                                                    static_cast<ULONGLONG>(picture.frameDuration)
                                              : 0);
    return MediaType::Video(subtype, header);
}

// ---- Splitters ---------------------------------------------------------------------------

class SplitterFilter::InputPin final : public Pin {
public:
    InputPin(Filter& filter, const std::vector<GUID>& subtypes)
        : Pin(filter, PINDIR_INPUT, u"Input", Patterns(MEDIATYPE_Stream, subtypes)) {}

protected:
    HRESULT CompleteConnect(IPin* /*peer*/) override {
        static_cast<SplitterFilter&>(Owner()).CreateOutputs();
        return S_OK;
    }
    void BreakConnect() override { static_cast<SplitterFilter&>(Owner()).RemoveOutputs(); }
};

SplitterFilter::SplitterFilter(const CLSID& clsid, std::vector<GUID> inputSubtypes,
                               std::vector<SplitterStream> streams)
    : Filter(clsid), streams_(std::move(streams)) {
    AddPin<InputPin>(inputSubtypes);
}

void SplitterFilter::CreateOutputs() {
    for (const SplitterStream& stream : streams_) {
        AddOutputPin(stream.pinName, {stream.mediaType});
    }
}

// The outputs go with the input's connection; their own connections are broken first so
// that no downstream pin keeps a pin that is gone.
void SplitterFilter::RemoveOutputs() {
    std::vector<Pin*> outputs;
    for (const auto& pin : Pins()) {
        if (pin->Direction() == PINDIR_OUTPUT) {
            outputs.push_back(pin.get());
        }
    }
    for (Pin* output : outputs) {
        if (output->IsConnected()) {
            const ComPtr<IPin> peer = output->Peer();
            peer->Disconnect();
            output->Disconnect();
        }
        RemovePin(*output);
    }
}

std::vector<SplitterStream> TypicalMpeg1Streams() {
    MPEG1VIDEOINFO video{};
    video.hdr.rcSource = RECT{0, 0, 352, 288};
    video.hdr.rcTarget = video.hdr.rcSource;
    video.hdr.dwBitRate = 1150000;
    video.hdr.AvgTimePerFrame = 400000;
    video.hdr.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    video.hdr.bmiHeader.biWidth = 352;
    video.hdr.bmiHeader.biHeight = 288;
    // The format block reaches saved graphs byte for byte, so it is copied field by field
    // into zeroed memory: the structure's tail padding holds whatever the stack held.
    std::vector<BYTE> format(sizeof video, 0);
    std::memcpy(format.data(), &video,
                offsetof(MPEG1VIDEOINFO, bSequenceHeader) + sizeof video.bSequenceHeader);
    MediaType videoType(MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload, FORMAT_MPEGVideo, format);
    const WAVEFORMATEX audio{WAVE_FORMAT_MPEG, 2, 44100, 28000, 1, 0, 0};
    return {{u"Video", std::move(videoType)},
            {u"Audio", MediaType::Audio(MEDIASUBTYPE_MPEG1AudioPayload, audio)}};
}

std::vector<SplitterStream> TypicalDvAviStreams() {
    VIDEOINFOHEADER video{};
    video.dwBitRate = 28800000;
    video.AvgTimePerFrame = 400000;
    video.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    video.bmiHeader.biWidth = 720;
    video.bmiHeader.biHeight = 576;
    video.bmiHeader.biPlanes = 1;
    video.bmiHeader.biBitCount = 24;
    video.bmiHeader.biCompression = MakeFourCC('d', 'v', 's', 'd');
    video.bmiHeader.biSizeImage = 144000;
    const WAVEFORMATEX audio{1, 2, 48000, 192000, 4, 16, 0};
    return {{u"Stream 00", MediaType::Video(MEDIASUBTYPE_dvsd, video)},
            {u"Stream 01", MediaType::Audio(MEDIASUBTYPE_PCM, audio)}};
}

Mpeg1Splitter::Mpeg1Splitter()
    : SplitterFilter(CLSID_MPEG1Splitter,
                     {MEDIASUBTYPE_MPEG1System, MEDIASUBTYPE_MPEG1VideoCD, MEDIASUBTYPE_MPEG1Video,
                      MEDIASUBTYPE_MPEG1Audio},
                     TypicalMpeg1Streams()) {}

AviSplitter::AviSplitter()
    : SplitterFilter(CLSID_AviSplitter, {MEDIASUBTYPE_Avi}, TypicalDvAviStreams()) {}

// ---- Decoders ----------------------------------------------------------------------------

class VideoDecoderFilter::InputPin final : public Pin {
public:
    InputPin(Filter& filter, std::vector<GUID> subtypes)
        : Pin(filter, PINDIR_INPUT, u"Input", Patterns(MEDIATYPE_Video, subtypes)),
          subtypes_(std::move(subtypes)) {}

protected:
    // A compressed type the decoder knows, with a header that tells the picture.
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) const override {
        if (mediaType.majortype != MEDIATYPE_Video || !Contains(subtypes_, mediaType.subtype) ||
            !VideoFormatOf(mediaType)) {
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
        return S_OK;
    }
    HRESULT CompleteConnect(IPin* /*peer*/) override {
        static_cast<VideoDecoderFilter&>(Owner()).OfferOutputsFor(ConnectionType().Get());
        return S_OK;
    }
    void BreakConnect() override { static_cast<VideoDecoderFilter&>(Owner()).WithdrawOutputs(); }

private:
    std::vector<GUID> subtypes_;
};

VideoDecoderFilter::VideoDecoderFilter(const CLSID& clsid, std::vector<GUID> inputSubtypes,
                                       std::vector<GUID> outputSubtypes)
    : Filter(clsid), outputSubtypes_(std::move(outputSubtypes)) {
    AddPin<InputPin>(std::move(inputSubtypes));
    output_ = &AddOutputPin(u"Output");
}

void VideoDecoderFilter::OfferOutputsFor(const AM_MEDIA_TYPE& input) {
    const auto picture = VideoFormatOf(input);
    std::vector<MediaType> types;
    for (const GUID& subtype : outputSubtypes_) {
        types.push_back(UncompressedVideoType(subtype, picture.value_or(VideoFormat{})));
    }
    output_->SetMediaTypes(std::move(types));
}

// Without an input the decoder has nothing to offer; a connected output goes with it.
void VideoDecoderFilter::WithdrawOutputs() {
    if (output_->IsConnected()) {
        const ComPtr<IPin> peer = output_->Peer();
        peer->Disconnect();
        output_->Disconnect();
    }
    output_->SetMediaTypes({});
}

namespace {

const std::vector<GUID>& DecodedSubtypes() {
    static const std::vector<GUID> subtypes{MEDIASUBTYPE_YUY2,   MEDIASUBTYPE_UYVY,
                                            MEDIASUBTYPE_RGB32,  MEDIASUBTYPE_RGB24,
                                            MEDIASUBTYPE_RGB565, MEDIASUBTYPE_RGB555};
    return subtypes;
}

}  // namespace

MpegVideoDecoder::MpegVideoDecoder()
    : VideoDecoderFilter(CLSID_CMpegVideoCodec,
                         {MEDIASUBTYPE_MPEG1Packet, MEDIASUBTYPE_MPEG1Payload}, DecodedSubtypes()) {
}

DvVideoDecoder::DvVideoDecoder()
    : VideoDecoderFilter(CLSID_DVVideoCodec,
                         {MEDIASUBTYPE_dvsd, MEDIASUBTYPE_DVSD, MEDIASUBTYPE_dvsl,
                          MEDIASUBTYPE_dvhd, MEDIASUBTYPE_dv25, MEDIASUBTYPE_dv50},
                         DecodedSubtypes()) {}

}  // namespace capspect::sim

namespace capspect::sim {

void RegisterSimulatedDecoders() {
    const RegisteredMediaType mpegVideo{MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload};
    const RegisteredMediaType mpegPacket{MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Packet};
    const RegisteredMediaType mpegAudio{MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload};
    const RegisteredMediaType anyVideo{MEDIATYPE_Video, GUID_NULL};
    const RegisteredMediaType anyAudio{MEDIATYPE_Audio, GUID_NULL};

    RegisterStandardFilter<Mpeg1Splitter>(
        StandardFilter{CLSID_MPEG1Splitter,
                       "CLSID_MPEG1Splitter",
                       u"MPEG-I Stream Splitter",
                       u"quartz.dll",
                       MERIT_NORMAL,
                       {{MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1System},
                        {MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1VideoCD},
                        {MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1Video},
                        {MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1Audio}},
                       {mpegVideo, mpegAudio}});
    // The platform registers its MPEG video decoder far above MERIT_PREFERRED.
    RegisterStandardFilter<MpegVideoDecoder>(StandardFilter{CLSID_CMpegVideoCodec,
                                                            "CLSID_CMpegVideoCodec",
                                                            u"MPEG Video Decoder",
                                                            u"quartz.dll",
                                                            0x40000001,
                                                            {mpegPacket, mpegVideo},
                                                            {anyVideo}});
    RegisterStandardFilter<AviSplitter>(StandardFilter{CLSID_AviSplitter,
                                                       "CLSID_AviSplitter",
                                                       u"AVI Splitter",
                                                       u"quartz.dll",
                                                       MERIT_NORMAL,
                                                       {{MEDIATYPE_Stream, MEDIASUBTYPE_Avi}},
                                                       {anyVideo, anyAudio}});
    RegisterStandardFilter<DvVideoDecoder>(StandardFilter{CLSID_DVVideoCodec,
                                                          "CLSID_DVVideoCodec",
                                                          u"DV Video Decoder",
                                                          u"qdv.dll",
                                                          MERIT_PREFERRED,
                                                          {{MEDIATYPE_Video, MEDIASUBTYPE_dvsd},
                                                           {MEDIATYPE_Video, MEDIASUBTYPE_DVSD},
                                                           {MEDIATYPE_Video, MEDIASUBTYPE_dvsl},
                                                           {MEDIATYPE_Video, MEDIASUBTYPE_dvhd},
                                                           {MEDIATYPE_Video, MEDIASUBTYPE_dv25},
                                                           {MEDIATYPE_Video, MEDIASUBTYPE_dv50}},
                                                          {anyVideo}});
}

}  // namespace capspect::sim
