#include "platform/devices/v4l2/discovery.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <optional>
#include <system_error>

namespace capspect::v4l2 {

namespace fs = std::filesystem;

namespace {

// The number N of a "videoN" entry; nothing for other entries (radio, vbi, v4l-subdev…).
std::optional<unsigned> VideoNodeNumber(const std::string& name) {
    constexpr std::string_view kPrefix = "video";
    if (!name.starts_with(kPrefix) || name.size() == kPrefix.size()) {
        return std::nullopt;
    }
    unsigned number = 0;
    const char* first = name.data() + kPrefix.size();
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return number;
}

std::string Text(const __u8* field, std::size_t capacity) {
    const char* chars = reinterpret_cast<const char*>(field);
    return std::string(chars, strnlen(chars, capacity));
}

std::optional<fs::path> LinkTo(const fs::path& directory, const fs::path& target) {
    std::error_code error;
    std::vector<fs::path> links;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code ignored;
        if (it->is_symlink(ignored) && fs::equivalent(it->path(), target, ignored)) {
            links.push_back(it->path());
        }
    }
    if (links.empty()) {
        return std::nullopt;
    }
    return *std::min_element(links.begin(), links.end());
}

}  // namespace

DeviceOpener FileDeviceOpener() {
    return [](const fs::path& node) { return V4l2FileDevice::Open(node); };
}

bool IsVideoCaptureDevice(const v4l2_capability& capability) {
    const std::uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS)
                                   ? capability.device_caps
                                   : capability.capabilities;
    if (caps & (V4L2_CAP_VIDEO_M2M | V4L2_CAP_VIDEO_M2M_MPLANE)) {
        return false;
    }
    return (caps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) != 0;
}

std::string StableDevicePath(const fs::path& devRoot, const fs::path& node) {
    for (const char* kind : {"by-id", "by-path"}) {
        if (const auto link = LinkTo(devRoot / "v4l" / kind, node)) {
            return link->string();
        }
    }
    return node.string();
}

DiscoveryResult DiscoverCaptureDevices(const DiscoveryRoots& roots, const DeviceOpener& open) {
    std::map<unsigned, std::string> entries;  // ordered by node number
    std::error_code error;
    for (fs::directory_iterator it(roots.sysfs, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (const auto number = VideoNodeNumber(name)) {
            entries.emplace(*number, name);
        }
    }

    DiscoveryResult result;
    for (const auto& [number, name] : entries) {
        const fs::path node = roots.dev / name;
        const OpenedDevice opened = open(node);
        int failure = opened.error;
        v4l2_capability capability{};
        if (opened.device && failure == 0) {
            failure = opened.device->QueryCap(capability);
        } else if (failure == 0) {
            failure = ENODEV;
        }
        if (failure != 0) {
            result.problems.push_back({node, failure});
            continue;
        }
        if (!IsVideoCaptureDevice(capability)) {
            continue;
        }
        const std::string card = Text(capability.card, sizeof capability.card);
        result.devices.push_back({node, StableDevicePath(roots.dev, node), card, card,
                                  Text(capability.driver, sizeof capability.driver),
                                  Text(capability.bus_info, sizeof capability.bus_info)});
    }

    // Nodes that share a card name are told apart by their node name.
    std::map<std::string, int> cardCount;
    for (const CaptureDeviceInfo& device : result.devices) {
        ++cardCount[device.card];
    }
    for (CaptureDeviceInfo& device : result.devices) {
        if (cardCount[device.card] > 1) {
            device.description = device.card + " (" + device.node.filename().string() + ")";
        }
    }
    return result;
}

}  // namespace capspect::v4l2
