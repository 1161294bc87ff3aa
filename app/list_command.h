// `capspect list`: the video capture devices, one per line.
#pragma once

#include <span>
#include <string>

#include "app/command_line.h"

namespace capspect {

// Writes one line per video capture device, in the order the platform lists them: the
// description, TAB, the device path (UTF-8). No device: no output and success. A device
// enumerator that cannot be created: its error text on stderr and failure.
ExitStatus RunListCommand(std::span<const std::string> args, const CommandContext& context);

}  // namespace capspect
