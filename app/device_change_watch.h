// Hears of devices that come and go: a hidden message window registered for device
// notifications, which runs a handler on its thread when a device of interest arrives or
// leaves (Windows: video capture devices, through their interface class; Linux: every
// change the backends report).
#pragma once

#include <functional>

#include <windows.h>

#include <dbt.h>

namespace capspect {

class DeviceChangeWatch {
public:
    // Registers on the calling thread, which must pump its messages. When the registration
    // fails the watch simply hears nothing.
    explicit DeviceChangeWatch(std::function<void()> changed);
    ~DeviceChangeWatch();
    DeviceChangeWatch(const DeviceChangeWatch&) = delete;
    DeviceChangeWatch& operator=(const DeviceChangeWatch&) = delete;

    bool Registered() const { return registration_ != nullptr; }
    // The window the notifications go to.
    HWND Window() const { return window_; }

private:
    bool IsDeviceChange(WPARAM event, LPARAM record) const;

    std::function<void()> changed_;
    HWND window_ = nullptr;
    HDEVNOTIFY registration_ = nullptr;
};

}  // namespace capspect
