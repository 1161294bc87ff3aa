#include "platform/directshow/filter.h"

#include <algorithm>
#include <cstring>

#include <dvdmedia.h>

#include "platform/directshow/enumerators.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/faults.h"
#include "platform/support/wide_string.h"

namespace capspect::sim {

namespace {

// A type is complete enough to connect with once its major type and format type are set
// (FORMAT_None for types without a format block).
bool IsPartial(const AM_MEDIA_TYPE& mediaType) {
    return mediaType.majortype == GUID_NULL || mediaType.formattype == GUID_NULL;
}

std::vector<MediaType> PreferredTypesOf(IPin* pin) {
    std::vector<MediaType> types;
    ComPtr<IEnumMediaTypes> enumerator;
    if (FAILED(pin->EnumMediaTypes(enumerator.GetAddressOf())) || !enumerator) {
        return types;
    }
    AM_MEDIA_TYPE* next = nullptr;
    while (enumerator->Next(1, &next, nullptr) == S_OK) {
        const UniqueMediaType owned(next);
        types.emplace_back(*owned);
    }
    return types;
}

}  // namespace

void CopyToBuffer(std::u16string_view text, WCHAR* buffer, std::size_t capacity) {
    if (capacity == 0) {
        return;
    }
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), length, buffer);
    buffer[length] = u'\0';
}

LPWSTR CoTaskMemString(std::u16string_view text) {
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (copy != nullptr) {
        CopyToBuffer(text, copy, text.size() + 1);
    }
    return copy;
}

Pin::Pin(Filter& filter, PIN_DIRECTION direction, std::u16string name,
         std::vector<MediaType> mediaTypes)
    : filter_(filter),
      direction_(direction),
      name_(std::move(name)),
      mediaTypes_(std::move(mediaTypes)) {}

Pin::~Pin() = default;

HRESULT Pin::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *object = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return QueryOtherInterface(riid, object);
}

ULONG Pin::AddRef() {
    return filter_.AddRef();
}

ULONG Pin::Release() {
    return filter_.Release();
}

HRESULT Pin::QueryOtherInterface(REFIID /*riid*/, void** /*object*/) {
    return E_NOINTERFACE;
}

HRESULT Pin::CheckConnectable(IPin* other, PIN_DIRECTION wanted) const {
    PIN_DIRECTION otherDirection{};
    if (const HRESULT hr = other->QueryDirection(&otherDirection); FAILED(hr)) {
        return hr;
    }
    if (otherDirection != wanted) {
        return VFW_E_INVALID_DIRECTION;
    }
    if (IsConnected()) {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (filter_.State() != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    return S_OK;
}

HRESULT Pin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
    if (const auto fault = InjectedFault("IPin::Connect")) {
        return *fault;
    }
    if (receivePin == nullptr) {
        return E_POINTER;
    }
    if (direction_ != PINDIR_OUTPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    if (const HRESULT hr = CheckConnectable(receivePin, PINDIR_INPUT); FAILED(hr)) {
        return hr;
    }
    return NegotiateWith(receivePin, mediaType);
}

// Tries the receiving pin's preferred types first, then this pin's own, as the platform's
// base pins do; only complete types that fit the caller's (partial) type are proposed.
HRESULT Pin::NegotiateWith(IPin* receivePin, const AM_MEDIA_TYPE* pattern) {
    if (pattern != nullptr && !IsPartial(*pattern)) {
        return AttemptConnection(receivePin, *pattern);
    }
    std::vector<MediaType> candidates = PreferredTypesOf(receivePin);
    candidates.insert(candidates.end(), mediaTypes_.begin(), mediaTypes_.end());
    for (const MediaType& candidate : candidates) {
        if (IsPartial(candidate.Get()) ||
            (pattern != nullptr && !MediaTypeMatches(candidate.Get(), *pattern))) {
            continue;
        }
        if (SUCCEEDED(AttemptConnection(receivePin, candidate.Get()))) {
            return S_OK;
        }
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT Pin::AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& mediaType) {
    if (FAILED(CheckMediaType(mediaType))) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (const HRESULT hr = receivePin->ReceiveConnection(this, &mediaType); FAILED(hr)) {
        return hr;
    }
    Connected(receivePin, mediaType);
    HRESULT hr = DecideAllocator(receivePin);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(receivePin);
    }
    if (FAILED(hr)) {
        receivePin->Disconnect();
        ClearConnection();
        return hr;
    }
    return S_OK;
}

namespace {

// The size of one sample of `mediaType`: its fixed sample size, else the image size of
// its video format, and at least one byte.
LONG SampleSize(const AM_MEDIA_TYPE& mediaType) {
    LONG size = static_cast<LONG>(mediaType.lSampleSize);
    if (size <= 0 && mediaType.pbFormat != nullptr) {
        if (mediaType.formattype == FORMAT_VideoInfo &&
            mediaType.cbFormat >= sizeof(VIDEOINFOHEADER)) {
            size = static_cast<LONG>(reinterpret_cast<const VIDEOINFOHEADER*>(mediaType.pbFormat)
                                         ->bmiHeader.biSizeImage);
        } else if (mediaType.formattype == FORMAT_VideoInfo2 &&
                   mediaType.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
            size = static_cast<LONG>(reinterpret_cast<const VIDEOINFOHEADER2*>(mediaType.pbFormat)
                                         ->bmiHeader.biSizeImage);
        }
    }
    return size > 0 ? size : 1;
}

}  // namespace

// An output pin agrees on the allocator with an input pin that takes samples through
// IMemInputPin, as the platform's output pins do when they connect: the input pin's own
// allocator when it offers one, else a memory allocator, sized for the connection's
// samples and the input pin's requirements.
HRESULT Pin::DecideAllocator(IPin* receivePin) {
    ComPtr<IMemInputPin> input;
    if (direction_ != PINDIR_OUTPUT ||
        FAILED(receivePin->QueryInterface(IID_IMemInputPin,
                                          reinterpret_cast<void**>(input.GetAddressOf())))) {
        return S_OK;
    }
    ALLOCATOR_PROPERTIES wanted{};
    input->GetAllocatorRequirements(&wanted);  // optional: E_NOTIMPL leaves it empty
    wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 1);
    wanted.cbBuffer = std::max(wanted.cbBuffer, SampleSize(connectionType_.Get()));
    wanted.cbAlign = std::max<LONG>(wanted.cbAlign, 1);
    ComPtr<IMemAllocator> allocator;
    if (FAILED(input->GetAllocator(allocator.GetAddressOf())) || !allocator) {
        if (const HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr,
                                                CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                                reinterpret_cast<void**>(allocator.GetAddressOf()));
            FAILED(hr)) {
            return hr;
        }
    }
    ALLOCATOR_PROPERTIES actual{};
    if (const HRESULT hr = allocator->SetProperties(&wanted, &actual); FAILED(hr)) {
        return hr;
    }
    if (const HRESULT hr = input->NotifyAllocator(allocator.Get(), FALSE); FAILED(hr)) {
        return hr;
    }
    allocator_ = std::move(allocator);
    return S_OK;
}

HRESULT Pin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
    if (const auto fault = InjectedFault("IPin::ReceiveConnection")) {
        return *fault;
    }
    if (connector == nullptr || mediaType == nullptr) {
        return E_POINTER;
    }
    if (direction_ != PINDIR_INPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    if (const HRESULT hr = CheckConnectable(connector, PINDIR_OUTPUT); FAILED(hr)) {
        return hr;
    }
    if (IsPartial(*mediaType) || FAILED(CheckMediaType(*mediaType))) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    Connected(connector, *mediaType);
    if (const HRESULT hr = CompleteConnect(connector); FAILED(hr)) {
        ClearConnection();
        return hr;
    }
    return S_OK;
}

void Pin::Connected(IPin* peer, const AM_MEDIA_TYPE& mediaType) {
    connectionType_ = MediaType(mediaType);
    peer_ = peer;
}

void Pin::ClearConnection() {
    allocator_ = nullptr;
    peer_ = nullptr;
    connectionType_ = MediaType();
}

HRESULT Pin::CompleteConnect(IPin* /*peer*/) {
    return S_OK;
}

HRESULT Pin::CheckMediaType(const AM_MEDIA_TYPE& mediaType) const {
    const bool accepted =
        std::any_of(mediaTypes_.begin(), mediaTypes_.end(), [&](const MediaType& acceptedType) {
            return MediaTypeMatches(mediaType, acceptedType.Get());
        });
    return accepted ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Pin::Disconnect() {
    if (const auto fault = InjectedFault("IPin::Disconnect")) {
        return *fault;
    }
    if (filter_.State() != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    if (!IsConnected()) {
        return S_FALSE;
    }
    BreakConnect();
    ClearConnection();
    return S_OK;
}

HRESULT Pin::ConnectedTo(IPin** pin) {
    if (const auto fault = InjectedFault("IPin::ConnectedTo")) {
        return *fault;
    }
    if (pin == nullptr) {
        return E_POINTER;
    }
    *pin = nullptr;
    if (!IsConnected()) {
        return VFW_E_NOT_CONNECTED;
    }
    return peer_.CopyTo(pin);
}

HRESULT Pin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
    if (const auto fault = InjectedFault("IPin::ConnectionMediaType")) {
        return *fault;
    }
    if (mediaType == nullptr) {
        return E_POINTER;
    }
    if (!IsConnected()) {
        *mediaType = MediaType().Get();
        return VFW_E_NOT_CONNECTED;
    }
    return connectionType_.CopyTo(mediaType);
}

HRESULT Pin::QueryPinInfo(PIN_INFO* info) {
    if (const auto fault = InjectedFault("IPin::QueryPinInfo")) {
        return *fault;
    }
    if (info == nullptr) {
        return E_POINTER;
    }
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = direction_;
    CopyToBuffer(name_, info->achName, MAX_PIN_NAME);
    return S_OK;
}

HRESULT Pin::QueryDirection(PIN_DIRECTION* direction) {
    if (const auto fault = InjectedFault("IPin::QueryDirection")) {
        return *fault;
    }
    if (direction == nullptr) {
        return E_POINTER;
    }
    *direction = direction_;
    return S_OK;
}

HRESULT Pin::QueryId(LPWSTR* id) {
    if (const auto fault = InjectedFault("IPin::QueryId")) {
        return *fault;
    }
    if (id == nullptr) {
        return E_POINTER;
    }
    *id = CoTaskMemString(name_);
    return *id != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT Pin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
    if (const auto fault = InjectedFault("IPin::QueryAccept")) {
        return *fault;
    }
    if (mediaType == nullptr) {
        return E_POINTER;
    }
    return SUCCEEDED(CheckMediaType(*mediaType)) ? S_OK : S_FALSE;
}

HRESULT Pin::EnumMediaTypes(IEnumMediaTypes** enumerator) {
    if (const auto fault = InjectedFault("IPin::EnumMediaTypes")) {
        return *fault;
    }
    if (enumerator == nullptr) {
        return E_POINTER;
    }
    EnumerationSource<MediaType> source{ComPtr<IUnknown>(filter_.Identity()),
                                        [this] { return mediaTypes_; }, nullptr};
    *enumerator = MakeComObject<MediaTypeEnumerator>(std::move(source)).Detach();
    return S_OK;
}

void Pin::SetMediaTypes(std::vector<MediaType> mediaTypes) {
    mediaTypes_ = std::move(mediaTypes);
}

HRESULT Pin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/) {
    // Every input feeds every output, which the platform lets a pin say with E_NOTIMPL.
    return E_NOTIMPL;
}

HRESULT Pin::EndOfStream() {
    if (const auto fault = InjectedFault("IPin::EndOfStream")) {
        return *fault;
    }
    if (direction_ != PINDIR_INPUT) {
        return E_UNEXPECTED;
    }
    filter_.OnEndOfStream(*this);
    return S_OK;
}

HRESULT Pin::BeginFlush() {
    return direction_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED;
}

HRESULT Pin::EndFlush() {
    return direction_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED;
}

HRESULT Pin::NewSegment(REFERENCE_TIME /*start*/, REFERENCE_TIME /*stop*/, double /*rate*/) {
    return direction_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED;
}

Filter::Filter(const CLSID& clsid, ULONG miscFlags) : clsid_(clsid), miscFlags_(miscFlags) {}

Filter::~Filter() = default;

HRESULT Filter::GetClassID(CLSID* classId) {
    if (const auto fault = InjectedFault("IPersist::GetClassID")) {
        return *fault;
    }
    if (classId == nullptr) {
        return E_POINTER;
    }
    *classId = clsid_;
    return S_OK;
}

HRESULT Filter::ChangeState(FILTER_STATE target) {
    state_ = target;
    if (target == State_Stopped) {
        inTransition_ = false;
        return S_OK;
    }
    if (transitionsPending_) {
        inTransition_ = true;
        return S_FALSE;
    }
    return live_ && target == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

HRESULT Filter::Stop() {
    if (const auto fault = InjectedFault("IMediaFilter::Stop")) {
        return *fault;
    }
    return ChangeState(State_Stopped);
}

HRESULT Filter::Pause() {
    if (const auto fault = InjectedFault("IMediaFilter::Pause")) {
        return *fault;
    }
    return ChangeState(State_Paused);
}

HRESULT Filter::Run(REFERENCE_TIME /*start*/) {
    if (const auto fault = InjectedFault("IMediaFilter::Run")) {
        return *fault;
    }
    if (state_ == State_Stopped) {
        // A filter runs from paused; from stopped it pauses first, as the platform's do.
        if (const HRESULT hr = ChangeState(State_Paused); FAILED(hr)) {
            return hr;
        }
    }
    return ChangeState(State_Running);
}

HRESULT Filter::GetState(DWORD /*timeoutMs*/, FILTER_STATE* state) {
    if (const auto fault = InjectedFault("IMediaFilter::GetState")) {
        return *fault;
    }
    if (state == nullptr) {
        return E_POINTER;
    }
    *state = state_;
    if (inTransition_) {
        return VFW_S_STATE_INTERMEDIATE;
    }
    return live_ && state_ == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

HRESULT Filter::SetSyncSource(IReferenceClock* clock) {
    clock_ = clock;
    return S_OK;
}

HRESULT Filter::GetSyncSource(IReferenceClock** clock) {
    if (clock == nullptr) {
        return E_POINTER;
    }
    return clock_.CopyTo(clock);
}

HRESULT Filter::EnumPins(IEnumPins** enumerator) {
    if (const auto fault = InjectedFault("IBaseFilter::EnumPins")) {
        return *fault;
    }
    if (enumerator == nullptr) {
        return E_POINTER;
    }
    EnumerationSource<ComPtr<IPin>> source{ComPtr<IUnknown>(Identity()),
                                           [this] {
                                               std::vector<ComPtr<IPin>> pins;
                                               for (const auto& pin : pins_) {
                                                   pins.emplace_back(pin.get());
                                               }
                                               return pins;
                                           },
                                           [this] { return pinsVersion_; }};
    *enumerator = MakeComObject<PinEnumerator>(std::move(source)).Detach();
    return S_OK;
}

HRESULT Filter::FindPin(LPCWSTR id, IPin** pin) {
    if (const auto fault = InjectedFault("IBaseFilter::FindPin")) {
        return *fault;
    }
    if (id == nullptr || pin == nullptr) {
        return E_POINTER;
    }
    *pin = nullptr;
    const std::u16string_view wanted = Utf16Text(id);
    const auto found = std::find_if(pins_.begin(), pins_.end(), [&](const auto& candidate) {
        return candidate->Name() == wanted;
    });
    if (found == pins_.end()) {
        return VFW_E_NOT_FOUND;
    }
    *pin = found->get();
    (*pin)->AddRef();
    return S_OK;
}

HRESULT Filter::QueryFilterInfo(FILTER_INFO* info) {
    if (const auto fault = InjectedFault("IBaseFilter::QueryFilterInfo")) {
        return *fault;
    }
    if (info == nullptr) {
        return E_POINTER;
    }
    CopyToBuffer(name_, info->achName, MAX_FILTER_NAME);
    info->pGraph = graph_;
    if (graph_ != nullptr) {
        graph_->AddRef();
    }
    return S_OK;
}

HRESULT Filter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    if (const auto fault = InjectedFault("IBaseFilter::JoinFilterGraph")) {
        return *fault;
    }
    graph_ = graph;
    name_ =
        graph != nullptr && name != nullptr ? std::u16string(Utf16Text(name)) : std::u16string();
    return S_OK;
}

HRESULT Filter::QueryVendorInfo(LPWSTR* vendorInfo) {
    if (vendorInfo != nullptr) {
        *vendorInfo = nullptr;
    }
    return E_NOTIMPL;
}

ULONG Filter::GetMiscFlags() {
    // The call cannot fail on the platform; an injected fault hides the flags.
    if (InjectedFault("IAMFilterMiscFlags::GetMiscFlags")) {
        return 0;
    }
    return miscFlags_;
}

Pin& Filter::AddInputPin(std::u16string name, std::vector<MediaType> mediaTypes) {
    return AddPin<Pin>(PINDIR_INPUT, std::move(name), std::move(mediaTypes));
}

Pin& Filter::AddOutputPin(std::u16string name, std::vector<MediaType> mediaTypes) {
    return AddPin<Pin>(PINDIR_OUTPUT, std::move(name), std::move(mediaTypes));
}

void Filter::AdoptPin(std::unique_ptr<Pin> pin) {
    pins_.push_back(std::move(pin));
    ++pinsVersion_;
}

void Filter::RemovePin(const Pin& pin) {
    const auto found = std::find_if(pins_.begin(), pins_.end(),
                                    [&](const auto& candidate) { return candidate.get() == &pin; });
    if (found != pins_.end()) {
        // Callers may still hold the pin (it shares the filter's count), so it lives on
        // with the filter, unlisted.
        removedPins_.push_back(std::move(*found));
        pins_.erase(found);
        ++pinsVersion_;
    }
}

bool Filter::NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
    if (graph_ == nullptr) {
        return false;
    }
    ComPtr<IMediaEventSink> sink;
    if (FAILED(graph_->QueryInterface(IID_PPV_ARGS(sink.GetAddressOf())))) {
        return false;
    }
    return SUCCEEDED(sink->Notify(eventCode, param1, param2));
}

void Filter::DeliverEndOfStream() {
    for (const auto& pin : pins_) {
        if (pin->Direction() == PINDIR_OUTPUT && pin->IsConnected()) {
            pin->Peer()->EndOfStream();
        }
    }
}

void Filter::OnEndOfStream(Pin& /*input*/) {
    if ((miscFlags_ & AM_FILTER_MISC_FLAGS_IS_RENDERER) != 0) {
        NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
    } else {
        DeliverEndOfStream();
    }
}

}  // namespace capspect::sim
