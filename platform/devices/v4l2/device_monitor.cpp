#include "platform/devices/v4l2/device_monitor.h"

#include <system_error>

#include "platform/support/hidden_window.h"

namespace capspect::v4l2 {

namespace fs = std::filesystem;

namespace {

constexpr UINT kDevicesChanged = WM_APP + 1;
constexpr UINT_PTR kPollTimer = 1;

bool IsVideoEntry(const std::string& name) {
    return name.starts_with("video") && name.size() > 5;
}

}  // namespace

SysfsEntries ReadVideoEntries(const fs::path& sysfs) {
    SysfsEntries entries;
    std::error_code error;
    for (fs::directory_iterator it(sysfs, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!IsVideoEntry(name)) {
            continue;
        }
        std::error_code notLink;
        fs::path target = fs::read_symlink(it->path(), notLink);
        entries.emplace(name, notLink ? fs::path() : std::move(target));
    }
    return entries;
}

DeviceMonitor::DeviceMonitor(Options options, std::function<void()> changed)
    : options_(std::move(options)), changed_(std::move(changed)) {
    window_ = AllocateHWnd([this](UINT message, WPARAM wParam, LPARAM lParam) {
        return HandleMessage(message, wParam, lParam);
    });
    if (!options_.forcePolling && StartUdev()) {
        return;
    }
    entries_ = ReadVideoEntries(options_.sysfs);
    const auto interval = static_cast<UINT>(options_.pollInterval.count());
    SetTimer(window_, kPollTimer, interval, nullptr);
}

DeviceMonitor::~DeviceMonitor() {
    udev_.reset();  // joins udev's thread: nothing posts after this
    DeallocateHWnd(window_);
}

bool DeviceMonitor::StartUdev() {
    std::error_code error;
    if (!fs::exists(options_.udevControl, error)) {
        udevFailure_ = "udev is not running (no " + options_.udevControl.string() + ")";
        return false;
    }
    udev_ = UdevWatch::Start(
        [this] {
            // Runs on udev's thread: only posts, and only once until the window handled it.
            if (!posted_.exchange(true)) {
                PostMessageW(window_, kDevicesChanged, 0, 0);
            }
        },
        udevFailure_);
    return udev_ != nullptr;
}

LRESULT DeviceMonitor::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDevicesChanged) {
        posted_ = false;
        Report();
        return 0;
    }
    if (message == WM_TIMER && wParam == kPollTimer) {
        Poll();
        return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void DeviceMonitor::Poll() {
    SysfsEntries now = ReadVideoEntries(options_.sysfs);
    if (now == entries_) {
        return;
    }
    entries_ = std::move(now);
    Report();
}

void DeviceMonitor::Report() {
    if (changed_) {
        changed_();
    }
}

}  // namespace capspect::v4l2
