#include "platform/devices/device_presence.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include <dshow.h>
#include "platform/devices/devenum.h"
#include "platform/directshow/filter.h"
#include "platform/support/platform_context.h"

namespace capspect::sim {
namespace {

class WatchList {
public:
    static WatchList& Instance() { return PlatformContext::Part<WatchList>(); }

    std::uint64_t Add(std::u16string devicePath, DevicePresenceWatch::Handler handler) {
        const std::lock_guard lock(mutex_);
        const std::uint64_t id = ++lastId_;
        watches_.emplace(id, Watch{std::move(devicePath), std::move(handler)});
        return id;
    }

    void Remove(std::uint64_t id) {
        const std::lock_guard lock(mutex_);
        watches_.erase(id);
    }

    std::vector<std::uint64_t> Watching(std::u16string_view devicePath) const {
        const std::lock_guard lock(mutex_);
        std::vector<std::uint64_t> ids;
        for (const auto& [id, watch] : watches_) {
            if (watch.devicePath == devicePath) {
                ids.push_back(id);
            }
        }
        return ids;
    }

    // The handler of a watch that is still there: an earlier handler may have ended it.
    std::optional<DevicePresenceWatch::Handler> HandlerOf(std::uint64_t id) const {
        const std::lock_guard lock(mutex_);
        const auto found = watches_.find(id);
        if (found == watches_.end()) {
            return std::nullopt;
        }
        return found->second.handler;
    }

private:
    struct Watch {
        std::u16string devicePath;
        DevicePresenceWatch::Handler handler;
    };

    mutable std::mutex mutex_;
    std::uint64_t lastId_ = 0;
    std::map<std::uint64_t, Watch> watches_;
};

std::vector<std::u16string> PathsOf(const Catalog& catalog) {
    std::vector<std::u16string> paths;
    for (const CatalogDevice& device : catalog.devices) {
        if (device.properties.devicePath) {
            paths.push_back(*device.properties.devicePath);
        }
    }
    return paths;
}

// The entries of `paths` that `other` lacks, in order, each once.
std::vector<std::u16string> Missing(const std::vector<std::u16string>& paths,
                                    const std::vector<std::u16string>& other) {
    const std::set<std::u16string> present(other.begin(), other.end());
    std::set<std::u16string> seen;
    std::vector<std::u16string> missing;
    for (const std::u16string& path : paths) {
        if (!present.contains(path) && seen.insert(path).second) {
            missing.push_back(path);
        }
    }
    return missing;
}

}  // namespace

DevicePresenceWatch::DevicePresenceWatch(std::u16string devicePath, Handler handler) {
    if (!devicePath.empty() && handler) {
        id_ = WatchList::Instance().Add(std::move(devicePath), std::move(handler));
    }
}

DevicePresenceWatch::~DevicePresenceWatch() {
    if (id_ != 0) {
        WatchList::Instance().Remove(id_);
    }
}

void AnnounceDevicePresence(std::u16string_view devicePath, DevicePresence presence) {
    // Handlers run outside the list's lock, so they may start and end watches themselves.
    for (const std::uint64_t id : WatchList::Instance().Watching(devicePath)) {
        if (const auto handler = WatchList::Instance().HandlerOf(id)) {
            (*handler)(presence);
        }
    }
}

DevicePresenceWatch::Handler DeviceLostSender(Filter& filter) {
    return [&filter](DevicePresence presence) {
        IUnknown* const device = static_cast<IBaseFilter*>(&filter);
        filter.NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(device),
                           DeviceLostParam(presence));
    };
}

DeviceSetChange CompareDeviceSets(const Catalog& before, const Catalog& after) {
    const std::vector<std::u16string> old = PathsOf(before);
    const std::vector<std::u16string> now = PathsOf(after);
    return {Missing(old, now), Missing(now, old)};
}

}  // namespace capspect::sim
