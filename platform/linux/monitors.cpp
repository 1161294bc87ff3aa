#include "platform/sdk/monitors.h"

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/linux/monitors.h"
#include "platform/support/platform_context.h"

namespace {

struct MonitorMap {
    std::mutex mutex;
    std::map<HWND, int> monitors;
};

MonitorMap& Monitors() {
    return capspect::PlatformContext::Part<MonitorMap>();
}

// Monitor handles are the monitor number plus one, so that no monitor is null.
HMONITOR MonitorHandle(int monitor) {
    return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(monitor) + 1);
}

}  // namespace

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
    if (!IsWindow(hwnd)) {
        return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorHandle(0);
    }
    MonitorMap& map = Monitors();
    const std::lock_guard lock(map.mutex);
    const auto found = map.monitors.find(hwnd);
    return MonitorHandle(found == map.monitors.end() ? 0 : found->second);
}

BOOL SetWindowPos(HWND hwnd, HWND /*insertAfter*/, int /*x*/, int /*y*/, int /*cx*/, int /*cy*/,
                  UINT /*flags*/) {
    return IsWindow(hwnd);
}

namespace capspect {

void SetWindowMonitor(HWND hwnd, int monitor) {
    MonitorMap& map = Monitors();
    const std::lock_guard lock(map.mutex);
    if (monitor < 0) {
        map.monitors.erase(hwnd);
    } else {
        map.monitors[hwnd] = monitor;
    }
}

}  // namespace capspect
