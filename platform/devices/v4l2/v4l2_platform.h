// Start-up of the V4L2 backend: the in-process DirectShow of the simulated platform (graph
// manager, capture graph builder, Smart Tee, renderers) with the machine's V4L2 capture
// devices in place of a catalog's, and the device set following the nodes that come and go.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/devices/device_presence.h"
#include "platform/devices/v4l2/device_monitor.h"
#include "platform/devices/v4l2/discovery.h"
#include "platform/devices/v4l2/recording.h"

namespace capspect::v4l2 {

// Registers the simulated platform's classes, discovers the capture devices under `roots`
// and installs them as the device set (properties only; see ListedDevice), and makes their
// monikers bind to V4L2 capture filters: each bind opens the node with `open`, records the
// selected input and makes a filter whose capture pin and crossbar ask the driver. A node
// that cannot be opened or recorded fails the bind with HResultFromErrno of its errno.
// Answers the discovery, with the nodes that could not be asked.
DiscoveryResult StartV4l2Platform(const DiscoveryRoots& roots, DeviceOpener open);

// Discovers the devices again under the roots StartV4l2Platform was given and makes them
// the device set (sim::ReplaceDeviceSet): the filters of devices that went away send
// EC_DEVICE_LOST with 0 to their graphs, those of devices that came back with 1, and the
// windows registered for device notifications hear of it. Call it on the thread that owns
// the graphs. Answers the change; nothing changes before StartV4l2Platform.
sim::DeviceSetChange RefreshV4l2Devices();

// A device monitor on the sysfs root StartV4l2Platform was given whose changes run
// RefreshV4l2Devices on the calling thread. `options.sysfs` is replaced by that root.
std::unique_ptr<DeviceMonitor> WatchV4l2Devices(DeviceMonitor::Options options = {});

// What a recording of a device could not read, and the device's path.
struct DeviceReadFailure {
    std::string devicePath;
    ReadFailure failure;
};

// The failures of the recordings made since the platform started or since the last call
// (each bind records the device, each crossbar route its new input), in the order they
// happened; each is answered once. Binds that read everything add nothing.
std::vector<DeviceReadFailure> TakeV4l2ReadFailures();

// Removes the devices and the filter factory StartV4l2Platform installed.
void StopV4l2Platform();

}  // namespace capspect::v4l2
