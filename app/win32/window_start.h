// Program start with the window on Windows: `capspect` without a command.
#pragma once

#include "app/command_line.h"

namespace capspect {

// Opens the main window on the backend the options choose and runs the message loop until
// the window closes. Fails with one line on `context.err` when the backend cannot start.
ExitStatus RunMainWindow(const CommandContext& context);

}  // namespace capspect
