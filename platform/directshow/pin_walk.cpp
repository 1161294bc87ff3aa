#include "platform/directshow/pin_walk.h"

#include "platform/sdk/dshow/capture.h"
#include "platform/support/comptr.h"
#include "platform/support/mediatypes.h"
#include "platform/support/pin_category.h"

namespace capspect::sim {
namespace {

// Deeper chains than this are taken for a loop in a malformed graph.
constexpr int kMaxWalkDepth = 32;

ComPtr<IUnknown> IdentityOf(IUnknown* object) {
    ComPtr<IUnknown> identity;
    if (object != nullptr) {
        object->QueryInterface(IID_PPV_ARGS(identity.GetAddressOf()));
    }
    return identity;
}

}  // namespace

ComPtr<IBaseFilter> OwnerOf(IPin* pin) {
    PIN_INFO info{};
    if (pin == nullptr || FAILED(pin->QueryPinInfo(&info))) {
        return nullptr;
    }
    ComPtr<IBaseFilter> owner;
    owner.Attach(info.pFilter);
    return owner;
}

ComPtr<IPin> PeerOf(IPin* pin) {
    ComPtr<IPin> peer;
    if (pin == nullptr || FAILED(pin->ConnectedTo(peer.GetAddressOf()))) {
        return nullptr;
    }
    return peer;
}

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, std::optional<PIN_DIRECTION> direction) {
    std::vector<ComPtr<IPin>> pins;
    ComPtr<IEnumPins> enumerator;
    if (filter == nullptr || FAILED(filter->EnumPins(enumerator.GetAddressOf()))) {
        return pins;
    }
    ComPtr<IPin> pin;
    while (enumerator->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_DIRECTION pinDirection{};
        if (direction &&
            (FAILED(pin->QueryDirection(&pinDirection)) || pinDirection != *direction)) {
            continue;
        }
        pins.push_back(pin);
    }
    return pins;
}

std::vector<ComPtr<IPin>> UnconnectedPinsOf(IBaseFilter* filter, PIN_DIRECTION direction) {
    std::vector<ComPtr<IPin>> pins = PinsOf(filter, direction);
    std::erase_if(pins, [](const ComPtr<IPin>& pin) { return PeerOf(pin.Get()) != nullptr; });
    return pins;
}

std::optional<GUID> CategoryOf(IPin* pin) {
    return PinCategoryOf(*pin);
}

bool CarriesMajorType(IPin* pin, const GUID& majorType) {
    MediaType connection;
    if (SUCCEEDED(pin->ConnectionMediaType(connection.Receive()))) {
        return connection->majortype == majorType;
    }
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(types.GetAddressOf()))) {
        return false;
    }
    AM_MEDIA_TYPE* next = nullptr;
    while (types->Next(1, &next, nullptr) == S_OK) {
        const UniqueMediaType owned(next);
        if (owned->majortype == majorType) {
            return true;
        }
    }
    return false;
}

bool IsSameObject(IUnknown* a, IUnknown* b) {
    const ComPtr<IUnknown> identityA = IdentityOf(a);
    return identityA && identityA.Get() == IdentityOf(b).Get();
}

bool PinMatches(IPin* pin, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                bool unconnectedOnly) {
    PIN_DIRECTION pinDirection{};
    if (pin == nullptr || FAILED(pin->QueryDirection(&pinDirection)) || pinDirection != direction) {
        return false;
    }
    if (category != nullptr && CategoryOf(pin) != *category) {
        return false;
    }
    if (type != nullptr && !CarriesMajorType(pin, *type)) {
        return false;
    }
    return !unconnectedOnly || !PeerOf(pin);
}

bool InterfaceSearch::Ask(IUnknown* object) {
    const ComPtr<IUnknown> identity = IdentityOf(object);
    if (!identity || !asked_.insert(identity.Get()).second) {
        return false;
    }
    return SUCCEEDED(object->QueryInterface(riid_, object_));
}

bool InterfaceSearch::AskFilterAndPins(IBaseFilter* filter) {
    if (Ask(filter)) {
        return true;
    }
    for (const ComPtr<IPin>& pin : PinsOf(filter)) {
        if (Ask(pin.Get())) {
            return true;
        }
    }
    return false;
}

bool InterfaceSearch::Upstream(IBaseFilter* filter) {
    return Walk(filter, PINDIR_INPUT, 0);
}

bool InterfaceSearch::Downstream(IBaseFilter* filter) {
    return Walk(filter, PINDIR_OUTPUT, 0);
}

bool InterfaceSearch::DownstreamOfPin(IPin* output) {
    return Across(output, PINDIR_OUTPUT, 0);
}

bool InterfaceSearch::Walk(IBaseFilter* filter, PIN_DIRECTION from, int depth) {
    if (depth > kMaxWalkDepth) {
        return false;
    }
    for (const ComPtr<IPin>& pin : PinsOf(filter, from)) {
        if (Across(pin.Get(), from, depth)) {
            return true;
        }
    }
    return false;
}

bool InterfaceSearch::Across(IPin* pin, PIN_DIRECTION from, int depth) {
    if (Ask(pin)) {
        return true;
    }
    const ComPtr<IPin> peer = PeerOf(pin);
    if (!peer) {
        return false;
    }
    if (Ask(peer.Get())) {
        return true;
    }
    const ComPtr<IBaseFilter> next = OwnerOf(peer.Get());
    return next && (AskFilterAndPins(next.Get()) || Walk(next.Get(), from, depth + 1));
}

}  // namespace capspect::sim
