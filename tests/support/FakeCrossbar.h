// Test support: an IAMCrossbar with configurable input and output pins, routes and a
// failure code per call, per pin where the call names one. It records the routing calls it
// receives.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include <dshow.h>

#include "platform/support/comobject.h"

namespace capspect::test {

class FakeCrossbar : public ComObject<IAMCrossbar> {
public:
    // What get_CrossbarPinInfo answers for one pin.
    struct PinInfo {
        LONG type = 0;
        LONG related = -1;
        HRESULT result = S_OK;
        // Misbehaviour to survive: values written into the out-parameters although the
        // call fails. None leaves them untouched.
        std::optional<std::pair<LONG, LONG>> relatedAndTypeOnFailure;
    };

    struct Output {
        PinInfo info;
        // The input routed to this output; any value is answered as given.
        LONG routedFrom = -1;
        // get_IsRoutedTo for this output answers this code (and routedFrom unless it fails).
        HRESULT isRoutedToResult = S_OK;
        // The inputs CanRoute accepts for this output.
        std::vector<LONG> canRouteFrom;
        // Replaces CanRoute's own answer for this output.
        std::optional<HRESULT> canRouteResult;
    };

    struct RouteCall {
        LONG output;
        LONG input;
        bool operator==(const RouteCall&) const = default;
    };

    std::vector<PinInfo> inputs;
    std::vector<Output> outputs;
    HRESULT pinCountsResult = S_OK;
    // Route answers this code; a failure leaves the routing as it was.
    HRESULT routeResult = S_OK;

    std::vector<RouteCall> canRouteCalls;
    std::vector<RouteCall> routeCalls;
    std::vector<LONG> isRoutedToCalls;

    PinInfo& AddInput(PhysicalConnectorType type, LONG related = -1) {
        PinInfo info;
        info.type = type;
        info.related = related;
        return inputs.emplace_back(info);
    }

    Output& AddOutput(PhysicalConnectorType type, LONG routedFrom = -1,
                      std::vector<LONG> canRouteFrom = {}) {
        Output output;
        output.info.type = type;
        output.routedFrom = routedFrom;
        output.canRouteFrom = std::move(canRouteFrom);
        return outputs.emplace_back(std::move(output));
    }

    HRESULT get_PinCounts(LONG* outputPinCount, LONG* inputPinCount) override {
        if (outputPinCount == nullptr || inputPinCount == nullptr) {
            return E_POINTER;
        }
        if (SUCCEEDED(pinCountsResult)) {
            *outputPinCount = static_cast<LONG>(outputs.size());
            *inputPinCount = static_cast<LONG>(inputs.size());
        }
        return pinCountsResult;
    }

    HRESULT CanRoute(LONG outputPinIndex, LONG inputPinIndex) override {
        canRouteCalls.push_back({outputPinIndex, inputPinIndex});
        if (!IsOutput(outputPinIndex) || !IsInput(inputPinIndex)) {
            return E_INVALIDARG;
        }
        const Output& output = OutputAt(outputPinIndex);
        if (output.canRouteResult) {
            return *output.canRouteResult;
        }
        return std::ranges::find(output.canRouteFrom, inputPinIndex) != output.canRouteFrom.end()
                   ? S_OK
                   : S_FALSE;
    }

    HRESULT Route(LONG outputPinIndex, LONG inputPinIndex) override {
        routeCalls.push_back({outputPinIndex, inputPinIndex});
        if (!IsOutput(outputPinIndex) || !IsInput(inputPinIndex)) {
            return E_INVALIDARG;
        }
        if (SUCCEEDED(routeResult)) {
            OutputAt(outputPinIndex).routedFrom = inputPinIndex;
        }
        return routeResult;
    }

    HRESULT get_IsRoutedTo(LONG outputPinIndex, LONG* inputPinIndex) override {
        isRoutedToCalls.push_back(outputPinIndex);
        if (inputPinIndex == nullptr) {
            return E_POINTER;
        }
        if (!IsOutput(outputPinIndex)) {
            return E_INVALIDARG;
        }
        const Output& output = OutputAt(outputPinIndex);
        if (SUCCEEDED(output.isRoutedToResult)) {
            *inputPinIndex = output.routedFrom;
        }
        return output.isRoutedToResult;
    }

    HRESULT get_CrossbarPinInfo(BOOL isInputPin, LONG pinIndex, LONG* pinIndexRelated,
                                LONG* physicalType) override {
        if (pinIndexRelated == nullptr || physicalType == nullptr) {
            return E_POINTER;
        }
        const bool known = isInputPin ? IsInput(pinIndex) : IsOutput(pinIndex);
        if (!known) {
            return E_INVALIDARG;
        }
        const PinInfo& info =
            isInputPin ? inputs[static_cast<std::size_t>(pinIndex)] : OutputAt(pinIndex).info;
        if (SUCCEEDED(info.result)) {
            *pinIndexRelated = info.related;
            *physicalType = info.type;
        } else if (info.relatedAndTypeOnFailure) {
            *pinIndexRelated = info.relatedAndTypeOnFailure->first;
            *physicalType = info.relatedAndTypeOnFailure->second;
        }
        return info.result;
    }

private:
    bool IsInput(LONG index) const {
        return index >= 0 && static_cast<std::size_t>(index) < inputs.size();
    }
    bool IsOutput(LONG index) const {
        return index >= 0 && static_cast<std::size_t>(index) < outputs.size();
    }
    Output& OutputAt(LONG index) { return outputs[static_cast<std::size_t>(index)]; }
};

}  // namespace capspect::test
