#include "platform/directshow/capture_graph_builder.h"

#include <algorithm>

#include "platform/devices/capture_filter.h"
#include "platform/devices/crossbar_filter.h"
#include "platform/directshow/pin_walk.h"
#include "platform/sdk/com.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"

namespace capspect::sim {
namespace {

// The Smart Tee's outputs, in the platform's order.
constexpr std::size_t kTeeCaptureOutput = 0;
constexpr std::size_t kTeePreviewOutput = 1;

bool IsCategory(const GUID* category, const GUID& wanted) {
    return category != nullptr && *category == wanted;
}

bool HasOutputOfCategory(IBaseFilter* filter, const GUID& category) {
    const auto outputs = PinsOf(filter, PINDIR_OUTPUT);
    return std::any_of(outputs.begin(), outputs.end(),
                       [&](const ComPtr<IPin>& pin) { return CategoryOf(pin.Get()) == category; });
}

// The Smart Tee whose input `pin` feeds, or null.
ComPtr<IBaseFilter> TeeFedBy(IPin* pin) {
    const ComPtr<IBaseFilter> next = OwnerOf(PeerOf(pin).Get());
    CLSID clsid{};
    if (!next || FAILED(next->GetClassID(&clsid)) || clsid != CLSID_SmartTee) {
        return nullptr;
    }
    return next;
}

ComPtr<IPin> OutputAt(IBaseFilter* filter, std::size_t index) {
    const auto outputs = PinsOf(filter, PINDIR_OUTPUT);
    return index < outputs.size() ? outputs[index] : nullptr;
}

}  // namespace

// One RenderStream call: where the stream starts, the connections to the sink, and the
// undoing of everything the call did when it fails.
class CaptureGraphBuilder::StreamRendering {
public:
    struct Start {
        ComPtr<IPin> pin;        // the output the chain starts from
        ComPtr<IPin> devicePin;  // the source's own pin the stream comes from
        bool needsTee = false;   // the preview is to come through a new Smart Tee
        HRESULT success = S_OK;  // what the call answers when it succeeds
    };

    explicit StreamRendering(IGraphBuilder& graph) : graph_(graph), before_(Members()) {}

    HRESULT Resolve(const GUID* category, const GUID* type, IUnknown* source, Start& start) const {
        ComPtr<IPin> pin;
        if (SUCCEEDED(source->QueryInterface(IID_PPV_ARGS(pin.GetAddressOf())))) {
            return ResolvePin(pin, category, type, start);
        }
        ComPtr<IBaseFilter> filter;
        if (FAILED(source->QueryInterface(IID_PPV_ARGS(filter.GetAddressOf())))) {
            return E_INVALIDARG;
        }
        for (const ComPtr<IPin>& output : PinsOf(filter.Get(), PINDIR_OUTPUT)) {
            if (PinMatches(output.Get(), PINDIR_OUTPUT, category, type, true)) {
                start = Start{output, output, false, S_OK};
                return S_OK;
            }
        }
        return ResolveThroughTee(filter.Get(), category, type, start);
    }

    // Adds a Smart Tee after the device pin; the stream then starts at its preview output.
    HRESULT InsertTee(Start& start) {
        ComPtr<IBaseFilter> tee;
        HRESULT hr = CoCreateInstance(CLSID_SmartTee, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(tee.GetAddressOf()));
        if (SUCCEEDED(hr)) {
            hr = graph_.AddFilter(tee.Get(), u"Smart Tee");
        }
        const auto inputs = PinsOf(tee.Get(), PINDIR_INPUT);
        if (SUCCEEDED(hr)) {
            hr = inputs.empty()
                     ? E_FAIL
                     : graph_.ConnectDirect(start.devicePin.Get(), inputs[0].Get(), nullptr);
        }
        if (SUCCEEDED(hr)) {
            start.pin = OutputAt(tee.Get(), kTeePreviewOutput);
            hr = start.pin ? S_OK : E_FAIL;
        }
        return hr;
    }

    HRESULT Connect(IPin* from, IBaseFilter* intermediate, IBaseFilter* sink) {
        if (intermediate == nullptr) {
            return Finish(from, sink);
        }
        if (const HRESULT hr = ConnectToFilter(from, intermediate); FAILED(hr)) {
            return hr;
        }
        HRESULT hr = sink != nullptr ? VFW_E_CANNOT_CONNECT : S_OK;
        for (const ComPtr<IPin>& output : PinsOf(intermediate, PINDIR_OUTPUT)) {
            if (PeerOf(output.Get())) {
                continue;
            }
            hr = Finish(output.Get(), sink);
            if (SUCCEEDED(hr)) {
                return S_OK;
            }
        }
        return hr;
    }

    // Removes the filters the call added and breaks the connection it made from `start`.
    void Undo(IPin* start) {
        for (const ComPtr<IUnknown>& member : Members()) {
            if (std::find(before_.begin(), before_.end(), member) == before_.end()) {
                ComPtr<IBaseFilter> filter;
                member.As(&filter);
                graph_.RemoveFilter(filter.Get());
            }
        }
        if (const ComPtr<IPin> peer = PeerOf(start)) {
            graph_.Disconnect(peer.Get());
            graph_.Disconnect(start);
        }
    }

private:
    static HRESULT ResolvePin(const ComPtr<IPin>& pin, const GUID* category, const GUID* type,
                              Start& start) {
        PIN_DIRECTION direction{};
        if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) {
            return E_INVALIDARG;
        }
        if (!PinMatches(pin.Get(), PINDIR_OUTPUT, category, type, false)) {
            return E_FAIL;
        }
        if (PeerOf(pin.Get())) {
            return VFW_E_ALREADY_CONNECTED;
        }
        start = Start{pin, pin, false, S_OK};
        return S_OK;
    }

    // A capture or preview stream from a capture pin: through the Smart Tee the pin
    // already feeds, or, for a preview of a device without a preview pin, a new one.
    static HRESULT ResolveThroughTee(IBaseFilter* filter, const GUID* category, const GUID* type,
                                     Start& start) {
        const bool preview = IsCategory(category, PIN_CATEGORY_PREVIEW);
        if (!preview && !IsCategory(category, PIN_CATEGORY_CAPTURE)) {
            return E_FAIL;
        }
        const HRESULT success = preview ? VFW_S_NOPREVIEWPIN : S_OK;
        for (const ComPtr<IPin>& capture : PinsOf(filter, PINDIR_OUTPUT)) {
            if (!PinMatches(capture.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, type, false)) {
                continue;
            }
            if (const ComPtr<IBaseFilter> tee = TeeFedBy(capture.Get())) {
                const ComPtr<IPin> output =
                    OutputAt(tee.Get(), preview ? kTeePreviewOutput : kTeeCaptureOutput);
                if (output && !PeerOf(output.Get())) {
                    start = Start{output, capture, false, success};
                    return S_OK;
                }
            } else if (preview && !PeerOf(capture.Get()) &&
                       !HasOutputOfCategory(filter, PIN_CATEGORY_PREVIEW)) {
                start = Start{capture, capture, true, success};
                return S_OK;
            }
        }
        return E_FAIL;
    }

    HRESULT Finish(IPin* from, IBaseFilter* sink) {
        return sink != nullptr ? ConnectToFilter(from, sink) : graph_.Render(from);
    }

    HRESULT ConnectToFilter(IPin* from, IBaseFilter* filter) {
        HRESULT hr = VFW_E_CANNOT_CONNECT;
        for (const ComPtr<IPin>& input : PinsOf(filter, PINDIR_INPUT)) {
            if (PeerOf(input.Get())) {
                continue;
            }
            hr = graph_.Connect(from, input.Get());
            if (SUCCEEDED(hr)) {
                return S_OK;
            }
        }
        return hr;
    }

    std::vector<ComPtr<IUnknown>> Members() const {
        std::vector<ComPtr<IUnknown>> members;
        ComPtr<IEnumFilters> filters;
        if (FAILED(graph_.EnumFilters(filters.GetAddressOf()))) {
            return members;
        }
        ComPtr<IBaseFilter> filter;
        while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            ComPtr<IUnknown> identity;
            filter.As(&identity);
            members.push_back(identity);
        }
        return members;
    }

    IGraphBuilder& graph_;
    const std::vector<ComPtr<IUnknown>> before_;
};

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
    if (const auto fault = InjectedFault("ICaptureGraphBuilder2::SetFiltergraph")) {
        return *fault;
    }
    if (graph == nullptr) {
        return E_POINTER;
    }
    // The graph is set once; a builder that already has one refuses another.
    if (graph_) {
        return E_UNEXPECTED;
    }
    graph_ = graph;
    return S_OK;
}

HRESULT CaptureGraphBuilder::GetFiltergraph(IGraphBuilder** graph) {
    if (const auto fault = InjectedFault("ICaptureGraphBuilder2::GetFiltergraph")) {
        return *fault;
    }
    if (graph == nullptr) {
        return E_POINTER;
    }
    *graph = nullptr;
    ComPtr<IGraphBuilder> own;
    if (const HRESULT hr = Graph(own); FAILED(hr)) {
        return hr;
    }
    return own.CopyTo(graph);
}

HRESULT CaptureGraphBuilder::Graph(ComPtr<IGraphBuilder>& graph) {
    if (!graph_) {
        if (const HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_PPV_ARGS(graph_.GetAddressOf()));
            FAILED(hr)) {
            return hr;
        }
    }
    graph = graph_;
    return S_OK;
}

bool CaptureGraphBuilder::InGraph(IBaseFilter* filter) const {
    FILTER_INFO info{};
    if (!graph_ || filter == nullptr || FAILED(filter->QueryFilterInfo(&info))) {
        return false;
    }
    ComPtr<IFilterGraph> owner;
    owner.Attach(info.pGraph);
    return owner && IsSameObject(owner.Get(), graph_.Get());
}

void CaptureGraphBuilder::AddUpstreamCrossbar(CaptureFilter& device) {
    CapturePin* const input = device.AnalogVideoInput();
    if (!InGraph(&device) || input == nullptr || input->IsConnected()) {
        return;
    }
    const ComPtr<CrossbarFilter> crossbar = device.Crossbar();
    Pin* const output = crossbar ? crossbar->VideoOutput() : nullptr;
    if (output == nullptr || output->IsConnected()) {
        return;
    }
    IBaseFilter* const filter = crossbar.Get();
    bool added = false;
    if (!InGraph(filter)) {
        if (FAILED(graph_->AddFilter(filter, device.CrossbarName().c_str()))) {
            return;
        }
        added = true;
    }
    if (FAILED(graph_->ConnectDirect(output, input, nullptr)) && added) {
        graph_->RemoveFilter(filter);
    }
}

HRESULT CaptureGraphBuilder::FindInterface(const GUID* category, const GUID* type,
                                           IBaseFilter* filter, REFIID riid, void** object) {
    if (const auto fault = InjectedFault("ICaptureGraphBuilder2::FindInterface")) {
        return *fault;
    }
    if (object == nullptr || filter == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (CaptureFilter* const device = CaptureFilter::From(filter)) {
        AddUpstreamCrossbar(*device);
    }
    InterfaceSearch search(riid, object);
    bool found = false;
    if (category == nullptr) {
        found =
            search.AskFilterAndPins(filter) || search.Downstream(filter) || search.Upstream(filter);
    } else if (*category == LOOK_UPSTREAM_ONLY) {
        found = search.Upstream(filter);
    } else if (*category == LOOK_DOWNSTREAM_ONLY) {
        found = search.Downstream(filter);
    } else {
        bool pinOfCategory = false;
        for (const ComPtr<IPin>& output : PinsOf(filter, PINDIR_OUTPUT)) {
            if (PinMatches(output.Get(), PINDIR_OUTPUT, category, type, false)) {
                pinOfCategory = true;
                if (search.DownstreamOfPin(output.Get())) {
                    found = true;
                    break;
                }
            }
        }
        if (!pinOfCategory) {
            return E_FAIL;
        }
    }
    return found ? S_OK : E_NOINTERFACE;
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                          IBaseFilter* intermediate, IBaseFilter* sink) {
    if (const auto fault = InjectedFault("ICaptureGraphBuilder2::RenderStream")) {
        return *fault;
    }
    if (source == nullptr) {
        return E_POINTER;
    }
    ComPtr<IGraphBuilder> graph;
    if (const HRESULT hr = Graph(graph); FAILED(hr)) {
        return hr;
    }
    ComPtr<IPin> sourcePin;
    source->QueryInterface(IID_PPV_ARGS(sourcePin.GetAddressOf()));
    ComPtr<IBaseFilter> sourceFilter;
    if (sourcePin) {
        sourceFilter = OwnerOf(sourcePin.Get());
    } else if (FAILED(source->QueryInterface(IID_PPV_ARGS(sourceFilter.GetAddressOf())))) {
        return E_INVALIDARG;
    }
    if (!InGraph(sourceFilter.Get()) || (intermediate != nullptr && !InGraph(intermediate)) ||
        (sink != nullptr && !InGraph(sink))) {
        return VFW_E_NOT_IN_GRAPH;
    }
    CaptureFilter* const device = CaptureFilter::From(sourceFilter.Get());
    if (device != nullptr && category != nullptr && !sourcePin) {
        AddUpstreamCrossbar(*device);
    }

    StreamRendering rendering(*graph);
    StreamRendering::Start start;
    if (const HRESULT hr = rendering.Resolve(category, type, source, start); FAILED(hr)) {
        return hr;
    }
    auto* const devicePin = dynamic_cast<CapturePin*>(start.devicePin.Get());
    if (device != nullptr && devicePin != nullptr && IsCategory(category, PIN_CATEGORY_PREVIEW)) {
        if (const auto fault = device->PreviewRenderFault(*devicePin)) {
            return *fault;
        }
    }
    HRESULT hr = start.needsTee ? rendering.InsertTee(start) : S_OK;
    if (SUCCEEDED(hr)) {
        hr = rendering.Connect(start.pin.Get(), intermediate, sink);
    }
    if (FAILED(hr)) {
        rendering.Undo(start.pin.Get());
        return hr;
    }
    return start.success;
}

HRESULT CaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION direction,
                                     const GUID* category, const GUID* type, BOOL unconnected,
                                     int index, IPin** pin) {
    if (const auto fault = InjectedFault("ICaptureGraphBuilder2::FindPin")) {
        return *fault;
    }
    if (pin == nullptr || source == nullptr) {
        return E_POINTER;
    }
    *pin = nullptr;
    const bool unconnectedOnly = unconnected != FALSE;
    ComPtr<IPin> given;
    if (SUCCEEDED(source->QueryInterface(IID_PPV_ARGS(given.GetAddressOf())))) {
        if (!PinMatches(given.Get(), direction, category, type, unconnectedOnly)) {
            return E_FAIL;
        }
        return given.CopyTo(pin);
    }
    ComPtr<IBaseFilter> filter;
    if (FAILED(source->QueryInterface(IID_PPV_ARGS(filter.GetAddressOf())))) {
        return E_FAIL;
    }
    int matched = 0;
    for (const ComPtr<IPin>& candidate : PinsOf(filter.Get())) {
        if (PinMatches(candidate.Get(), direction, category, type, unconnectedOnly) &&
            matched++ == index) {
            return candidate.CopyTo(pin);
        }
    }
    return E_FAIL;
}

HRESULT CaptureGraphBuilder::SetOutputFileName(const GUID* /*type*/, LPCOLESTR /*file*/,
                                               IBaseFilter** multiplexer, IFileSinkFilter** sink) {
    // Writing capture files is not simulated.
    if (multiplexer != nullptr) {
        *multiplexer = nullptr;
    }
    if (sink != nullptr) {
        *sink = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT CaptureGraphBuilder::ControlStream(const GUID*, const GUID*, IBaseFilter*, REFERENCE_TIME*,
                                           REFERENCE_TIME*, WORD, WORD) {
    return E_NOTIMPL;
}

HRESULT CaptureGraphBuilder::AllocCapFile(LPCOLESTR, DWORDLONG) {
    return E_NOTIMPL;
}

HRESULT CaptureGraphBuilder::CopyCaptureFile(LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress*) {
    return E_NOTIMPL;
}

}  // namespace capspect::sim
