// The audio side of file playback in the simulated platform: the Wave Parser, the MPEG
// Audio Decoder and the DirectSound renderer with its volume and balance. No samples flow;
// the filters only take part in building and controlling graphs.
#pragma once

#include <string>
#include <vector>

#include "platform/directshow/decoders.h"
#include "platform/directshow/filter.h"
#include "platform/directshow/interfaces.h"
#include "platform/sdk/dshow/control.h"

namespace capspect::sim {

// 44.1 kHz, 16-bit stereo PCM: what a typical WAVE file carries.
WAVEFORMATEX TypicalPcmFormat();

// The Wave Parser: a WAVE byte stream in, one PCM stream out.
class WaveParser final : public SplitterFilter {
public:
    WaveParser();
};

// An audio decoder: a MEDIATYPE_Audio input of the given subtypes; its output offers
// 16-bit PCM of the input's sample rate and channels while the input is connected.
class AudioDecoderFilter : public Filter {
public:
    AudioDecoderFilter(const CLSID& clsid, std::vector<GUID> inputSubtypes);

private:
    class InputPin;
    void OfferOutputFor(const AM_MEDIA_TYPE& input);
    void WithdrawOutput();

    Pin* output_ = nullptr;
};

class MpegAudioDecoder final : public AudioDecoderFilter {
public:
    MpegAudioDecoder();
};

// The DirectSound renderer: one PCM input. IBasicAudio keeps the volume (-10000 to 0,
// hundredths of a decibel) and the balance (-10000 to 10000); values outside answer
// E_INVALIDARG, as on the platform.
class DSoundRenderer final : public WithInterfaces<Filter, IBasicAudio> {
public:
    DSoundRenderer();

    // IDispatch (no type information)
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IBasicAudio
    HRESULT put_Volume(LONG volume) override;
    HRESULT get_Volume(LONG* volume) override;
    HRESULT put_Balance(LONG balance) override;
    HRESULT get_Balance(LONG* balance) override;

private:
    LONG volume_ = 0;
    LONG balance_ = 0;
};

// Registers the three classes, their filter mapper entries and registry keys.
void RegisterSimulatedAudioFilters();

}  // namespace capspect::sim
