// State control and the event queue of the graph manager.
#include <algorithm>
#include <chrono>

#include "platform/directshow/filter_graph.h"
#include "platform/directshow/pin_walk.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

namespace {

bool FeedsDirectly(IBaseFilter* from, IBaseFilter* to) {
    const std::vector<ComPtr<IPin>> outputs = PinsOf(from, PINDIR_OUTPUT);
    return std::ranges::any_of(outputs, [to](const ComPtr<IPin>& pin) {
        const ComPtr<IBaseFilter> next = OwnerOf(PeerOf(pin.Get()).Get());
        return next && IsSameObject(next.Get(), to);
    });
}

bool IsRenderer(IBaseFilter* filter) {
    ComPtr<IAMFilterMiscFlags> flags;
    return SUCCEEDED(filter->QueryInterface(IID_PPV_ARGS(flags.GetAddressOf()))) &&
           (flags->GetMiscFlags() & AM_FILTER_MISC_FLAGS_IS_RENDERER) != 0;
}

}  // namespace

// Orders the filters so that each comes before every filter that feeds it.
std::vector<ComPtr<IBaseFilter>> FilterGraph::DownstreamFirst() const {
    std::vector<ComPtr<IBaseFilter>> remaining = Filters();
    std::vector<ComPtr<IBaseFilter>> ordered;
    while (!remaining.empty()) {
        auto next = std::find_if(remaining.begin(), remaining.end(), [&](const auto& candidate) {
            return std::none_of(remaining.begin(), remaining.end(), [&](const auto& other) {
                return other != candidate && FeedsDirectly(candidate.Get(), other.Get());
            });
        });
        if (next == remaining.end()) {
            next = remaining.begin();
        }
        ordered.push_back(*next);
        remaining.erase(next);
    }
    return ordered;
}

// Moves every filter to `target`. Answers the first failure, S_FALSE when some filter has
// not finished its transition (or cannot cue data), else S_OK.
HRESULT FilterGraph::TransitionFilters(FILTER_STATE target) {
    HRESULT result = S_OK;
    for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
        HRESULT hr = S_OK;
        switch (target) {
            case State_Stopped:
                hr = filter->Stop();
                break;
            case State_Paused:
                hr = filter->Pause();
                break;
            case State_Running:
                hr = filter->Run(0);
                break;
        }
        if (FAILED(hr)) {
            if (target != State_Stopped) {
                return hr;
            }
            result = SUCCEEDED(result) ? hr : result;
        } else if (hr != S_OK && result == S_OK) {
            result = S_FALSE;
        }
    }
    return result;
}

HRESULT FilterGraph::PauseGraph() {
    const HRESULT hr = TransitionFilters(State_Paused);
    if (FAILED(hr)) {
        TransitionFilters(State_Stopped);
        state_ = State_Stopped;
        return hr;
    }
    state_ = State_Paused;
    return hr;
}

HRESULT FilterGraph::Pause() {
    if (const auto fault = InjectedFault("IMediaControl::Pause")) {
        return *fault;
    }
    return PauseGraph();
}

HRESULT FilterGraph::Run() {
    if (const auto fault = InjectedFault("IMediaControl::Run")) {
        return *fault;
    }
    HRESULT paused = S_OK;
    if (state_ == State_Stopped) {
        // A stopped graph pauses first, so that every filter has cued its data.
        ResetCompletion();
        paused = PauseGraph();
        if (FAILED(paused)) {
            return paused;
        }
    }
    const HRESULT hr = TransitionFilters(State_Running);
    if (FAILED(hr)) {
        TransitionFilters(State_Stopped);
        state_ = State_Stopped;
        return hr;
    }
    state_ = State_Running;
    return paused == S_OK && hr == S_OK ? S_OK : S_FALSE;
}

HRESULT FilterGraph::Stop() {
    if (const auto fault = InjectedFault("IMediaControl::Stop")) {
        return *fault;
    }
    const HRESULT hr = TransitionFilters(State_Stopped);
    state_ = State_Stopped;
    ResetCompletion();
    return FAILED(hr) ? hr : S_OK;
}

// Pauses so that the filters cue (and a renderer shows) data, then stops.
HRESULT FilterGraph::StopWhenReady() {
    if (const auto fault = InjectedFault("IMediaControl::StopWhenReady")) {
        return *fault;
    }
    if (const HRESULT hr = PauseGraph(); FAILED(hr)) {
        return hr;
    }
    const HRESULT hr = TransitionFilters(State_Stopped);
    state_ = State_Stopped;
    ResetCompletion();
    return FAILED(hr) ? hr : S_OK;
}

// The filters cannot finish a transition on their own here, so the timeout is not waited.
HRESULT FilterGraph::GetState(LONG timeoutMs, OAFilterState* state) {
    if (const auto fault = InjectedFault("IMediaControl::GetState")) {
        return *fault;
    }
    if (state == nullptr) {
        return E_POINTER;
    }
    *state = state_;
    HRESULT result = S_OK;
    for (const ComPtr<IBaseFilter>& filter : Filters()) {
        FILTER_STATE filterState{};
        const HRESULT hr =
            filter->GetState(static_cast<DWORD>(std::max<LONG>(timeoutMs, 0)), &filterState);
        if (FAILED(hr)) {
            return hr;
        }
        if (hr == VFW_S_STATE_INTERMEDIATE) {
            result = VFW_S_STATE_INTERMEDIATE;
        } else if (hr == VFW_S_CANT_CUE && result == S_OK) {
            result = VFW_S_CANT_CUE;
        }
    }
    return result;
}

HRESULT FilterGraph::RenderFile(BSTR fileName) {
    return RenderFile(fileName, nullptr);
}

HRESULT FilterGraph::AddSourceFilter(BSTR /*fileName*/, IDispatch** filterInfo) {
    // The automation filter-info objects are not simulated.
    if (filterInfo != nullptr) {
        *filterInfo = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT FilterGraph::get_FilterCollection(IDispatch** collection) {
    if (collection != nullptr) {
        *collection = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT FilterGraph::get_RegFilterCollection(IDispatch** collection) {
    if (collection != nullptr) {
        *collection = nullptr;
    }
    return E_NOTIMPL;
}

size_t FilterGraph::StreamsToComplete() const {
    const auto filters = Filters();
    return static_cast<size_t>(std::count_if(filters.begin(), filters.end(), [](const auto& f) {
        return IsRenderer(f.Get()) && HasConnectedInput(f.Get());
    }));
}

void FilterGraph::ResetCompletion() {
    completedRenderers_.clear();
    completionStatus_ = S_OK;
}

HRESULT FilterGraph::Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
    if (const auto fault = InjectedFault("IMediaEventSink::Notify")) {
        return *fault;
    }
    if (eventCode == EC_REPAINT && repaintHandledByDefault_) {
        return S_OK;
    }
    if (eventCode == EC_COMPLETE && completeHandledByDefault_) {
        // The application hears of completion once, when every rendered stream has ended.
        const size_t streams = StreamsToComplete();
        if (streams > 0) {
            if (FAILED(static_cast<HRESULT>(param1)) && SUCCEEDED(completionStatus_)) {
                completionStatus_ = static_cast<HRESULT>(param1);
            }
            completedRenderers_.insert(param2);
            if (completedRenderers_.size() < streams) {
                return S_OK;
            }
            const HRESULT status = completionStatus_;
            ResetCompletion();
            events_.Push({EC_COMPLETE, status, 0});
            return S_OK;
        }
    }
    events_.Push({eventCode, param1, param2});
    return S_OK;
}

HRESULT FilterGraph::GetEventHandle(OAEVENT* event) {
    if (event == nullptr) {
        return E_POINTER;
    }
    // No kernel events exist here; applications use the notification window.
    *event = 0;
    return E_NOTIMPL;
}

HRESULT FilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) {
    if (const auto fault = InjectedFault("IMediaEvent::GetEvent")) {
        return *fault;
    }
    if (eventCode == nullptr || param1 == nullptr || param2 == nullptr) {
        return E_POINTER;
    }
    std::optional<std::chrono::milliseconds> timeout;
    if (timeoutMs >= 0) {
        timeout = std::chrono::milliseconds(timeoutMs);
    }
    const auto event = events_.Pop(timeout);
    if (!event) {
        *eventCode = 0;
        *param1 = 0;
        *param2 = 0;
        return E_ABORT;
    }
    *eventCode = event->code;
    *param1 = event->param1;
    *param2 = event->param2;
    return S_OK;
}

HRESULT FilterGraph::WaitForCompletion(LONG timeoutMs, LONG* eventCode) {
    if (const auto fault = InjectedFault("IMediaEvent::WaitForCompletion")) {
        return *fault;
    }
    if (eventCode == nullptr) {
        return E_POINTER;
    }
    *eventCode = 0;
    if (state_ != State_Running) {
        return VFW_E_WRONG_STATE;
    }
    std::optional<std::chrono::milliseconds> timeout;
    if (timeoutMs >= 0) {
        timeout = std::chrono::milliseconds(timeoutMs);
    }
    while (const auto event = events_.Pop(timeout)) {
        ReleaseEventParams(*event);
        if (event->code == EC_COMPLETE || event->code == EC_USERABORT ||
            event->code == EC_ERRORABORT) {
            *eventCode = event->code;
            return S_OK;
        }
    }
    return E_ABORT;
}

HRESULT FilterGraph::CancelDefaultHandling(LONG eventCode) {
    if (eventCode == EC_COMPLETE) {
        completeHandledByDefault_ = false;
    } else if (eventCode == EC_REPAINT) {
        repaintHandledByDefault_ = false;
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT FilterGraph::RestoreDefaultHandling(LONG eventCode) {
    if (eventCode == EC_COMPLETE) {
        completeHandledByDefault_ = true;
    } else if (eventCode == EC_REPAINT) {
        repaintHandledByDefault_ = true;
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT FilterGraph::FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
    // The one parameter that owns something is EC_DEVICE_LOST's device (see event_queue.h).
    ReleaseEventParams({eventCode, param1, param2});
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
    if (const auto fault = InjectedFault("IMediaEventEx::SetNotifyWindow")) {
        return *fault;
    }
    events_.SetNotifyWindow(window, message, instanceData);
    return S_OK;
}

HRESULT FilterGraph::SetNotifyFlags(LONG noNotifyFlags) {
    if (const auto fault = InjectedFault("IMediaEventEx::SetNotifyFlags")) {
        return *fault;
    }
    if (noNotifyFlags != 0 && noNotifyFlags != AM_MEDIAEVENT_NONOTIFY) {
        return E_INVALIDARG;
    }
    events_.SetNotifyFlags(noNotifyFlags);
    return S_OK;
}

HRESULT FilterGraph::GetNotifyFlags(LONG* noNotifyFlags) {
    if (noNotifyFlags == nullptr) {
        return E_POINTER;
    }
    *noNotifyFlags = events_.NotifyFlags();
    return S_OK;
}

}  // namespace capspect::sim
