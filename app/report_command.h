// `capspect report [--json] [DEVICE]`: the format report of one video capture device, as
// the main window shows it after OK.
#pragma once

#include <span>
#include <string>

#include "app/command_line.h"

namespace capspect {

// Renders DEVICE (a device path; the first device when absent) as the window's OK does and
// writes the report to stdout byte for byte as the window holds it: every entry followed
// by CR LF. With --json the same formats as one JSON document (docs/report-json.md).
// No device, an unknown device path, a component that cannot be built or a device that
// refuses the preferred format: one line on stderr, exit 1. With --verbose the
// component's error and information events go to stderr, one line each.
ExitStatus RunReportCommand(std::span<const std::string> args, const CommandContext& context);

}  // namespace capspect
