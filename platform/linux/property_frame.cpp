#include "platform/sdk/property_frame.h"

#include <mutex>
#include <utility>

#include "platform/linux/property_frame.h"
#include "platform/support/faults.h"
#include "platform/support/platform_context.h"

namespace capspect {
namespace {

struct HandlerSlot {
    std::mutex mutex;
    PropertyFrameHandler handler;
};

HandlerSlot& Slot() {
    return capspect::PlatformContext::Part<HandlerSlot>();
}

PropertyFrameHandler CurrentHandler() {
    HandlerSlot& slot = Slot();
    const std::lock_guard lock(slot.mutex);
    return slot.handler;
}

}  // namespace

PropertyFrameHandler SetPropertyFrameHandler(PropertyFrameHandler handler) {
    HandlerSlot& slot = Slot();
    const std::lock_guard lock(slot.mutex);
    return std::exchange(slot.handler, std::move(handler));
}

}  // namespace capspect

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, LPCLSID pageClsids, LCID lcid,
                               DWORD /*reserved*/, void* /*reservedPointer*/) {
    if ((objectCount != 0 && objects == nullptr) || (pageCount != 0 && pageClsids == nullptr)) {
        return E_POINTER;
    }
    if (const auto fault = capspect::InjectedFault("OleCreatePropertyFrame")) {
        return *fault;
    }
    const capspect::PropertyFrameHandler handler = capspect::CurrentHandler();
    if (!handler) {
        return S_OK;
    }
    capspect::PropertyFrameRequest request;
    request.owner = owner;
    request.x = x;
    request.y = y;
    request.caption = caption != nullptr ? std::u16string(caption) : std::u16string();
    for (ULONG i = 0; i < objectCount; ++i) {
        request.objects.emplace_back(objects[i]);
    }
    request.pages.assign(pageClsids, pageClsids + pageCount);
    request.lcid = lcid;
    // The handler runs without the slot's lock, so it may install another handler.
    return handler(request);
}
