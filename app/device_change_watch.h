// Hears of devices that come and go: a hidden message window registered for device
// notifications, which runs a handler on its thread when a device of interest arrives or
// leaves (Windows: video capture devices, through their interface class; Linux: every
// change the backends report).
#pragma once

#include <functional>

#include <windows.h>

#include <dbt.h>

namespace capspect {

class TDeviceChangeWatch {
public:
    // Registers on the calling thread, which must pump its messages. When the registration
    // fails the watch simply hears nothing.
    explicit TDeviceChangeWatch(std::function<void()> changed);
    ~TDeviceChangeWatch();
    TDeviceChangeWatch(const TDeviceChangeWatch&) = delete;
    TDeviceChangeWatch& operator=(const TDeviceChangeWatch&) = delete;

    bool Registered() const { return FRegistration != nullptr; }
    // The window the notifications go to.
    HWND Window() const { return FWindow; }

private:
    bool IsDeviceChange(WPARAM event, LPARAM record) const;

    std::function<void()> FChanged;
    HWND FWindow = nullptr;
    HDEVNOTIFY FRegistration = nullptr;
};

}  // namespace capspect
