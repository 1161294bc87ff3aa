#include "app/device_change_watch.h"

#include "platform/support/hidden_window.h"

#ifdef _WIN32
#include <dshow.h>
#endif

namespace capspect {
namespace {

#ifdef _WIN32
// Capture devices announce themselves by their kernel-streaming interface class; arrivals
// and removals carry a record of that class.
constexpr DWORD kNotifyFlags = DEVICE_NOTIFY_WINDOW_HANDLE;
const GUID& WatchedClass() {
    return AM_KSCATEGORY_CAPTURE;
}
#else
// The platform layer reports every change as DBT_DEVNODES_CHANGED, whatever the class.
constexpr DWORD kNotifyFlags = DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES;
const GUID& WatchedClass() {
    return GUID_NULL;
}
#endif

}  // namespace

DeviceChangeWatch::DeviceChangeWatch(std::function<void()> changed) : changed_(std::move(changed)) {
    window_ = AllocateHWnd([this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_DEVICECHANGE && IsDeviceChange(wParam, lParam) && changed_) {
            changed_();
            return TRUE;
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    });
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = WatchedClass();
    registration_ = RegisterDeviceNotificationW(window_, &filter, kNotifyFlags);
}

DeviceChangeWatch::~DeviceChangeWatch() {
    if (registration_ != nullptr) {
        UnregisterDeviceNotification(registration_);
    }
    DeallocateHWnd(window_);
}

bool DeviceChangeWatch::IsDeviceChange(WPARAM event, LPARAM record) const {
    if (event == DBT_DEVNODES_CHANGED) {
        return true;
    }
#ifdef _WIN32
    if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) {
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(record);
        return header != nullptr && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE;
    }
#else
    (void)record;
#endif
    return false;
}

}  // namespace capspect
