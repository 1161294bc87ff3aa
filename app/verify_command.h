// `capspect verify [--frames N] [--timeout SECONDS] [--formats LIST] [--json] [DEVICE]`:
// tries every output format of a device and says what actually happens (docs/verify.md).
#pragma once

#include <span>
#include <string>

#include "app/command_line.h"

namespace capspect {

// Renders DEVICE as `capspect report` does, so the formats are the report's, in its order
// and with its media-type lines; then sets each, streams N frames, stops, and writes one
// line per format and a summary (or one JSON document). Exit 0 when every format is ok,
// 1 when any is not, the run was stopped with Ctrl-C (the results so far are written,
// marked incomplete) or the device could not be used; 2 for a usage error.
ExitStatus RunVerifyCommand(std::span<const std::string> args, const CommandContext& context);

}  // namespace capspect
