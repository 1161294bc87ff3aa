#include "platform/directshow/file_source.h"

#include "platform/directshow/audio_filters.h"
#include "platform/directshow/filter_registry.h"
#include "platform/directshow/standard_filters.h"
#include "platform/sdk/dshow/capture.h"

namespace capspect::sim {

namespace {

constexpr DWORD kSeekingCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                                       AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                                       AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

bool IsMediaTime(const GUID* format) {
    return format == nullptr || *format == TIME_FORMAT_MEDIA_TIME;
}

// The graph manager's choice of source filter: the file source for the kinds it knows.
std::optional<HRESULT> ResolveFileSource(std::u16string_view file, CLSID* sourceClsid) {
    std::optional<MediaFileFacts> facts;
    if (const HRESULT hr = InspectMediaFile(file, facts); FAILED(hr)) {
        return hr;
    }
    if (!facts) {
        return std::nullopt;
    }
    *sourceClsid = CLSID_AsyncReader;
    return S_OK;
}

}  // namespace

FileSourceFilter::FileSourceFilter()
    : WithInterfaces(CLSID_AsyncReader, AM_FILTER_MISC_FLAGS_IS_SOURCE) {}

HRESULT FileSourceFilter::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* /*mediaType*/) {
    if (fileName == nullptr) {
        return E_POINTER;
    }
    if (file_) {
        return E_UNEXPECTED;
    }
    std::optional<MediaFileFacts> facts;
    if (const HRESULT hr = InspectMediaFile(fileName, facts); FAILED(hr)) {
        return hr;
    }
    file_ = fileName;
    duration_ = facts ? facts->duration : std::nullopt;
    AddOutputPin(u"Output",
                 {MediaType(MEDIATYPE_Stream, facts ? facts->subtype : GUID_NULL, FORMAT_None)});
    return S_OK;
}

HRESULT FileSourceFilter::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) {
    if (fileName == nullptr) {
        return E_POINTER;
    }
    *fileName = nullptr;
    if (!file_) {
        return S_OK;
    }
    *fileName = CoTaskMemString(*file_);
    if (*fileName == nullptr) {
        return E_OUTOFMEMORY;
    }
    if (mediaType != nullptr) {
        const HRESULT hr = Pins().front()->MediaTypes().front().CopyTo(mediaType);
        if (FAILED(hr)) {
            CoTaskMemFree(*fileName);
            *fileName = nullptr;
            return hr;
        }
    }
    return S_OK;
}

HRESULT FileSourceFilter::GetCapabilities(DWORD* capabilities) {
    if (capabilities == nullptr) {
        return E_POINTER;
    }
    *capabilities = kSeekingCapabilities;
    return S_OK;
}

HRESULT FileSourceFilter::CheckCapabilities(DWORD* capabilities) {
    if (capabilities == nullptr) {
        return E_POINTER;
    }
    const DWORD asked = *capabilities;
    *capabilities &= kSeekingCapabilities;
    if (*capabilities == asked) {
        return S_OK;
    }
    return *capabilities != 0 ? S_FALSE : E_FAIL;
}

HRESULT FileSourceFilter::IsFormatSupported(const GUID* format) {
    if (format == nullptr) {
        return E_POINTER;
    }
    return IsMediaTime(format) ? S_OK : S_FALSE;
}

HRESULT FileSourceFilter::QueryPreferredFormat(GUID* format) {
    if (format == nullptr) {
        return E_POINTER;
    }
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT FileSourceFilter::GetTimeFormat(GUID* format) {
    return QueryPreferredFormat(format);
}

HRESULT FileSourceFilter::IsUsingTimeFormat(const GUID* format) {
    return IsFormatSupported(format);
}

HRESULT FileSourceFilter::SetTimeFormat(const GUID* format) {
    if (format == nullptr) {
        return E_POINTER;
    }
    return IsMediaTime(format) ? S_OK : E_INVALIDARG;
}

HRESULT FileSourceFilter::GetDuration(LONGLONG* duration) {
    if (duration == nullptr) {
        return E_POINTER;
    }
    if (!duration_) {
        return E_NOTIMPL;
    }
    *duration = *duration_;
    return S_OK;
}

HRESULT FileSourceFilter::GetStopPosition(LONGLONG* stop) {
    if (stop == nullptr) {
        return E_POINTER;
    }
    if (stop_) {
        *stop = *stop_;
        return S_OK;
    }
    return GetDuration(stop);
}

HRESULT FileSourceFilter::GetCurrentPosition(LONGLONG* current) {
    if (current == nullptr) {
        return E_POINTER;
    }
    *current = current_;
    return S_OK;
}

HRESULT FileSourceFilter::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                            LONGLONG source, const GUID* sourceFormat) {
    if (target == nullptr) {
        return E_POINTER;
    }
    if (!IsMediaTime(targetFormat) || !IsMediaTime(sourceFormat)) {
        return E_INVALIDARG;
    }
    *target = source;
    return S_OK;
}

// The graph manager passes absolute positions on; relative ones count from where the
// stream is.
HRESULT FileSourceFilter::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                       DWORD stopFlags) {
    const DWORD currentMove = currentFlags & AM_SEEKING_PositioningBitsMask;
    const DWORD stopMove = stopFlags & AM_SEEKING_PositioningBitsMask;
    if ((currentMove != 0 && current == nullptr) || (stopMove != 0 && stop == nullptr)) {
        return E_POINTER;
    }
    LONGLONG newCurrent = current_;
    if (currentMove != 0) {
        newCurrent = currentMove == AM_SEEKING_AbsolutePositioning ? *current : current_ + *current;
    }
    std::optional<LONGLONG> newStop = stop_;
    if (stopMove != 0) {
        LONGLONG oldStop = 0;
        GetStopPosition(&oldStop);
        newStop = stopMove == AM_SEEKING_AbsolutePositioning ? *stop : oldStop + *stop;
    }
    if (newCurrent < 0 || newStop.value_or(0) < 0) {
        return E_INVALIDARG;
    }
    current_ = newCurrent;
    stop_ = newStop;
    return S_OK;
}

HRESULT FileSourceFilter::GetPositions(LONGLONG* current, LONGLONG* stop) {
    if (current == nullptr || stop == nullptr) {
        return E_POINTER;
    }
    *current = current_;
    return GetStopPosition(stop);
}

HRESULT FileSourceFilter::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
    if (earliest == nullptr || latest == nullptr) {
        return E_POINTER;
    }
    *earliest = 0;
    return GetDuration(latest);
}

HRESULT FileSourceFilter::SetRate(double rate) {
    if (!(rate > 0.0)) {
        return E_INVALIDARG;
    }
    rate_ = rate;
    return S_OK;
}

HRESULT FileSourceFilter::GetRate(double* rate) {
    if (rate == nullptr) {
        return E_POINTER;
    }
    *rate = rate_;
    return S_OK;
}

HRESULT FileSourceFilter::GetPreroll(LONGLONG* preroll) {
    if (preroll == nullptr) {
        return E_POINTER;
    }
    *preroll = 0;
    return S_OK;
}

void RegisterSimulatedFilePlayback() {
    // The source has no inputs, so intelligent connect never picks it.
    RegisterStandardFilter<FileSourceFilter>(StandardFilter{CLSID_AsyncReader,
                                                            "CLSID_AsyncReader",
                                                            u"File Source (Async.)",
                                                            u"quartz.dll",
                                                            MERIT_UNLIKELY,
                                                            {},
                                                            {{MEDIATYPE_Stream, GUID_NULL}}});
    RegisterSimulatedAudioFilters();
    static int resolverId = 0;
    if (resolverId != 0) {
        FilterRegistry::Instance().RemoveSourceResolver(resolverId);
    }
    resolverId = FilterRegistry::Instance().AddSourceResolver(ResolveFileSource);
}

}  // namespace capspect::sim
