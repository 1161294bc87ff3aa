// The filter of a simulated capture device, made from its catalog entry when a device
// moniker is bound (IMoniker::BindToObject). Its pins are the catalog's pins, in catalog
// order, with their names and directions. Every pin answers its category through
// IKsPropertySet (AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY); a pin with a stream
// configuration offers IAMStreamConfig over the catalog's capabilities.
//
// Formats: before any SetFormat a pin's format is the catalog's `current` capability. A
// format that SetFormat accepts (one that falls under a capability, see CapabilityList)
// becomes the pin's format: GetFormat answers it and the pin connects with it and with
// nothing else. SetFormat(NULL) returns to the catalog's `current` capability. A pin
// without a current format offers every capability's type for a connection and takes the
// one it connects with as its format. On a connected pin, SetFormat reconnects with the
// new format when the peer accepts it.
//
// Simulated calls that tests can make fail (platform/faults.h):
// "IAMStreamConfig::SetFormat", "IAMStreamConfig::GetFormat",
// "IAMStreamConfig::GetNumberOfCapabilities", "IAMStreamConfig::GetStreamCaps",
// "IKsPropertySet::Get"; the catalog's pin faults fail them per pin and capability.
//
// A filter made with a DeviceControl (a real device) takes its stream configuration from
// the control, reading it again whenever the control's generation changes (after a
// crossbar route switched the input); GetFormat answers the format the device delivers
// now, and SetFormat hands the format to the device and keeps what the device then
// delivers.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/devices/capability_list.h"
#include "platform/devices/catalog.h"
#include "platform/devices/device_control.h"
#include "platform/devices/device_presence.h"
#include "platform/devices/format_trial.h"
#include "platform/directshow/filter.h"
#include "platform/directshow/interfaces.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

class CrossbarFilter;

class CapturePin : public WithInterfaces<Pin, IAMStreamConfig, IKsPropertySet> {
public:
    // `control`, when given, belongs to the filter and outlives the pin.
    CapturePin(Filter& filter, const PinDesc& desc, DeviceControl* control = nullptr);

    // IAMStreamConfig
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** mediaType) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType,
                                            BYTE* caps) override;

    // IKsPropertySet: the pin category, read-only.
    HRESULT STDMETHODCALLTYPE Set(REFGUID propertySet, DWORD propertyId, void* instanceData,
                                  DWORD instanceSize, void* propertyData, DWORD dataSize) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID propertySet, DWORD propertyId, void* instanceData,
                                  DWORD instanceSize, void* propertyData, DWORD dataSize,
                                  DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID propertySet, DWORD propertyId,
                                             DWORD* typeSupport) override;

    const std::optional<GUID>& Category() const { return desc_.category; }
    const PinDesc& Desc() const { return desc_; }
    // The capability the pin's current format falls under, if it has one.
    std::optional<int> CurrentCapability() const { return currentIndex_; }

protected:
    HRESULT QueryOtherInterface(REFIID riid, void** object) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) const override;
    HRESULT CompleteConnect(IPin* peer) override;

private:
    // Makes `format` (of capability `index`) the pin's format, or clears it.
    void UseFormat(std::optional<MediaType> format, std::optional<int> index);
    HRESULT ReconnectWith(const MediaType& format, std::optional<int> index);
    HRESULT CheckPropertyId(REFGUID propertySet, DWORD propertyId) const;
    // With a device control: takes the control's stream configuration and the device's
    // format when the configuration changed since the pin last read it.
    void FollowDevice();
    void ReadDeviceConfiguration();

    const PinDesc& desc_;
    DeviceControl* const control_;
    unsigned controlGeneration_ = 0;
    std::optional<CapabilityList> capabilities_;
    std::optional<MediaType> current_;
    std::optional<int> currentIndex_;
};

class CaptureFilter : public Filter {
public:
    // `control`: the driver of a real device, none for a simulated one.
    explicit CaptureFilter(std::shared_ptr<const CatalogDevice> device,
                           std::shared_ptr<DeviceControl> control = nullptr);
    ~CaptureFilter() override;

    // The capture filter of ours behind `filter`, or null for any other filter (asked
    // through COM, so a filter of the system's is safe to ask).
    static CaptureFilter* From(IBaseFilter* filter);

    const CatalogDevice& Device() const { return *device_; }

    // The crossbar in front of the device (one per filter, made on first use); null when
    // the catalog gives none.
    ComPtr<CrossbarFilter> Crossbar();
    // The input pin a crossbar feeds: the first input of category PIN_CATEGORY_ANALOGVIDEOIN.
    CapturePin* AnalogVideoInput() const;
    // The crossbar's name in a graph.
    std::u16string CrossbarName() const;

    // On Windows the filter puts its crossbar in front of itself when it joins a graph:
    // the platform's capture graph builder finds a device's crossbar by the
    // kernel-streaming mediums of its pins, which our filters do not have. Our own capture
    // graph builder adds it itself.
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;

    // The code RenderStream of the preview stream fails with when it starts from
    // `streamPin`, the device pin the preview comes from (the catalog's RenderPreview).
    std::optional<HRESULT> PreviewRenderFault(const CapturePin& streamPin) const;
    // Whether the preview starts from `pin`: the preview pin, or without one the capture pin.
    bool IsPreviewSource(const CapturePin& pin) const;

    // Streaming trials of the pin behind `streamConfig` (one of this filter's): the
    // device's own for a real device, the catalog's for a simulated one. Null when no pin
    // of the filter offers that stream configuration.
    std::unique_ptr<FormatTrials> MakeTrials(IAMStreamConfig* streamConfig);

protected:
    // Answers the private interface From asks for with the filter itself.
    HRESULT QueryOtherInterface(REFIID riid, void** object) override;

private:
    void AddCrossbarTo(IFilterGraph& graph);

    const std::shared_ptr<const CatalogDevice> device_;
    const std::shared_ptr<DeviceControl> control_;
    ComPtr<CrossbarFilter> crossbar_;
    // Last, so that it ends first: no announcement reaches a filter being destroyed.
    const DevicePresenceWatch presence_;
};

// Makes device monikers bind to CaptureFilter objects.
void InstallCaptureDeviceFactory();

}  // namespace capspect::sim
