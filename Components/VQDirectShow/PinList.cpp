#include "Components/VQDirectShow/PinList.h"

#include "framework/Exceptions.h"
#include "platform/support/comptr.h"

namespace capspect {

TPinList::TPinList(IBaseFilter* BaseFilter, PIN_DIRECTION APinDirection) : FFilter(BaseFilter) {
    Update(APinDirection);
}

void TPinList::Update(PIN_DIRECTION APinDirection) {
    const auto lock = Lock();
    Clear();
    ComPtr<IEnumPins> pins;
    if (!FFilter || FAILED(FFilter->EnumPins(pins.GetAddressOf()))) {
        return;
    }
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_DIRECTION direction{};
        if (pin->QueryDirection(&direction) == S_OK && direction == APinDirection) {
            Add(pin.Get());
        }
    }
}

int TPinList::Add(IPin* Item) {
    return TInterfaceList::Add(ComPtr<IUnknown>(Item));
}

ComPtr<IPin> TPinList::Items(int index) const {
    const ComPtr<IUnknown> item = Get(index);
    ComPtr<IPin> pin;
    if (!item || FAILED(item.As(&pin))) {
        throw EIntfCastError(u"Interface not supported");
    }
    return pin;
}

HRESULT TPinList::PinInfo(int index, OwnedPinInfo& info) const {
    return Items(index)->QueryPinInfo(info.Receive());
}

}  // namespace capspect
