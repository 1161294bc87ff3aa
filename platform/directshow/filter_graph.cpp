// Filter membership, direct connections and intelligent connect of the graph manager.
#include "platform/directshow/filter_graph.h"

#include <algorithm>
#include <cstdio>

#include "platform/directshow/enumerators.h"
#include "platform/directshow/filter.h"
#include "platform/directshow/filter_registry.h"
#include "platform/directshow/pin_walk.h"
#include "platform/sdk/com.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

namespace {

// How many filters intelligent connect may chain between two pins.
constexpr int kMaxIntermediateFilters = 5;

std::u16string NumberSuffix(int number, bool withSpace) {
    char digits[16];  // room for any int, so the text is never cut
    std::snprintf(digits, sizeof digits, "%04d", number);
    std::u16string suffix = withSpace ? u" " : u"";
    for (const char* c = digits; *c != '\0'; ++c) {
        suffix.push_back(static_cast<char16_t>(*c));
    }
    return suffix;
}

std::vector<AM_MEDIA_TYPE> CompleteTypesOf(IPin* pin, std::vector<MediaType>& storage) {
    ComPtr<IEnumMediaTypes> enumerator;
    if (SUCCEEDED(pin->EnumMediaTypes(enumerator.GetAddressOf()))) {
        AM_MEDIA_TYPE* next = nullptr;
        while (enumerator->Next(1, &next, nullptr) == S_OK) {
            const UniqueMediaType owned(next);
            storage.emplace_back(*owned);
        }
    }
    std::vector<AM_MEDIA_TYPE> types;
    for (const MediaType& type : storage) {
        types.push_back(type.Get());
    }
    return types;
}

// Whether `from` feeds `to` through connected pins (directly or through other filters).
bool FeedsInto(IBaseFilter* from, IBaseFilter* to, int depth = 0) {
    if (IsSameObject(from, to)) {
        return true;
    }
    if (depth > 32) {
        return false;
    }
    for (const ComPtr<IPin>& output : PinsOf(from, PINDIR_OUTPUT)) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(output->ConnectedTo(peer.GetAddressOf())) && peer) {
            const ComPtr<IBaseFilter> next = OwnerOf(peer.Get());
            if (next && FeedsInto(next.Get(), to, depth + 1)) {
                return true;
            }
        }
    }
    return false;
}

// Breaks every connection of the filter at both ends, so that no peer keeps a filter that
// leaves the graph.
void DisconnectAllPins(IBaseFilter* filter) {
    for (const PIN_DIRECTION direction : {PINDIR_INPUT, PINDIR_OUTPUT}) {
        for (const ComPtr<IPin>& pin : PinsOf(filter, direction)) {
            ComPtr<IPin> peer;
            if (SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer) {
                peer->Disconnect();
            }
            pin->Disconnect();
        }
    }
}

// What RenderFile answers when at least one stream was rendered: which kind of stream,
// if any, was left unrendered.
HRESULT RenderFileResult(bool partial, const std::vector<GUID>& unrenderedMajorTypes) {
    if (unrenderedMajorTypes.empty()) {
        return partial ? VFW_S_PARTIAL_RENDER : S_OK;
    }
    const auto all = [&](const GUID& major) {
        return std::all_of(unrenderedMajorTypes.begin(), unrenderedMajorTypes.end(),
                           [&](const GUID& left) { return left == major; });
    };
    if (!partial && all(MEDIATYPE_Audio)) {
        return VFW_S_AUDIO_NOT_RENDERED;
    }
    if (!partial && all(MEDIATYPE_Video)) {
        return VFW_S_VIDEO_NOT_RENDERED;
    }
    return VFW_S_PARTIAL_RENDER;
}

}  // namespace

bool HasConnectedInput(IBaseFilter* filter) {
    const std::vector<ComPtr<IPin>> inputs = PinsOf(filter, PINDIR_INPUT);
    return std::ranges::any_of(
        inputs, [](const ComPtr<IPin>& pin) { return PeerOf(pin.Get()) != nullptr; });
}

std::optional<std::u16string> UniqueFilterName(
    std::u16string_view requested, const std::function<bool(std::u16string_view)>& taken) {
    constexpr std::size_t kLongest = MAX_FILTER_NAME - 1;
    const std::u16string_view base = requested.substr(0, kLongest);
    if (!base.empty() && !taken(base)) {
        return std::u16string(base);
    }
    for (int number = 1; number <= 9999; ++number) {
        const std::u16string suffix = NumberSuffix(number, !base.empty());
        std::u16string candidate(base.substr(0, kLongest - suffix.size()));
        candidate += suffix;
        if (!taken(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

// One intelligent connect or render operation: it tries the filters already in the graph,
// then registered filters by merit, and removes the filters it added for attempts that
// failed.
class FilterGraph::Building {
public:
    Building(FilterGraph& graph, bool useRegistered)
        : graph_(graph), callback_(graph.BuilderCallback()), useRegistered_(useRegistered) {}

    HRESULT Connect(IPin* output, IPin* input, int depth) {
        if (SUCCEEDED(graph_.ConnectDirect(output, input, nullptr))) {
            return S_OK;
        }
        if (depth >= kMaxIntermediateFilters) {
            return VFW_E_CANNOT_CONNECT;
        }
        const ComPtr<IBaseFilter> target = OwnerOf(input);
        const auto onward = [&](IBaseFilter* through) {
            return ConnectOnward(through, input, target.Get(), depth);
        };
        return TryIntermediates(output, target.Get(), onward) ? S_OK : VFW_E_CANNOT_CONNECT;
    }

    // S_OK when every stream from `output` reached a filter without outputs,
    // VFW_S_PARTIAL_RENDER when some did, VFW_E_CANNOT_RENDER when none did.
    HRESULT Render(IPin* output, int depth) {
        if (depth >= kMaxIntermediateFilters) {
            return VFW_E_CANNOT_RENDER;
        }
        HRESULT result = VFW_E_CANNOT_RENDER;
        const auto onward = [&](IBaseFilter* through) {
            result = RenderOutputs(through, depth);
            return SUCCEEDED(result);
        };
        return TryIntermediates(output, nullptr, onward) ? result : VFW_E_CANNOT_RENDER;
    }

    HRESULT RenderOutputs(IBaseFilter* filter, int depth) {
        const std::vector<ComPtr<IPin>> outputs = UnconnectedPinsOf(filter, PINDIR_OUTPUT);
        if (outputs.empty()) {
            return S_OK;
        }
        std::size_t rendered = 0;
        bool partial = false;
        for (const ComPtr<IPin>& output : outputs) {
            const HRESULT hr = Render(output.Get(), depth + 1);
            if (SUCCEEDED(hr)) {
                ++rendered;
                partial = partial || hr == VFW_S_PARTIAL_RENDER;
            }
        }
        if (rendered == 0) {
            return VFW_E_CANNOT_RENDER;
        }
        return rendered == outputs.size() && !partial ? S_OK : VFW_S_PARTIAL_RENDER;
    }

private:
    bool ConnectOnward(IBaseFilter* through, IPin* input, IBaseFilter* target, int depth) {
        if (IsSameObject(through, target)) {
            return false;
        }
        for (const ComPtr<IPin>& next : UnconnectedPinsOf(through, PINDIR_OUTPUT)) {
            if (SUCCEEDED(Connect(next.Get(), input, depth + 1))) {
                return true;
            }
        }
        return false;
    }

    // Tries each filter already in the graph, then each registered candidate, as the next
    // filter after `output`; `onward` completes the path from that filter.
    template <typename Onward>
    bool TryIntermediates(IPin* output, IBaseFilter* target, const Onward& onward) {
        const ComPtr<IBaseFilter> source = OwnerOf(output);
        for (const ComPtr<IBaseFilter>& filter : graph_.Filters()) {
            if (IsSameObject(filter.Get(), target) || FeedsInto(filter.Get(), source.Get())) {
                continue;
            }
            if (TryThrough(output, filter.Get(), onward)) {
                return true;
            }
        }
        if (!useRegistered_) {
            return false;
        }
        std::vector<MediaType> storage;
        const auto offered = CompleteTypesOf(output, storage);
        for (const FilterRegistration& candidate :
             FilterRegistry::Instance().CandidatesFor(offered)) {
            const ComPtr<IBaseFilter> created = CreateCandidate(candidate);
            if (!created) {
                continue;
            }
            if (TryThrough(output, created.Get(), onward)) {
                return true;
            }
            graph_.RemoveFilter(created.Get());
        }
        return false;
    }

    template <typename Onward>
    bool TryThrough(IPin* output, IBaseFilter* filter, const Onward& onward) {
        for (const ComPtr<IPin>& input : UnconnectedPinsOf(filter, PINDIR_INPUT)) {
            if (FAILED(graph_.ConnectDirect(output, input.Get(), nullptr))) {
                continue;
            }
            if (onward(filter)) {
                return true;
            }
            graph_.Disconnect(output);
            graph_.Disconnect(input.Get());
        }
        return false;
    }

    ComPtr<IBaseFilter> CreateCandidate(const FilterRegistration& candidate) {
        // The candidate has no moniker in this backend; the callback sees a null one.
        if (callback_ && FAILED(callback_->SelectedFilter(nullptr))) {
            return nullptr;
        }
        ComPtr<IBaseFilter> filter;
        if (FAILED(CoCreateInstance(candidate.clsid, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(filter.GetAddressOf())))) {
            return nullptr;
        }
        if (FAILED(graph_.AddFilter(filter.Get(), candidate.friendlyName.c_str()))) {
            return nullptr;
        }
        if (callback_ && FAILED(callback_->CreatedFilter(filter.Get()))) {
            graph_.RemoveFilter(filter.Get());
            return nullptr;
        }
        return filter;
    }

    FilterGraph& graph_;
    const ComPtr<IAMGraphBuilderCallback> callback_;
    const bool useRegistered_;
};

FilterGraph::FilterGraph() = default;

FilterGraph::~FilterGraph() {
    // Connected pins hold each other's filters; taking the graph apart breaks those cycles.
    TransitionFilters(State_Stopped);
    RemoveAll();
}

std::vector<ComPtr<IBaseFilter>> FilterGraph::Filters() const {
    std::vector<ComPtr<IBaseFilter>> filters;
    for (const Member& member : members_) {
        filters.push_back(member.filter);
    }
    return filters;
}

bool FilterGraph::Contains(IBaseFilter* filter) const {
    return std::any_of(members_.begin(), members_.end(), [&](const Member& member) {
        return IsSameObject(member.filter.Get(), filter);
    });
}

bool FilterGraph::NameTaken(std::u16string_view name) const {
    return std::any_of(members_.begin(), members_.end(),
                       [&](const Member& member) { return member.name == name; });
}

bool FilterGraph::PinInGraph(IPin* pin) const {
    const ComPtr<IBaseFilter> owner = OwnerOf(pin);
    return owner && Contains(owner.Get());
}

ComPtr<IAMGraphBuilderCallback> FilterGraph::BuilderCallback() const {
    ComPtr<IAMGraphBuilderCallback> callback;
    if (site_) {
        site_->QueryInterface(IID_PPV_ARGS(callback.GetAddressOf()));
    }
    return callback;
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    if (const auto fault = InjectedFault("IFilterGraph::AddFilter")) {
        return *fault;
    }
    if (filter == nullptr) {
        return E_POINTER;
    }
    if (Contains(filter)) {
        return E_INVALIDARG;
    }
    const std::u16string_view requested = name != nullptr ? name : u"";
    const auto unique = UniqueFilterName(
        requested, [this](std::u16string_view candidate) { return NameTaken(candidate); });
    if (!unique) {
        return VFW_E_DUPLICATE_NAME;
    }
    if (const HRESULT hr = filter->JoinFilterGraph(this, unique->c_str()); FAILED(hr)) {
        return hr;
    }
    members_.insert(members_.begin(), Member{ComPtr<IBaseFilter>(filter), *unique});
    ++membersVersion_;
    dirty_ = true;
    return !requested.empty() && *unique != requested ? VFW_S_DUPLICATE_NAME : S_OK;
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    if (const auto fault = InjectedFault("IFilterGraph::RemoveFilter")) {
        return *fault;
    }
    if (filter == nullptr) {
        return E_POINTER;
    }
    const auto found = std::find_if(members_.begin(), members_.end(), [&](const Member& member) {
        return IsSameObject(member.filter.Get(), filter);
    });
    if (found == members_.end()) {
        return VFW_E_NOT_FOUND;
    }
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    const ComPtr<IBaseFilter> removed = found->filter;
    DisconnectAllPins(removed.Get());
    members_.erase(found);
    ++membersVersion_;
    dirty_ = true;
    removed->JoinFilterGraph(nullptr, nullptr);
    return S_OK;
}

HRESULT FilterGraph::RemoveAll() {
    HRESULT result = S_OK;
    while (!members_.empty()) {
        const ComPtr<IBaseFilter> filter = members_.front().filter;
        DisconnectAllPins(filter.Get());
        members_.erase(members_.begin());
        ++membersVersion_;
        if (const HRESULT hr = filter->JoinFilterGraph(nullptr, nullptr); FAILED(hr)) {
            result = hr;
        }
    }
    return result;
}

HRESULT FilterGraph::EnumFilters(IEnumFilters** enumerator) {
    if (const auto fault = InjectedFault("IFilterGraph::EnumFilters")) {
        return *fault;
    }
    if (enumerator == nullptr) {
        return E_POINTER;
    }
    EnumerationSource<ComPtr<IBaseFilter>> source{ComPtr<IUnknown>(Identity()),
                                                  [this] { return Filters(); },
                                                  [this] { return membersVersion_; }};
    *enumerator = MakeComObject<FilterEnumerator>(std::move(source)).Detach();
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
    if (const auto fault = InjectedFault("IFilterGraph::FindFilterByName")) {
        return *fault;
    }
    if (name == nullptr || filter == nullptr) {
        return E_POINTER;
    }
    *filter = nullptr;
    const std::u16string_view wanted(name);
    const auto found = std::find_if(members_.begin(), members_.end(),
                                    [&](const Member& member) { return member.name == wanted; });
    if (found == members_.end()) {
        return VFW_E_NOT_FOUND;
    }
    return found->filter.CopyTo(filter);
}

HRESULT FilterGraph::ConnectDirect(IPin* outputPin, IPin* inputPin,
                                   const AM_MEDIA_TYPE* mediaType) {
    if (const auto fault = InjectedFault("IFilterGraph::ConnectDirect")) {
        return *fault;
    }
    if (outputPin == nullptr || inputPin == nullptr) {
        return E_POINTER;
    }
    if (!PinInGraph(outputPin) || !PinInGraph(inputPin)) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    const HRESULT hr = outputPin->Connect(inputPin, mediaType);
    dirty_ = dirty_ || SUCCEEDED(hr);
    return hr;
}

HRESULT FilterGraph::Reconnect(IPin* pin) {
    if (const auto fault = InjectedFault("IFilterGraph::Reconnect")) {
        return *fault;
    }
    return ReconnectEx(pin, nullptr);
}

// Breaks the pin's connection and makes it again, with `mediaType` when given, else with
// the type the connection had.
HRESULT FilterGraph::ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mediaType) {
    if (const auto fault = InjectedFault("IFilterGraph2::ReconnectEx")) {
        return *fault;
    }
    if (pin == nullptr) {
        return E_POINTER;
    }
    if (!PinInGraph(pin)) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    ComPtr<IPin> peer;
    if (const HRESULT hr = pin->ConnectedTo(peer.GetAddressOf()); FAILED(hr)) {
        return hr;
    }
    MediaType previous;
    pin->ConnectionMediaType(previous.Receive());
    PIN_DIRECTION direction{};
    pin->QueryDirection(&direction);
    IPin* const output = direction == PINDIR_OUTPUT ? pin : peer.Get();
    IPin* const input = direction == PINDIR_OUTPUT ? peer.Get() : pin;
    output->Disconnect();
    input->Disconnect();
    return output->Connect(input, mediaType != nullptr ? mediaType : &previous.Get());
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
    if (const auto fault = InjectedFault("IFilterGraph::Disconnect")) {
        return *fault;
    }
    if (pin == nullptr) {
        return E_POINTER;
    }
    const HRESULT hr = pin->Disconnect();
    dirty_ = dirty_ || hr == S_OK;
    return hr;
}

HRESULT FilterGraph::SetDefaultSyncSource() {
    if (const auto fault = InjectedFault("IFilterGraph::SetDefaultSyncSource")) {
        return *fault;
    }
    // No reference clock is simulated; filters keep running on the graph's word alone.
    return S_OK;
}

HRESULT FilterGraph::Connect(IPin* outputPin, IPin* inputPin) {
    if (const auto fault = InjectedFault("IGraphBuilder::Connect")) {
        return *fault;
    }
    if (outputPin == nullptr || inputPin == nullptr) {
        return E_POINTER;
    }
    if (!PinInGraph(outputPin) || !PinInGraph(inputPin)) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    PIN_DIRECTION direction{};
    if (SUCCEEDED(outputPin->QueryDirection(&direction)) && direction != PINDIR_OUTPUT) {
        // The platform accepts the pins in either order.
        std::swap(outputPin, inputPin);
    }
    Building building(*this, true);
    return building.Connect(outputPin, inputPin, 0);
}

HRESULT FilterGraph::RenderPin(IPin* outputPin, bool useRegistered, const char* faultName) {
    if (const auto fault = InjectedFault(faultName)) {
        return *fault;
    }
    if (outputPin == nullptr) {
        return E_POINTER;
    }
    if (!PinInGraph(outputPin)) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    ComPtr<IPin> peer;
    if (SUCCEEDED(outputPin->ConnectedTo(peer.GetAddressOf()))) {
        return VFW_E_ALREADY_CONNECTED;
    }
    PIN_DIRECTION direction{};
    if (const HRESULT hr = outputPin->QueryDirection(&direction); FAILED(hr)) {
        return hr;
    }
    if (direction != PINDIR_OUTPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    Building building(*this, useRegistered);
    return building.Render(outputPin, 0);
}

HRESULT FilterGraph::Render(IPin* outputPin) {
    return RenderPin(outputPin, true, "IGraphBuilder::Render");
}

HRESULT FilterGraph::RenderEx(IPin* outputPin, DWORD flags, DWORD* context) {
    if (context != nullptr || (flags & ~AM_RENDEREX_RENDERTOEXISTINGRENDERERS) != 0) {
        return E_INVALIDARG;
    }
    const bool useRegistered = (flags & AM_RENDEREX_RENDERTOEXISTINGRENDERERS) == 0;
    return RenderPin(outputPin, useRegistered, "IFilterGraph2::RenderEx");
}

HRESULT FilterGraph::AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) {
    if (const auto fault = InjectedFault("IGraphBuilder::AddSourceFilter")) {
        return *fault;
    }
    if (fileName == nullptr || filter == nullptr) {
        return E_POINTER;
    }
    *filter = nullptr;
    CLSID sourceClsid{};
    if (const HRESULT hr = FilterRegistry::Instance().ResolveSource(fileName, &sourceClsid);
        FAILED(hr)) {
        return hr;
    }
    ComPtr<IBaseFilter> source;
    if (FAILED(CoCreateInstance(sourceClsid, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(source.GetAddressOf())))) {
        return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
    }
    ComPtr<IFileSourceFilter> fileSource;
    if (FAILED(source.As(&fileSource))) {
        return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
    }
    const HRESULT added = AddFilter(source.Get(), filterName != nullptr ? filterName : fileName);
    if (FAILED(added)) {
        return added;
    }
    if (const HRESULT hr = fileSource->Load(fileName, nullptr); FAILED(hr)) {
        RemoveFilter(source.Get());
        return hr;
    }
    *filter = source.Detach();
    return S_OK;
}

HRESULT FilterGraph::RenderFile(LPCWSTR file, LPCWSTR /*playList*/) {
    if (const auto fault = InjectedFault("IGraphBuilder::RenderFile")) {
        return *fault;
    }
    if (file == nullptr) {
        return E_POINTER;
    }
    if (state_ != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    ComPtr<IBaseFilter> source;
    if (const HRESULT hr = AddSourceFilter(file, file, source.GetAddressOf()); FAILED(hr)) {
        return hr;
    }
    Building building(*this, true);
    std::size_t rendered = 0;
    bool partial = false;
    std::vector<GUID> unrenderedMajorTypes;
    for (const ComPtr<IPin>& output : UnconnectedPinsOf(source.Get(), PINDIR_OUTPUT)) {
        const HRESULT hr = building.Render(output.Get(), 0);
        if (SUCCEEDED(hr)) {
            ++rendered;
            partial = partial || hr != S_OK;
            continue;
        }
        std::vector<MediaType> storage;
        const auto types = CompleteTypesOf(output.Get(), storage);
        unrenderedMajorTypes.push_back(types.empty() ? GUID_NULL : types.front().majortype);
    }
    if (rendered == 0) {
        RemoveFilter(source.Get());
        return VFW_E_CANNOT_RENDER;
    }
    return RenderFileResult(partial, unrenderedMajorTypes);
}

HRESULT FilterGraph::SetLogFile(DWORD_PTR /*file*/) {
    return S_OK;
}

HRESULT FilterGraph::Abort() {
    aborted_ = true;
    return S_OK;
}

HRESULT FilterGraph::ShouldOperationContinue() {
    return aborted_ ? S_FALSE : S_OK;
}

HRESULT FilterGraph::AddSourceFilterForMoniker(IMoniker* /*moniker*/, IBindCtx* /*context*/,
                                               LPCWSTR /*filterName*/, IBaseFilter** filter) {
    if (filter != nullptr) {
        *filter = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT FilterGraph::SetSite(IUnknown* site) {
    if (const auto fault = InjectedFault("IObjectWithSite::SetSite")) {
        return *fault;
    }
    site_ = site;
    return S_OK;
}

HRESULT FilterGraph::GetSite(REFIID riid, void** site) {
    if (site == nullptr) {
        return E_POINTER;
    }
    *site = nullptr;
    if (!site_) {
        return E_FAIL;
    }
    return site_->QueryInterface(riid, site);
}

HRESULT FilterGraph::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT FilterGraph::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT FilterGraph::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT FilterGraph::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

}  // namespace capspect::sim
