// Devices that leave or rejoin the device set while filters made for them are alive.
//
// A filter that stands for a device (the capture filter and its crossbar) watches the
// device's path for as long as it lives. When a backend reports that the device left the
// set, or came back, the filter sends EC_DEVICE_LOST to the graph it is in, with its own
// IUnknown and 0 (removed) or 1 (available again), as the platform's device filters do.
// A filter in no graph tells nobody.
//
// Both backends change their device set through ReplaceDeviceSet: the simulated one when
// a test (or the demo) unplugs or plugs a device, the V4L2 one when its device monitor
// saw nodes come and go. Announcements run on the thread that owns the filters and the
// graphs (the thread of the message loop), never on a watcher thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devices/catalog.h"

namespace capspect::sim {

enum class DevicePresence { Removed, Arrived };

// EC_DEVICE_LOST's second parameter for `presence`.
constexpr LONG_PTR DeviceLostParam(DevicePresence presence) {
    return presence == DevicePresence::Arrived ? 1 : 0;
}

// Keeps a handler on the watch list of one device path while the object lives.
class DevicePresenceWatch {
public:
    using Handler = std::function<void(DevicePresence)>;

    // An empty path watches nothing (a device without a path cannot be announced).
    DevicePresenceWatch(std::u16string devicePath, Handler handler);
    ~DevicePresenceWatch();
    DevicePresenceWatch(const DevicePresenceWatch&) = delete;
    DevicePresenceWatch& operator=(const DevicePresenceWatch&) = delete;

private:
    std::uint64_t id_ = 0;
};

// Calls the handler of every watch on `devicePath`, in the order the watches started.
void AnnounceDevicePresence(std::u16string_view devicePath, DevicePresence presence);

// The device paths that left and joined the set between two catalogs, each in catalog
// order. Devices are told apart by their DevicePath property; devices without one are
// not compared.
struct DeviceSetChange {
    std::vector<std::u16string> removed;
    std::vector<std::u16string> arrived;

    bool Empty() const { return removed.empty() && arrived.empty(); }
};
DeviceSetChange CompareDeviceSets(const Catalog& before, const Catalog& after);

// The watch of a device filter: sends EC_DEVICE_LOST with `filter` as the first parameter
// to the graph the filter is in.
class Filter;
DevicePresenceWatch::Handler DeviceLostSender(Filter& filter);

// Installs `catalog` as the device set (InstallCatalog), then announces every device that
// left the set as removed and every one that joined it as arrived, and when anything
// changed posts WM_DEVICECHANGE to the windows registered for it. Answers the change.
DeviceSetChange ReplaceDeviceSet(Catalog catalog);

// The simulated backend's plug and unplug: the installed set without the device whose
// path is `devicePath` (false when there is none), or with `device` added at the end.
bool UnplugDevice(std::u16string_view devicePath);
void PlugDevice(CatalogDevice device);

}  // namespace capspect::sim
