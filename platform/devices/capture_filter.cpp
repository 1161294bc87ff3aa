#include "platform/devices/capture_filter.h"

#include <algorithm>
#include <cstring>

#include "platform/devices/catalog_faults.h"
#include "platform/devices/crossbar_filter.h"
#include "platform/devices/devenum.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"
#include "platform/support/wide_string.h"

namespace capspect::sim {
namespace {

PIN_DIRECTION DirectionOf(const PinDesc& desc) {
    return desc.direction == PinDirection::Input ? PINDIR_INPUT : PINDIR_OUTPUT;
}

// The types a pin without stream configuration offers: the catalog's, or for an analog
// video input that lists none, any analog video.
std::vector<MediaType> PlainTypesOf(const PinDesc& desc) {
    std::vector<MediaType> types;
    for (const MediaTypeDesc& type : desc.mediaTypes) {
        types.push_back(MakeMediaType(type));
    }
    if (types.empty() && desc.direction == PinDirection::Input &&
        desc.category == PIN_CATEGORY_ANALOGVIDEOIN) {
        types.emplace_back(MEDIATYPE_AnalogVideo, GUID_NULL);
    }
    return types;
}

std::optional<CapabilityList> CapabilitiesOf(const PinDesc& desc) {
    if (!desc.streamConfig) {
        return std::nullopt;
    }
    return CapabilityList(*desc.streamConfig);
}

// The catalog's CLSID property; a missing or malformed one (a valid test case) gives
// GUID_NULL.
CLSID ClassOf(const CatalogDevice& device) {
    const auto& text = device.properties.clsid;
    return text ? GuidFromString(*text).value_or(GUID_NULL) : GUID_NULL;
}

}  // namespace

CapturePin::CapturePin(Filter& filter, const PinDesc& desc, DeviceControl* control)
    : WithInterfaces(filter, DirectionOf(desc), desc.name, PlainTypesOf(desc)),
      desc_(desc),
      control_(desc.streamConfig ? control : nullptr),
      capabilities_(CapabilitiesOf(desc)) {
    if (control_) {
        ReadDeviceConfiguration();
        return;
    }
    if (!capabilities_) {
        return;
    }
    if (const auto index = capabilities_->DefaultIndex()) {
        UseFormat(capabilities_->TypeAt(*index), index);
    } else {
        UseFormat(std::nullopt, std::nullopt);
    }
}

void CapturePin::ReadDeviceConfiguration() {
    controlGeneration_ = control_->ConfigGeneration();
    capabilities_.emplace(control_->StreamConfig());
    std::optional<MediaType> format;
    if (FAILED(control_->ReadFormat(format)) || !format) {
        // A device that cannot say: the configuration's current capability, as recorded.
        if (const auto index = capabilities_->DefaultIndex()) {
            format = capabilities_->TypeAt(*index);
        }
    }
    const std::optional<int> index =
        format ? capabilities_->CapabilityOf(format->Get()) : std::nullopt;
    UseFormat(std::move(format), index);
}

void CapturePin::FollowDevice() {
    if (control_ && control_->ConfigGeneration() != controlGeneration_) {
        ReadDeviceConfiguration();
    }
}

void CapturePin::UseFormat(std::optional<MediaType> format, std::optional<int> index) {
    current_ = std::move(format);
    currentIndex_ = index;
    if (current_) {
        SetMediaTypes({*current_});
        return;
    }
    std::vector<MediaType> offered;
    for (int i = 0; i < capabilities_->Count(); ++i) {
        offered.push_back(capabilities_->TypeAt(i));
    }
    SetMediaTypes(std::move(offered));
}

HRESULT CapturePin::QueryOtherInterface(REFIID riid, void** object) {
    if (riid == IID_IAMStreamConfig && !capabilities_) {
        return E_NOINTERFACE;
    }
    return WithInterfaces::QueryOtherInterface(riid, object);
}

HRESULT CapturePin::CheckMediaType(const AM_MEDIA_TYPE& mediaType) const {
#ifdef _WIN32
    // The platform's capture graph builder does not ask the device whether its preview
    // renders, so the pin the preview starts from refuses to connect instead.
    const auto* const device = dynamic_cast<const CaptureFilter*>(&Owner());
    if (device != nullptr && device->IsPreviewSource(*this)) {
        if (const auto fault = device->PreviewRenderFault(*this)) {
            return *fault;
        }
    }
#endif
    if (!capabilities_) {
        return Pin::CheckMediaType(mediaType);
    }
    if (current_) {
        return MediaTypesEqual(mediaType, current_->Get()) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    return capabilities_->CapabilityOf(mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CapturePin::CompleteConnect(IPin* /*peer*/) {
    if (capabilities_ && !current_) {
        // A pin without a format takes the one it was connected with.
        UseFormat(ConnectionType(), capabilities_->CapabilityOf(ConnectionType().Get()));
    }
    return S_OK;
}

HRESULT CapturePin::SetFormat(AM_MEDIA_TYPE* mediaType) {
    if (!capabilities_) {
        return E_NOINTERFACE;  // reached only past QueryInterface, which refuses
    }
    if (const auto fault = InjectedFault("IAMStreamConfig::SetFormat")) {
        return *fault;
    }
    FollowDevice();
    std::optional<int> index;
    std::optional<MediaType> format;
    if (mediaType == nullptr) {
        index = capabilities_->DefaultIndex();
        if (index) {
            format = capabilities_->TypeAt(*index);
        }
    } else {
        index = capabilities_->CapabilityOf(*mediaType);
        if (!index) {
            return VFW_E_INVALIDMEDIATYPE;
        }
        format = MediaType(*mediaType);
    }
    if (const auto fault = FaultFor(desc_.faults.setFormat, index.value_or(-1))) {
        return *fault;
    }
    if (control_) {
        // The device decides: what it delivers afterwards becomes the pin's format.
        if (const HRESULT hr = control_->ApplyFormat(mediaType, index, format); FAILED(hr)) {
            return hr;
        }
        index = format ? capabilities_->CapabilityOf(format->Get()) : std::nullopt;
    }
    if (IsConnected() && format) {
        if (Owner().State() != State_Stopped) {
            return VFW_E_NOT_STOPPED;
        }
        return ReconnectWith(*format, index);
    }
    UseFormat(std::move(format), index);
    return S_OK;
}

HRESULT CapturePin::ReconnectWith(const MediaType& format, std::optional<int> index) {
    if (Peer()->QueryAccept(&format.Get()) != S_OK) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    ComPtr<IFilterGraph2> graph;
    if (Owner().Graph() == nullptr ||
        FAILED(Owner().Graph()->QueryInterface(IID_PPV_ARGS(graph.GetAddressOf())))) {
        return VFW_E_NOT_IN_GRAPH;
    }
    const ComPtr<IPin> peer = Peer();
    const MediaType previousConnection = ConnectionType();
    const std::optional<MediaType> previous = current_;
    const std::optional<int> previousIndex = currentIndex_;
    UseFormat(format, index);
    const HRESULT hr = graph->ReconnectEx(this, &format.Get());
    if (FAILED(hr)) {
        UseFormat(previous, previousIndex);
        if (!IsConnected()) {
            Connect(peer.Get(), &previousConnection.Get());
        }
    }
    return hr;
}

HRESULT CapturePin::GetFormat(AM_MEDIA_TYPE** mediaType) {
    if (!capabilities_) {
        return E_NOINTERFACE;  // reached only past QueryInterface, which refuses
    }
    if (const auto fault = CallFails("IAMStreamConfig::GetFormat", desc_.faults.getFormat)) {
        return *fault;
    }
    if (mediaType == nullptr) {
        return E_POINTER;
    }
    *mediaType = nullptr;
    FollowDevice();
    std::optional<MediaType> format = current_;
    if (control_) {
        if (const HRESULT hr = control_->ReadFormat(format); FAILED(hr)) {
            return hr;
        }
    }
    if (!format) {
        return E_FAIL;
    }
    *mediaType = format->CreateCopy();
    return *mediaType != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CapturePin::GetNumberOfCapabilities(int* count, int* size) {
    if (!capabilities_) {
        return E_NOINTERFACE;  // reached only past QueryInterface, which refuses
    }
    if (const auto fault = CallFails("IAMStreamConfig::GetNumberOfCapabilities",
                                     desc_.faults.getNumberOfCapabilities)) {
        return *fault;
    }
    if (count == nullptr || size == nullptr) {
        return E_POINTER;
    }
    FollowDevice();
    *count = capabilities_->Count();
    *size = capabilities_->CapsSize();
    return S_OK;
}

HRESULT CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) {
    if (!capabilities_) {
        return E_NOINTERFACE;  // reached only past QueryInterface, which refuses
    }
    if (const auto fault = InjectedFault("IAMStreamConfig::GetStreamCaps")) {
        return *fault;
    }
    if (mediaType == nullptr || caps == nullptr) {
        return E_POINTER;
    }
    *mediaType = nullptr;
    if (index < 0) {
        return E_INVALIDARG;
    }
    FollowDevice();
    if (index >= capabilities_->Count()) {
        return S_FALSE;
    }
    if (const auto fault = FaultFor(desc_.faults.getStreamCaps, index)) {
        return *fault;
    }
    *mediaType = capabilities_->TypeAt(index).CreateCopy();
    if (*mediaType == nullptr) {
        return E_OUTOFMEMORY;
    }
    capabilities_->CopyCaps(index, caps);
    return S_OK;
}

HRESULT CapturePin::CheckPropertyId(REFGUID propertySet, DWORD propertyId) const {
    if (propertySet != AMPROPSETID_Pin) {
        return E_PROP_SET_UNSUPPORTED;
    }
    if (propertyId != AMPROPERTY_PIN_CATEGORY || !desc_.category) {
        return E_PROP_ID_UNSUPPORTED;
    }
    return S_OK;
}

HRESULT CapturePin::Set(REFGUID propertySet, DWORD /*propertyId*/, void* /*instanceData*/,
                        DWORD /*instanceSize*/, void* /*propertyData*/, DWORD /*dataSize*/) {
    // The category is read-only.
    return propertySet != AMPROPSETID_Pin ? E_PROP_SET_UNSUPPORTED : E_PROP_ID_UNSUPPORTED;
}

HRESULT CapturePin::Get(REFGUID propertySet, DWORD propertyId, void* /*instanceData*/,
                        DWORD /*instanceSize*/, void* propertyData, DWORD dataSize,
                        DWORD* returned) {
    if (const auto fault = InjectedFault("IKsPropertySet::Get")) {
        return *fault;
    }
    if (const HRESULT hr = CheckPropertyId(propertySet, propertyId); FAILED(hr)) {
        return hr;
    }
    if (propertyData == nullptr) {
        return E_POINTER;
    }
    if (dataSize < sizeof(GUID)) {
        return E_UNEXPECTED;
    }
    std::memcpy(propertyData, &*desc_.category, sizeof(GUID));
    if (returned != nullptr) {
        *returned = sizeof(GUID);
    }
    return S_OK;
}

HRESULT CapturePin::QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* typeSupport) {
    if (typeSupport == nullptr) {
        return E_POINTER;
    }
    if (const HRESULT hr = CheckPropertyId(propertySet, propertyId); FAILED(hr)) {
        return hr;
    }
    *typeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

CaptureFilter::CaptureFilter(std::shared_ptr<const CatalogDevice> device,
                             std::shared_ptr<DeviceControl> control)
    : Filter(ClassOf(*device), AM_FILTER_MISC_FLAGS_IS_SOURCE),
      device_(std::move(device)),
      control_(std::move(control)),
      presence_(device_->properties.devicePath.value_or(u""), DeviceLostSender(*this)) {
    // A capture device is live: it produces no data while paused.
    SetLive(true);
    for (const PinDesc& pin : device_->pins) {
        AddPin<CapturePin>(pin, control_.get());
    }
}

CaptureFilter::~CaptureFilter() = default;

namespace {

// Answered only by our capture filters, with the filter itself: a cast of a filter that
// another module made (the system's, on Windows) would be undefined.
const IID kCaptureFilterSelf{
    0x7c0a1f3e, 0x5b2d, 0x4e8a, {0x9f, 0x31, 0x2c, 0x6d, 0x4b, 0x8e, 0x10, 0xa7}};

}  // namespace

CaptureFilter* CaptureFilter::From(IBaseFilter* filter) {
    void* self = nullptr;
    if (filter == nullptr || FAILED(filter->QueryInterface(kCaptureFilterSelf, &self)) ||
        self == nullptr) {
        return nullptr;
    }
    auto* const own = static_cast<CaptureFilter*>(self);
    own->Release();  // the caller holds the filter
    return own;
}

HRESULT CaptureFilter::QueryOtherInterface(REFIID riid, void** object) {
    if (riid == kCaptureFilterSelf) {
        AddRef();
        *object = this;
        return S_OK;
    }
    return Filter::QueryOtherInterface(riid, object);
}

ComPtr<CrossbarFilter> CaptureFilter::Crossbar() {
    if (!crossbar_ && device_->crossbar) {
        crossbar_ = MakeComObject<CrossbarFilter>(device_, control_);
    }
    return crossbar_;
}

std::u16string CaptureFilter::CrossbarName() const {
    const auto& name = device_->properties.friendlyName;
    return name ? *name + u" Crossbar" : u"Analog Video Crossbar";
}

HRESULT CaptureFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    const HRESULT hr = Filter::JoinFilterGraph(graph, name);
#ifdef _WIN32
    if (SUCCEEDED(hr) && graph != nullptr) {
        AddCrossbarTo(*graph);
    }
#endif
    return hr;
}

// Adds the crossbar and connects its video output to the analog video input; a crossbar
// that cannot be connected leaves the graph again. Without either nothing happens.
void CaptureFilter::AddCrossbarTo(IFilterGraph& graph) {
    CapturePin* const input = AnalogVideoInput();
    const ComPtr<CrossbarFilter> crossbar = input != nullptr ? Crossbar() : nullptr;
    Pin* const output = crossbar ? crossbar->VideoOutput() : nullptr;
    if (output == nullptr || output->IsConnected() || input->IsConnected() ||
        crossbar->Graph() != nullptr) {
        return;
    }
    if (FAILED(graph.AddFilter(crossbar.Get(), WideText(CrossbarName())))) {
        return;
    }
    if (FAILED(graph.ConnectDirect(output, input, nullptr))) {
        graph.RemoveFilter(crossbar.Get());
    }
}

CapturePin* CaptureFilter::AnalogVideoInput() const {
    for (const auto& pin : Pins()) {
        auto* capturePin = dynamic_cast<CapturePin*>(pin.get());
        if (capturePin != nullptr && capturePin->Direction() == PINDIR_INPUT &&
            capturePin->Category() == PIN_CATEGORY_ANALOGVIDEOIN) {
            return capturePin;
        }
    }
    return nullptr;
}

bool CaptureFilter::IsPreviewSource(const CapturePin& pin) const {
    if (pin.Direction() != PINDIR_OUTPUT) {
        return false;
    }
    if (pin.Category() == PIN_CATEGORY_PREVIEW) {
        return true;
    }
    const bool hasPreviewPin = std::any_of(Pins().begin(), Pins().end(), [](const auto& other) {
        const auto* capturePin = dynamic_cast<const CapturePin*>(other.get());
        return capturePin != nullptr && capturePin->Direction() == PINDIR_OUTPUT &&
               capturePin->Category() == PIN_CATEGORY_PREVIEW;
    });
    return !hasPreviewPin && pin.Category() == PIN_CATEGORY_CAPTURE;
}

std::optional<HRESULT> CaptureFilter::PreviewRenderFault(const CapturePin& streamPin) const {
    // -1 (no current format) is in no index list, so only an unindexed fault applies then.
    return FaultFor(device_->faults.renderPreview, streamPin.CurrentCapability().value_or(-1));
}

void InstallCaptureDeviceFactory() {
    SetDeviceFilterFactory(
        [](std::shared_ptr<const CatalogDevice> device, REFIID riid, void** object) {
            return MakeComObject<CaptureFilter>(std::move(device))->QueryInterface(riid, object);
        });
}

}  // namespace capspect::sim
