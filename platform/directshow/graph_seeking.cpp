// Seeking of the graph manager, in media time (100 ns units). The graph keeps the current
// and stop positions and the rate; the duration comes from the filters that offer
// IMediaSeeking, and positions and rate are passed on to them.
#include <algorithm>

#include "platform/directshow/filter_graph.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

namespace {

bool IsMediaTime(const GUID* format) {
    return format == nullptr || *format == TIME_FORMAT_MEDIA_TIME;
}

// The new position for one half of SetPositions whose flags move it: absolute, or
// relative to `base`.
LONGLONG Positioned(LONGLONG requested, DWORD flags, LONGLONG base) {
    return (flags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning
               ? requested
               : base + requested;
}

}  // namespace

std::vector<ComPtr<IMediaSeeking>> FilterGraph::SeekableFilters() const {
    std::vector<ComPtr<IMediaSeeking>> seekable;
    for (const ComPtr<IBaseFilter>& filter : Filters()) {
        ComPtr<IMediaSeeking> seeking;
        if (SUCCEEDED(filter->QueryInterface(IID_PPV_ARGS(seeking.GetAddressOf())))) {
            seekable.push_back(seeking);
        }
    }
    return seekable;
}

std::optional<LONGLONG> FilterGraph::KnownDuration() const {
    std::optional<LONGLONG> longest;
    for (const ComPtr<IMediaSeeking>& seeking : SeekableFilters()) {
        LONGLONG duration = 0;
        if (SUCCEEDED(seeking->GetDuration(&duration))) {
            longest = std::max(longest.value_or(0), duration);
        }
    }
    return longest;
}

HRESULT FilterGraph::GetCapabilities(DWORD* capabilities) {
    if (const auto fault = InjectedFault("IMediaSeeking::GetCapabilities")) {
        return *fault;
    }
    if (capabilities == nullptr) {
        return E_POINTER;
    }
    // What every seekable filter can do; nothing when no filter can seek.
    const auto seekable = SeekableFilters();
    DWORD shared = seekable.empty() ? 0 : ~DWORD{0};
    for (const ComPtr<IMediaSeeking>& seeking : seekable) {
        DWORD own = 0;
        shared &= SUCCEEDED(seeking->GetCapabilities(&own)) ? own : 0;
    }
    *capabilities = shared;
    return S_OK;
}

HRESULT FilterGraph::CheckCapabilities(DWORD* capabilities) {
    if (capabilities == nullptr) {
        return E_POINTER;
    }
    const DWORD asked = *capabilities;
    DWORD offered = 0;
    if (const HRESULT hr = GetCapabilities(&offered); FAILED(hr)) {
        return hr;
    }
    *capabilities = asked & offered;
    if (*capabilities == asked) {
        return S_OK;
    }
    return *capabilities != 0 ? S_FALSE : E_FAIL;
}

HRESULT FilterGraph::IsFormatSupported(const GUID* format) {
    if (format == nullptr) {
        return E_POINTER;
    }
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT FilterGraph::QueryPreferredFormat(GUID* format) {
    if (format == nullptr) {
        return E_POINTER;
    }
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT FilterGraph::GetTimeFormat(GUID* format) {
    return QueryPreferredFormat(format);
}

HRESULT FilterGraph::IsUsingTimeFormat(const GUID* format) {
    return IsFormatSupported(format);
}

HRESULT FilterGraph::SetTimeFormat(const GUID* format) {
    if (const auto fault = InjectedFault("IMediaSeeking::SetTimeFormat")) {
        return *fault;
    }
    if (format == nullptr) {
        return E_POINTER;
    }
    if (state_ != State_Stopped) {
        return VFW_E_WRONG_STATE;
    }
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT FilterGraph::GetDuration(LONGLONG* duration) {
    if (const auto fault = InjectedFault("IMediaSeeking::GetDuration")) {
        return *fault;
    }
    if (duration == nullptr) {
        return E_POINTER;
    }
    const auto known = KnownDuration();
    if (!known) {
        return E_NOTIMPL;
    }
    *duration = *known;
    return S_OK;
}

HRESULT FilterGraph::GetStopPosition(LONGLONG* stop) {
    if (const auto fault = InjectedFault("IMediaSeeking::GetStopPosition")) {
        return *fault;
    }
    if (stop == nullptr) {
        return E_POINTER;
    }
    if (stopPosition_) {
        *stop = *stopPosition_;
        return S_OK;
    }
    const auto known = KnownDuration();
    if (!known) {
        return E_NOTIMPL;
    }
    *stop = *known;
    return S_OK;
}

HRESULT FilterGraph::GetCurrentPosition(LONGLONG* current) {
    if (const auto fault = InjectedFault("IMediaSeeking::GetCurrentPosition")) {
        return *fault;
    }
    if (current == nullptr) {
        return E_POINTER;
    }
    *current = currentPosition_;
    return S_OK;
}

HRESULT FilterGraph::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                       const GUID* sourceFormat) {
    if (target == nullptr) {
        return E_POINTER;
    }
    if (!IsMediaTime(targetFormat) || !IsMediaTime(sourceFormat)) {
        return E_INVALIDARG;
    }
    *target = source;
    return S_OK;
}

HRESULT FilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                  DWORD stopFlags) {
    if (const auto fault = InjectedFault("IMediaSeeking::SetPositions")) {
        return *fault;
    }
    const bool movesCurrent = (currentFlags & AM_SEEKING_PositioningBitsMask) != 0;
    const bool movesStop = (stopFlags & AM_SEEKING_PositioningBitsMask) != 0;
    if ((movesCurrent && current == nullptr) || (movesStop && stop == nullptr)) {
        return E_POINTER;
    }
    const LONGLONG newCurrent =
        movesCurrent ? Positioned(*current, currentFlags, currentPosition_) : currentPosition_;
    LONGLONG newStop = 0;
    if (movesStop) {
        // Incremental positioning counts from the new current position, relative from the
        // stop position as it was.
        LONGLONG oldStop = 0;
        GetStopPosition(&oldStop);
        const bool incremental =
            (stopFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_IncrementalPositioning;
        newStop = Positioned(*stop, stopFlags, incremental ? newCurrent : oldStop);
    }
    if (newCurrent < 0 || newStop < 0) {
        return E_INVALIDARG;
    }
    for (const ComPtr<IMediaSeeking>& seeking : SeekableFilters()) {
        LONGLONG filterCurrent = newCurrent;
        LONGLONG filterStop = newStop;
        const HRESULT hr = seeking->SetPositions(
            &filterCurrent, movesCurrent ? DWORD{AM_SEEKING_AbsolutePositioning} : 0, &filterStop,
            movesStop ? DWORD{AM_SEEKING_AbsolutePositioning} : 0);
        if (FAILED(hr) && hr != E_NOTIMPL) {
            return hr;
        }
    }
    if (movesCurrent) {
        currentPosition_ = newCurrent;
        ResetCompletion();
    }
    if (movesStop) {
        stopPosition_ = newStop;
    }
    if ((currentFlags & AM_SEEKING_ReturnTime) != 0 && current != nullptr) {
        *current = currentPosition_;
    }
    if ((stopFlags & AM_SEEKING_ReturnTime) != 0 && stop != nullptr) {
        GetStopPosition(stop);
    }
    return S_OK;
}

HRESULT FilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
    if (current == nullptr || stop == nullptr) {
        return E_POINTER;
    }
    if (const HRESULT hr = GetCurrentPosition(current); FAILED(hr)) {
        return hr;
    }
    return GetStopPosition(stop);
}

HRESULT FilterGraph::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
    if (earliest == nullptr || latest == nullptr) {
        return E_POINTER;
    }
    *earliest = 0;
    return GetDuration(latest);
}

HRESULT FilterGraph::SetRate(double rate) {
    if (const auto fault = InjectedFault("IMediaSeeking::SetRate")) {
        return *fault;
    }
    if (rate == 0.0) {
        return E_INVALIDARG;
    }
    for (const ComPtr<IMediaSeeking>& seeking : SeekableFilters()) {
        const HRESULT hr = seeking->SetRate(rate);
        if (FAILED(hr) && hr != E_NOTIMPL) {
            return hr;
        }
    }
    rate_ = rate;
    return S_OK;
}

HRESULT FilterGraph::GetRate(double* rate) {
    if (const auto fault = InjectedFault("IMediaSeeking::GetRate")) {
        return *fault;
    }
    if (rate == nullptr) {
        return E_POINTER;
    }
    *rate = rate_;
    return S_OK;
}

HRESULT FilterGraph::GetPreroll(LONGLONG* preroll) {
    if (preroll == nullptr) {
        return E_POINTER;
    }
    *preroll = 0;
    return S_OK;
}

}  // namespace capspect::sim
