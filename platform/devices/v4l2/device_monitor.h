// Watches the video4linux class for nodes that come and go, and says so on the thread that
// made the monitor, where the caller reads the devices again.
//
// Two ways to hear of changes: libudev's monitor (UdevWatch), where this build has libudev
// and udev runs on the machine, and otherwise polling: a window timer that reads the
// entries of the sysfs class directory and reports when they differ from the last reading.
// Either way the news reaches `changed` through a hidden message window of the creating
// thread, so it runs when that thread pumps its messages, never on udev's thread; polling
// follows the active clock, so a test drives it with a TestClock.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/devices/v4l2/udev_watch.h"
#include "platform/sdk/messages.h"

namespace capspect::v4l2 {

// The videoN entries of a sysfs class directory, each with the device it links to (sysfs
// entries are links into the device tree, so a node number that another device took over
// between two readings still reads as a change). Empty when the directory cannot be read.
using SysfsEntries = std::map<std::string, std::filesystem::path>;
SysfsEntries ReadVideoEntries(const std::filesystem::path& sysfs);

class DeviceMonitor {
public:
    enum class Source { Udev, Polling };

    struct Options {
        std::filesystem::path sysfs = "/sys/class/video4linux";
        std::chrono::milliseconds pollInterval{2000};
        // Poll even where udev could be used (tests, or a machine whose udev misbehaves).
        bool forcePolling = false;
        // The file whose presence tells that the udev daemon runs; without the daemon the
        // monitor would hear nothing.
        std::filesystem::path udevControl = "/run/udev/control";
    };

    // Starts watching; `changed` runs on the calling thread, which must pump its messages.
    DeviceMonitor(Options options, std::function<void()> changed);
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    Source ActiveSource() const { return udev_ ? Source::Udev : Source::Polling; }
    // Why udev is not used; empty when it is, or when polling was asked for.
    const std::string& UdevFailure() const { return udevFailure_; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool StartUdev();
    void Poll();
    void Report();

    const Options options_;
    const std::function<void()> changed_;
    HWND window_ = nullptr;
    // Set by udev's thread when it posted a change that the window has not handled yet, so
    // that a burst of events costs one reading.
    std::atomic<bool> posted_{false};
    SysfsEntries entries_;
    std::string udevFailure_;
    std::unique_ptr<UdevWatch> udev_;  // last: its thread posts to the window above
};

}  // namespace capspect::v4l2
