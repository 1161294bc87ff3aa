// PIN_INFO and FILTER_INFO as IPin::QueryPinInfo and IBaseFilter::QueryFilterInfo fill
// them, owning the filter or graph reference the call puts in: released when the holder
// goes or is filled again.
#pragma once

#include <string_view>

#include <windows.h>

#include <dshow.h>

#include "platform/support/wide_string.h"

namespace capspect {

class OwnedPinInfo {
public:
    OwnedPinInfo() = default;
    ~OwnedPinInfo() { Reset(); }
    OwnedPinInfo(const OwnedPinInfo&) = delete;
    OwnedPinInfo& operator=(const OwnedPinInfo&) = delete;

    // Releases what is held and hands out the cleared record for a call to fill.
    PIN_INFO* Receive() {
        Reset();
        return &info_;
    }

    const PIN_INFO& Get() const { return info_; }
    IBaseFilter* Filter() const { return info_.pFilter; }
    PIN_DIRECTION Direction() const { return info_.dir; }
    std::u16string_view Name() const { return BufferText(info_.achName); }

private:
    void Reset() {
        if (info_.pFilter != nullptr) {
            info_.pFilter->Release();
        }
        info_ = PIN_INFO{};
    }

    PIN_INFO info_{};
};

class OwnedFilterInfo {
public:
    OwnedFilterInfo() = default;
    ~OwnedFilterInfo() { Reset(); }
    OwnedFilterInfo(const OwnedFilterInfo&) = delete;
    OwnedFilterInfo& operator=(const OwnedFilterInfo&) = delete;

    // Releases what is held and hands out the cleared record for a call to fill.
    FILTER_INFO* Receive() {
        Reset();
        return &info_;
    }

    const FILTER_INFO& Get() const { return info_; }
    IFilterGraph* Graph() const { return info_.pGraph; }
    std::u16string_view Name() const { return BufferText(info_.achName); }

private:
    void Reset() {
        if (info_.pGraph != nullptr) {
            info_.pGraph->Release();
        }
        info_ = FILTER_INFO{};
    }

    FILTER_INFO info_{};
};

}  // namespace capspect
