#include "platform/directshow/audio_filters.h"

#include <algorithm>

#include "platform/directshow/standard_filters.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/dshow/codecs.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

namespace {

constexpr LONG kSilence = -10000;
constexpr LONG kFullVolume = 0;
constexpr LONG kBalanceLimit = 10000;
// The platform registers its MPEG audio decoder well above MERIT_PREFERRED.
constexpr DWORD kMpegAudioDecoderMerit = 0x03680001;
// The smallest block that describes PCM (WAVEFORMAT plus the sample size).
constexpr ULONG kSmallestWaveFormat = 16;

std::vector<MediaType> AudioPatterns(const std::vector<GUID>& subtypes) {
    std::vector<MediaType> patterns;
    for (const GUID& subtype : subtypes) {
        patterns.emplace_back(MEDIATYPE_Audio, subtype);
    }
    return patterns;
}

bool HasWaveFormat(const AM_MEDIA_TYPE& mediaType) {
    return mediaType.formattype == FORMAT_WaveFormatEx && mediaType.pbFormat != nullptr &&
           mediaType.cbFormat >= kSmallestWaveFormat;
}

WAVEFORMATEX PcmFormat(WORD channels, DWORD samplesPerSecond) {
    constexpr WORD kBitsPerSample = 16;
    const auto blockAlign = static_cast<WORD>(channels * kBitsPerSample / 8);
    return WAVEFORMATEX{
        1, channels, samplesPerSecond, samplesPerSecond * blockAlign, blockAlign, kBitsPerSample,
        0};
}

// An input that takes PCM with a format block: the DirectSound renderer's.
class PcmInputPin final : public Pin {
public:
    explicit PcmInputPin(Filter& filter)
        : Pin(filter, PINDIR_INPUT, u"Audio Input pin (rendered)",
              AudioPatterns({MEDIASUBTYPE_PCM})) {}

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) const override {
        if (mediaType.majortype != MEDIATYPE_Audio || mediaType.subtype != MEDIASUBTYPE_PCM ||
            !HasWaveFormat(mediaType)) {
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
        return S_OK;
    }
};

}  // namespace

WAVEFORMATEX TypicalPcmFormat() {
    return PcmFormat(2, 44100);
}

WaveParser::WaveParser()
    : SplitterFilter(CLSID_WAVEParser, {MEDIASUBTYPE_WAVE},
                     {{u"output", MediaType::Audio(MEDIASUBTYPE_PCM, TypicalPcmFormat())}}) {}

// ---- Audio decoders ------------------------------------------------------------------------

class AudioDecoderFilter::InputPin final : public Pin {
public:
    InputPin(Filter& filter, std::vector<GUID> subtypes)
        : Pin(filter, PINDIR_INPUT, u"XForm In", AudioPatterns(subtypes)),
          subtypes_(std::move(subtypes)) {}

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) const override {
        const bool known =
            std::find(subtypes_.begin(), subtypes_.end(), mediaType.subtype) != subtypes_.end();
        if (mediaType.majortype != MEDIATYPE_Audio || !known || !HasWaveFormat(mediaType)) {
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
        return S_OK;
    }
    HRESULT CompleteConnect(IPin* /*peer*/) override {
        static_cast<AudioDecoderFilter&>(Owner()).OfferOutputFor(ConnectionType().Get());
        return S_OK;
    }
    void BreakConnect() override { static_cast<AudioDecoderFilter&>(Owner()).WithdrawOutput(); }

private:
    std::vector<GUID> subtypes_;
};

AudioDecoderFilter::AudioDecoderFilter(const CLSID& clsid, std::vector<GUID> inputSubtypes)
    : Filter(clsid) {
    AddPin<InputPin>(std::move(inputSubtypes));
    output_ = &AddOutputPin(u"XForm Out");
}

void AudioDecoderFilter::OfferOutputFor(const AM_MEDIA_TYPE& input) {
    const auto& compressed = *reinterpret_cast<const WAVEFORMATEX*>(input.pbFormat);
    output_->SetMediaTypes({MediaType::Audio(
        MEDIASUBTYPE_PCM, PcmFormat(compressed.nChannels, compressed.nSamplesPerSec))});
}

// Without an input the decoder has nothing to offer; a connected output goes with it.
void AudioDecoderFilter::WithdrawOutput() {
    if (output_->IsConnected()) {
        const ComPtr<IPin> peer = output_->Peer();
        peer->Disconnect();
        output_->Disconnect();
    }
    output_->SetMediaTypes({});
}

MpegAudioDecoder::MpegAudioDecoder()
    : AudioDecoderFilter(
          CLSID_CMpegAudioCodec,
          {MEDIASUBTYPE_MPEG1AudioPayload, MEDIASUBTYPE_MPEG1Packet, MEDIASUBTYPE_MPEG1Payload}) {}

// ---- DirectSound renderer ------------------------------------------------------------------

DSoundRenderer::DSoundRenderer()
    : WithInterfaces(CLSID_DSoundRender, AM_FILTER_MISC_FLAGS_IS_RENDERER) {
    AddPin<PcmInputPin>();
}

HRESULT DSoundRenderer::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT DSoundRenderer::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT DSoundRenderer::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT DSoundRenderer::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                               UINT*) {
    return E_NOTIMPL;
}

HRESULT DSoundRenderer::put_Volume(LONG volume) {
    if (volume < kSilence || volume > kFullVolume) {
        return E_INVALIDARG;
    }
    volume_ = volume;
    return S_OK;
}

HRESULT DSoundRenderer::get_Volume(LONG* volume) {
    if (volume == nullptr) {
        return E_POINTER;
    }
    *volume = volume_;
    return S_OK;
}

HRESULT DSoundRenderer::put_Balance(LONG balance) {
    if (balance < -kBalanceLimit || balance > kBalanceLimit) {
        return E_INVALIDARG;
    }
    balance_ = balance;
    return S_OK;
}

HRESULT DSoundRenderer::get_Balance(LONG* balance) {
    if (balance == nullptr) {
        return E_POINTER;
    }
    *balance = balance_;
    return S_OK;
}

void RegisterSimulatedAudioFilters() {
    const RegisteredMediaType pcm{MEDIATYPE_Audio, MEDIASUBTYPE_PCM};
    RegisterStandardFilter<WaveParser>(StandardFilter{CLSID_WAVEParser,
                                                      "CLSID_WAVEParser",
                                                      u"Wave Parser",
                                                      u"quartz.dll",
                                                      MERIT_UNLIKELY,
                                                      {{MEDIATYPE_Stream, MEDIASUBTYPE_WAVE}},
                                                      {pcm}});
    RegisterStandardFilter<MpegAudioDecoder>(
        StandardFilter{CLSID_CMpegAudioCodec,
                       "CLSID_CMpegAudioCodec",
                       u"MPEG Audio Decoder",
                       u"quartz.dll",
                       kMpegAudioDecoderMerit,
                       {{MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload},
                        {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Packet},
                        {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Payload}},
                       {pcm}});
    // Unlike the video renderers, the audio renderer has merit: intelligent connect adds it
    // for a PCM stream, as the platform does when it renders a file.
    RegisterStandardFilter<DSoundRenderer>(StandardFilter{CLSID_DSoundRender,
                                                          "CLSID_DSoundRender",
                                                          u"Default DirectSound Device",
                                                          u"quartz.dll",
                                                          MERIT_PREFERRED,
                                                          {pcm},
                                                          {}});
}

}  // namespace capspect::sim
