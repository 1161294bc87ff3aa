// Walking a filter graph through the platform's interfaces: a filter's pins, a pin's owner
// and peer, its category and media types, and the searches of
// ICaptureGraphBuilder2::FindInterface and FindPin.
#pragma once

#include <optional>
#include <set>
#include <vector>

#include "platform/sdk/dshow/filters.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

ComPtr<IBaseFilter> OwnerOf(IPin* pin);
// The pin connected to `pin`, or null.
ComPtr<IPin> PeerOf(IPin* pin);
// The filter's pins of `direction` (all pins without one), in enumeration order.
std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter,
                                 std::optional<PIN_DIRECTION> direction = std::nullopt);
// The filter's pins of `direction` that are not connected, in enumeration order.
std::vector<ComPtr<IPin>> UnconnectedPinsOf(IBaseFilter* filter, PIN_DIRECTION direction);
// The category the pin reports through IKsPropertySet, if any.
std::optional<GUID> CategoryOf(IPin* pin);
// Whether the pin carries `majorType`: its connection's type when connected, else one of
// the types it enumerates.
bool CarriesMajorType(IPin* pin, const GUID& majorType);
bool IsSameObject(IUnknown* a, IUnknown* b);

// ICaptureGraphBuilder2::FindPin's test of one pin; a null category or type matches any.
bool PinMatches(IPin* pin, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                bool unconnectedOnly);

// Asks filters and pins for an interface, each object once, in the order of a walk.
class InterfaceSearch {
public:
    InterfaceSearch(REFIID riid, void** object) : riid_(riid), object_(object) {}

    // Asks `object` itself; true once the interface was found.
    bool Ask(IUnknown* object);
    // Asks the filter, then its pins.
    bool AskFilterAndPins(IBaseFilter* filter);
    // From each input pin of `filter` upstream: the pin, its peer, the peer's filter and
    // its pins, and on up. The filter itself is not asked.
    bool Upstream(IBaseFilter* filter);
    // From each output pin of `filter` downstream, likewise.
    bool Downstream(IBaseFilter* filter);
    // Downstream of one output pin: the pin, its peer, the peer's filter, and on down.
    bool DownstreamOfPin(IPin* output);

private:
    bool Walk(IBaseFilter* filter, PIN_DIRECTION from, int depth);
    bool Across(IPin* pin, PIN_DIRECTION from, int depth);

    const IID& riid_;
    void** object_;
    std::set<IUnknown*> asked_;
};

}  // namespace capspect::sim
