// Hears of devices that come and go: a hidden message window registered for device
// notifications, which runs a handler on its thread for every WM_DEVICECHANGE.
#pragma once

#include <functional>

#include "platform/sdk/device_notify.h"

namespace capspect {

class TDeviceChangeWatch {
public:
    // Registers on the calling thread, which must pump its messages. When the registration
    // fails (it does not on this platform) the watch simply hears nothing.
    explicit TDeviceChangeWatch(std::function<void()> changed);
    ~TDeviceChangeWatch();
    TDeviceChangeWatch(const TDeviceChangeWatch&) = delete;
    TDeviceChangeWatch& operator=(const TDeviceChangeWatch&) = delete;

    bool Registered() const { return FRegistration != nullptr; }

private:
    std::function<void()> FChanged;
    HWND FWindow = nullptr;
    HDEVNOTIFY FRegistration = nullptr;
};

}  // namespace capspect
