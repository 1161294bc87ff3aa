// TPinList: the pins of one direction of a filter, as a lock-protected list of references.
#pragma once

#include <string_view>

#include <dshow.h>

#include "framework/InterfaceList.h"
#include "platform/support/comptr.h"
#include "platform/support/wide_string.h"

namespace capspect {

// A PIN_INFO that owns the filter reference QueryPinInfo puts into it.
class TPinInfo {
public:
    TPinInfo() = default;
    ~TPinInfo() { ReleaseFilter(); }
    TPinInfo(const TPinInfo&) = delete;
    TPinInfo& operator=(const TPinInfo&) = delete;

    const PIN_INFO& Get() const { return FInfo; }
    IBaseFilter* Filter() const { return FInfo.pFilter; }
    PIN_DIRECTION Direction() const { return FInfo.dir; }
    std::u16string_view Name() const { return BufferText(FInfo.achName); }

    // Releases the filter held and hands out the cleared record for a call to fill.
    PIN_INFO* Receive();

private:
    void ReleaseFilter();

    PIN_INFO FInfo{};
};

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
    HRESULT PinInfo(int index, TPinInfo& info) const;

private:
    const ComPtr<IBaseFilter> FFilter;
};

}  // namespace capspect
