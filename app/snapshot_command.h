// `capspect snapshot [DEVICE]`: a video capture device written as a device catalog, so
// that `--devices FILE` replays it on a machine without the device.
#pragma once

#include <span>
#include <string>

#include "app/command_line.h"

namespace capspect {

// Writes the device with path DEVICE (absent: the first video capture device) as a
// catalog of that one device (docs/catalog.md) to the output: its property bag, its pins
// with every capability of the selected input, its crossbar. The device is bound as the
// capture component binds it, so the catalog holds what the device filter answers. No such
// device, or one that cannot be opened: one line on stderr and failure.
ExitStatus RunSnapshotCommand(std::span<const std::string> args, const CommandContext& context);

}  // namespace capspect
