// The program's command line: verbs that print device and error information without a
// window.
#pragma once

#include <functional>
#include <string>
#include <vector>
#include "app/output_stream.h"

#include "app/backend.h"

namespace capspect {

// Exit statuses of the command line.
enum class ExitStatus : int { Success = 0, Failure = 1, Usage = 2 };

// What a verb runs with besides its own arguments: the streams and the global options.
// A verb that uses devices finds its backend started.
struct CommandContext {
    OutputStream& out;
    OutputStream& err;
    const BackendOptions& options;
};

// What runs when the command line names no command: the window, in a build that has one.
using WindowLauncher = std::function<ExitStatus(const CommandContext& context)>;

// Runs the command given by `args` (without the program name), writing results to `out`
// and one line per failure to `err`. Output that cannot be written (`out` fails when
// flushed) is a failure too. The global options (--devices, --demo, --backend,
// --verbose) may stand anywhere; see ParseCommandLine. Without a command, `launchWindow`
// runs with the options; without a window to launch, that is a usage error.
ExitStatus RunCommandLine(const std::vector<std::string>& args, OutputStream& out,
                          OutputStream& err, const WindowLauncher& launchWindow = {});

}  // namespace capspect
