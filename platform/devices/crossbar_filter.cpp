#include "platform/devices/crossbar_filter.h"

#include <cctype>
#include <string>

#include "platform/devices/catalog_faults.h"
#include "platform/support/unicode.h"

namespace capspect::sim {
namespace {

bool IsVideoConnector(LONG type) {
    return type < PhysConn_Audio_Tuner;
}

// "Video Composite" for PhysConn_Video_Composite, "Video Decoder" for
// PhysConn_Video_VideoDecoder; the number for connectors without a name.
std::u16string ConnectorLabel(LONG type) {
    std::string name = CatalogConnectorText(type);
    constexpr std::string_view kPrefix = "PhysConn_";
    if (!name.starts_with(kPrefix)) {
        return Utf8ToUtf16(name);
    }
    name.erase(0, kPrefix.size());
    std::string label;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const bool wordStart = i > 0 && std::isupper(static_cast<unsigned char>(name[i])) &&
                               std::islower(static_cast<unsigned char>(name[i - 1]));
        if (name[i] == '_' || wordStart) {
            label += ' ';
        }
        if (name[i] != '_') {
            label += name[i];
        }
    }
    // "Video Video Decoder" names its kind twice.
    const std::size_t firstSpace = label.find(' ');
    const std::string kind = label.substr(0, firstSpace + 1);
    if (firstSpace != std::string::npos && label.compare(kind.size(), kind.size(), kind) == 0) {
        label.erase(0, kind.size());
    }
    return Utf8ToUtf16(label);
}

std::u16string PinName(std::size_t index, LONG type, bool isInput) {
    return Utf8ToUtf16(std::to_string(index)) + u": " + ConnectorLabel(type) +
           (isInput ? u" In" : u" Out");
}

// Analog pins carry no format; FORMAT_None makes the type complete enough to connect with.
MediaType AnalogType(LONG connector) {
    return MediaType(IsVideoConnector(connector) ? MEDIATYPE_AnalogVideo : MEDIATYPE_AnalogAudio,
                     GUID_NULL, FORMAT_None);
}

}  // namespace

CrossbarFilter::CrossbarFilter(std::shared_ptr<const CatalogDevice> device,
                               std::shared_ptr<DeviceControl> control)
    : WithInterfaces(CLSID_Proxy),
      device_(std::move(device)),
      control_(std::move(control)),
      desc_(device_->crossbar.value()),
      presence_(device_->properties.devicePath.value_or(u""), DeviceLostSender(*this)) {
    for (std::size_t i = 0; i < desc_.inputs.size(); ++i) {
        const LONG type = desc_.inputs[i].type;
        AddInputPin(PinName(i, type, true), {AnalogType(type)});
    }
    for (std::size_t o = 0; o < desc_.outputs.size(); ++o) {
        const LONG type = desc_.outputs[o].type;
        outputPins_.push_back(&AddOutputPin(PinName(o, type, false), {AnalogType(type)}));
        routedFrom_.push_back(desc_.outputs[o].routedFrom);
    }
}

bool CrossbarFilter::IsOutput(LONG index) const {
    return index >= 0 && static_cast<std::size_t>(index) < desc_.outputs.size();
}

bool CrossbarFilter::IsInput(LONG index) const {
    return index >= 0 && static_cast<std::size_t>(index) < desc_.inputs.size();
}

Pin* CrossbarFilter::VideoOutput() const {
    for (std::size_t o = 0; o < desc_.outputs.size(); ++o) {
        if (IsVideoConnector(desc_.outputs[o].type)) {
            return outputPins_[o];
        }
    }
    return nullptr;
}

HRESULT CrossbarFilter::get_PinCounts(LONG* outputPinCount, LONG* inputPinCount) {
    if (const auto fault = CallFails("IAMCrossbar::get_PinCounts", desc_.faults.getPinCounts)) {
        return *fault;
    }
    if (outputPinCount == nullptr || inputPinCount == nullptr) {
        return E_POINTER;
    }
    *outputPinCount = static_cast<LONG>(desc_.outputs.size());
    *inputPinCount = static_cast<LONG>(desc_.inputs.size());
    return S_OK;
}

HRESULT CrossbarFilter::CanRoute(LONG outputPinIndex, LONG inputPinIndex) {
    if (const auto fault = InjectedFault("IAMCrossbar::CanRoute")) {
        return *fault;
    }
    if (!IsOutput(outputPinIndex) || !IsInput(inputPinIndex)) {
        return E_INVALIDARG;
    }
    if (const auto fault = FaultFor(desc_.faults.canRoute, outputPinIndex)) {
        return *fault;
    }
    return desc_.CanRoute(outputPinIndex, inputPinIndex) ? S_OK : S_FALSE;
}

HRESULT CrossbarFilter::Route(LONG outputPinIndex, LONG inputPinIndex) {
    if (const auto fault = InjectedFault("IAMCrossbar::Route")) {
        return *fault;
    }
    if (!IsOutput(outputPinIndex) || !IsInput(inputPinIndex)) {
        return E_INVALIDARG;
    }
    if (const auto fault = FaultFor(desc_.faults.route, outputPinIndex)) {
        return *fault;
    }
    // The platform answers S_FALSE for a pair of pins that cannot be routed.
    if (!desc_.CanRoute(outputPinIndex, inputPinIndex)) {
        return S_FALSE;
    }
    if (control_) {
        if (const HRESULT hr = control_->Route(outputPinIndex, inputPinIndex); FAILED(hr)) {
            return hr;
        }
    }
    routedFrom_[static_cast<std::size_t>(outputPinIndex)] = inputPinIndex;
    return S_OK;
}

HRESULT CrossbarFilter::get_IsRoutedTo(LONG outputPinIndex, LONG* inputPinIndex) {
    if (const auto fault = InjectedFault("IAMCrossbar::get_IsRoutedTo")) {
        return *fault;
    }
    if (inputPinIndex == nullptr) {
        return E_POINTER;
    }
    if (!IsOutput(outputPinIndex)) {
        return E_INVALIDARG;
    }
    if (const auto fault = FaultFor(desc_.faults.getIsRoutedTo, outputPinIndex)) {
        return *fault;
    }
    const LONG routed = routedFrom_[static_cast<std::size_t>(outputPinIndex)];
    *inputPinIndex = routed;
    return routed == -1 ? S_FALSE : S_OK;
}

HRESULT CrossbarFilter::get_CrossbarPinInfo(BOOL isInputPin, LONG pinIndex, LONG* pinIndexRelated,
                                            LONG* physicalType) {
    if (const auto fault = InjectedFault("IAMCrossbar::get_CrossbarPinInfo")) {
        return *fault;
    }
    if (pinIndexRelated == nullptr || physicalType == nullptr) {
        return E_POINTER;
    }
    const bool isInput = isInputPin != FALSE;
    if (isInput ? !IsInput(pinIndex) : !IsOutput(pinIndex)) {
        return E_INVALIDARG;
    }
    const auto& fault = desc_.faults.getCrossbarPinInfo;
    if (fault && fault->AppliesTo(isInput, pinIndex)) {
        return fault->hr;
    }
    const auto index = static_cast<std::size_t>(pinIndex);
    *pinIndexRelated = isInput ? desc_.inputs[index].related : desc_.outputs[index].related;
    *physicalType = isInput ? desc_.inputs[index].type : desc_.outputs[index].type;
    return S_OK;
}

}  // namespace capspect::sim
