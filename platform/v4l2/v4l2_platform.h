// Start-up of the V4L2 backend: the in-process DirectShow of the simulated platform (graph
// manager, capture graph builder, Smart Tee, renderers) with the machine's V4L2 capture
// devices in place of a catalog's.
#pragma once

#include "platform/v4l2/discovery.h"

namespace capspect::v4l2 {

// Registers the simulated platform's classes, discovers the capture devices under `roots`
// and installs them as the device set (properties only; see ListedDevice), and makes their
// monikers bind to V4L2 capture filters: each bind opens the node with `open`, records the
// selected input and makes a filter whose capture pin and crossbar ask the driver. A node
// that cannot be opened or recorded fails the bind with HResultFromErrno of its errno.
// Answers the discovery, with the nodes that could not be asked.
DiscoveryResult StartV4l2Platform(const DiscoveryRoots& roots, DeviceOpener open);

// Removes the devices and the filter factory StartV4l2Platform installed.
void StopV4l2Platform();

}  // namespace capspect::v4l2
