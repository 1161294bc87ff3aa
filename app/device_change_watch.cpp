#include "app/device_change_watch.h"

#include "platform/support/hidden_window.h"

namespace capspect {

TDeviceChangeWatch::TDeviceChangeWatch(std::function<void()> changed)
    : FChanged(std::move(changed)) {
    FWindow = AllocateHWnd([this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_DEVICECHANGE && wParam == DBT_DEVNODES_CHANGED && FChanged) {
            FChanged();
            return TRUE;
        }
        return DefWindowProcW(FWindow, message, wParam, lParam);
    });
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    FRegistration = RegisterDeviceNotificationW(
        FWindow, &filter, DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
}

TDeviceChangeWatch::~TDeviceChangeWatch() {
    if (FRegistration != nullptr) {
        UnregisterDeviceNotification(FRegistration);
    }
    DeallocateHWnd(FWindow);
}

}  // namespace capspect
