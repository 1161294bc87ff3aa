// TPinList: the pins of one direction of a filter, as a lock-protected list of references.
#pragma once

#include <dshow.h>

#include "framework/InterfaceList.h"
#include "platform/support/comptr.h"
#include "platform/support/pin_info.h"

namespace capspect {

class TPinList : public TInterfaceList {
public:
    // The pins of `BaseFilter` (referenced while the list lives) of `APinDirection`.
    TPinList(IBaseFilter* BaseFilter, PIN_DIRECTION APinDirection);

    // Refills the list with the filter's pins of `APinDirection`, in enumeration order.
    void Update(PIN_DIRECTION APinDirection);
    // Appends a pin and answers its index.
    int Add(IPin* Item);
    // The pin at `index`; raises EListError outside the list and EIntfCastError for an
    // entry that is not a pin.
    ComPtr<IPin> Items(int index) const;
    IBaseFilter* Filter() const { return FFilter.Get(); }
    // Fills `info` with the pin's QueryPinInfo, releasing what `info` held before.
    HRESULT PinInfo(int index, OwnedPinInfo& info) const;

private:
    const ComPtr<IBaseFilter> FFilter;
};

}  // namespace capspect
