// Finding the machine's video capture devices: every node in /sys/class/video4linux whose
// device capabilities include video capture. Both roots can be moved so that tests run on
// a fake tree.
#pragma once

#include <linux/videodev2.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/devices/v4l2/device.h"

namespace capspect::v4l2 {

struct CaptureDeviceInfo {
    std::filesystem::path node;  // the device node, e.g. /dev/video0
    std::string devicePath;      // a stable name for it (see StableDevicePath)
    std::string card;            // the driver's card name: the friendly name
    std::string description;     // the card name, told apart from another node of that name
    std::string driver;
    std::string busInfo;
};

struct NodeProblem {
    std::filesystem::path node;
    int error;  // errno of opening or of VIDIOC_QUERYCAP
};

struct DiscoveryResult {
    std::vector<CaptureDeviceInfo> devices;  // in node number order
    std::vector<NodeProblem> problems;       // nodes that could not be asked
};

struct DiscoveryRoots {
    std::filesystem::path sysfs = "/sys/class/video4linux";
    std::filesystem::path dev = "/dev";
};

// Opens a node: the device, or the errno of the failed open.
using DeviceOpener = std::function<OpenedDevice(const std::filesystem::path& node)>;

// Opens the node itself (V4l2FileDevice).
DeviceOpener FileDeviceOpener();

// True for a device whose own capabilities (device_caps when the driver reports them)
// include single- or multi-planar video capture, and that is not a memory-to-memory
// converter (codecs and scalers take their frames from memory, not from a source).
bool IsVideoCaptureDevice(const v4l2_capability& capability);

// The /dev/v4l/by-id link that points at `node`, else the by-path link, else the node
// itself. When several links of one kind point at it, the first in name order.
std::string StableDevicePath(const std::filesystem::path& devRoot,
                             const std::filesystem::path& node);

DiscoveryResult DiscoverCaptureDevices(const DiscoveryRoots& roots, const DeviceOpener& open);

}  // namespace capspect::v4l2
