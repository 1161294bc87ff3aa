#include "platform/sdk/device_notify.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "platform/linux/device_notify.h"
#include "platform/support/platform_context.h"

namespace capspect {
namespace {

// The registered windows by registration handle. Handles count up and are never reused,
// so a stale handle names no registration.
class DeviceNotifyRegistry {
public:
    static DeviceNotifyRegistry& Instance() {
        return PlatformContext::Part<DeviceNotifyRegistry>();
    }

    HDEVNOTIFY Add(HWND window) {
        const std::lock_guard lock(mutex_);
        const std::uintptr_t id = ++lastId_;
        windows_.emplace(id, window);
        return reinterpret_cast<HDEVNOTIFY>(id);
    }

    bool Remove(HDEVNOTIFY handle) {
        const std::lock_guard lock(mutex_);
        return windows_.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1;
    }

    std::vector<HWND> Windows() const {
        const std::lock_guard lock(mutex_);
        std::vector<HWND> windows;
        for (const auto& [id, window] : windows_) {
            windows.push_back(window);
        }
        return windows;
    }

private:
    mutable std::mutex mutex_;
    std::uintptr_t lastId_ = 0;
    std::map<std::uintptr_t, HWND> windows_;
};

bool IsInterfaceFilter(const void* filter) {
    if (filter == nullptr) {
        return false;
    }
    const auto* header = static_cast<const DEV_BROADCAST_HDR*>(filter);
    return header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE &&
           header->dbch_size >= sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) - sizeof(WCHAR);
}

}  // namespace

void BroadcastDeviceChange() {
    for (HWND window : DeviceNotifyRegistry::Instance().Windows()) {
        // A window destroyed without unregistering simply gets nothing.
        PostMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    }
}

}  // namespace capspect

HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, void* notificationFilter, DWORD flags) {
    const auto window = static_cast<HWND>(recipient);
    if ((flags & ~DEVICE_NOTIFY_ALL_INTERFACE_CLASSES) != DEVICE_NOTIFY_WINDOW_HANDLE ||
        !IsWindow(window) || !capspect::IsInterfaceFilter(notificationFilter)) {
        return nullptr;
    }
    return capspect::DeviceNotifyRegistry::Instance().Add(window);
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY handle) {
    return capspect::DeviceNotifyRegistry::Instance().Remove(handle) ? TRUE : FALSE;
}
