// The simulated analog video crossbar: the switch in front of an analog capture device
// that routes one of its physical inputs (tuner, composite, S-Video, audio lines) to each
// of its outputs. It is made from the device's catalog entry; the capture graph builder
// puts it into the graph and connects its video output to the device's analog video input.
//
// Each input and output is a pin named "<index>: <connector> In" or "… Out" (for example
// "2: Video Composite In"), carrying MEDIATYPE_AnalogVideo or MEDIATYPE_AnalogAudio by
// connector kind. The routing starts as the catalog's routedFrom values and changes with
// Route for as long as the filter lives.
//
// Simulated calls that tests can make fail (platform/faults.h): "IAMCrossbar::get_PinCounts",
// "IAMCrossbar::get_CrossbarPinInfo", "IAMCrossbar::get_IsRoutedTo", "IAMCrossbar::CanRoute",
// "IAMCrossbar::Route"; the catalog's crossbar faults fail them per pin.
//
// With a DeviceControl (a real device), Route asks the device to switch first and changes
// the routing only when it did.
#pragma once

#include <memory>
#include <vector>

#include "platform/devices/catalog.h"
#include "platform/devices/device_control.h"
#include "platform/devices/device_presence.h"
#include "platform/directshow/filter.h"
#include "platform/directshow/interfaces.h"

namespace capspect::sim {

// The class the platform's kernel-streaming wrapper filters (crossbars among them) report.
inline constexpr CLSID CLSID_Proxy{
    0x17CCA71B, 0xECD7, 0x11D0, {0xB9, 0x08, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

class CrossbarFilter : public WithInterfaces<Filter, IAMCrossbar> {
public:
    // `device` must have a crossbar.
    explicit CrossbarFilter(std::shared_ptr<const CatalogDevice> device,
                            std::shared_ptr<DeviceControl> control = nullptr);

    HRESULT STDMETHODCALLTYPE get_PinCounts(LONG* outputPinCount, LONG* inputPinCount) override;
    HRESULT STDMETHODCALLTYPE CanRoute(LONG outputPinIndex, LONG inputPinIndex) override;
    HRESULT STDMETHODCALLTYPE Route(LONG outputPinIndex, LONG inputPinIndex) override;
    HRESULT STDMETHODCALLTYPE get_IsRoutedTo(LONG outputPinIndex, LONG* inputPinIndex) override;
    HRESULT STDMETHODCALLTYPE get_CrossbarPinInfo(BOOL isInputPin, LONG pinIndex,
                                                  LONG* pinIndexRelated,
                                                  LONG* physicalType) override;

    // The output that feeds a capture device's analog video input: the first video output.
    Pin* VideoOutput() const;

private:
    bool IsOutput(LONG index) const;
    bool IsInput(LONG index) const;

    const std::shared_ptr<const CatalogDevice> device_;
    const std::shared_ptr<DeviceControl> control_;
    const CrossbarDesc& desc_;
    std::vector<LONG> routedFrom_;  // per output
    std::vector<Pin*> outputPins_;
    // Last, so that it ends first: no announcement reaches a filter being destroyed.
    const DevicePresenceWatch presence_;
};

}  // namespace capspect::sim
