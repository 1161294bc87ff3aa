// The simulated File Source (Async.): the source filter the graph manager adds for a media
// file. It offers the file as one byte stream of the file's kind (AVI, MPEG-1 system or
// WAVE, so that the matching splitter takes it) and seeks over the file's playing time.
// It also registers the filters a played file needs beyond the standard splitters and
// decoders: the Wave Parser, the MPEG Audio Decoder and the DirectSound renderer.
#pragma once

#include <optional>
#include <string>

#include "platform/directshow/filter.h"
#include "platform/directshow/interfaces.h"
#include "platform/directshow/media_file.h"
#include "platform/sdk/dshow/control.h"

namespace capspect::sim {

// Before Load the filter has no pins. A loaded file of an unknown kind is offered as a
// stream of subtype GUID_NULL, which no splitter takes. Seeking answers E_NOTIMPL for the
// duration when the file's headers do not tell it.
class FileSourceFilter final : public WithInterfaces<Filter, IFileSourceFilter, IMediaSeeking> {
public:
    FileSourceFilter();

    // IFileSourceFilter: a second Load answers E_UNEXPECTED.
    HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) override;

    // IMediaSeeking, in media time only.
    HRESULT GetCapabilities(DWORD* capabilities) override;
    HRESULT CheckCapabilities(DWORD* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetStopPosition(LONGLONG* stop) override;
    HRESULT GetCurrentPosition(LONGLONG* current) override;
    HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                              const GUID* sourceFormat) override;
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                         DWORD stopFlags) override;
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    // Only forward playing is simulated: a rate of 0 or below answers E_INVALIDARG.
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(LONGLONG* preroll) override;

private:
    std::optional<std::u16string> file_;
    std::optional<LONGLONG> duration_;
    LONGLONG current_ = 0;
    std::optional<LONGLONG> stop_;
    double rate_ = 1.0;
};

// Registers the File Source (Async.), the audio filters and the graph manager's resolver
// that picks the file source for AVI, MPEG-1 system and WAVE files. Registering again
// replaces the earlier registration.
void RegisterSimulatedFilePlayback();

}  // namespace capspect::sim
