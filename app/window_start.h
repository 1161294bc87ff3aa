// Program start with the window: `capspect` without a command.
#pragma once

#include <optional>
#include <string>

#include "app/command_line.h"

namespace capspect {

// The one line to print when there is no display to open the window on (none of
// QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY is set); nothing when there may be one.
std::optional<std::string> MissingDisplayMessage();

// Opens the main window on the backend the options choose and runs Qt's event loop, which
// also pumps the platform's messages, until the window closes. Fails with one line on
// `context.err` before Qt is started when there is no display or the backend cannot start.
ExitStatus RunMainWindow(const CommandContext& context);

}  // namespace capspect
