#include "app/command_line.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <span>
#include <stdexcept>
#include <string_view>

#include "app/errtext_command.h"
#include "app/identify_command.h"
#include "app/list_command.h"
#include "app/message_text.h"
#include "app/report_command.h"
#include "app/snapshot_command.h"
#include "app/verify_command.h"

namespace capspect {
namespace {

constexpr std::string_view kUsageCommands =
    "Usage: capspect [OPTIONS] [COMMAND [ARGUMENTS] [OPTIONS]]\n"
    "Shows the output formats that video capture devices offer. Without a command it\n"
    "opens the window (in a build with Qt), on the devices the options choose.\n"
    "\n"
    "Commands:\n"
    "  list               the video capture devices: description, TAB, device path\n"
    "  report [--json] [DEVICE]\n"
    "                     every output format of DEVICE (a device path; default: the\n"
    "                     first device) as the main window reports it, CR LF line\n"
    "                     ends; --json: the same formats as JSON\n"
    "  errtext CODE...    per code: the code as 8 hex digits, TAB, the Windows Media\n"
    "                     text, TAB, the DirectShow text (CODE as 0x hex, $ hex or\n"
    "                     decimal; negative decimal is the 32-bit pattern)\n"
    "  identify FILE...   what each media file holds, one JSON object per line\n"
    "  snapshot [DEVICE]  the device (a device path; default the first) as a device\n"
    "                     catalog, for replay with --devices\n"
    "  verify [--frames N] [--timeout SECONDS] [--formats LIST] [--json] [DEVICE]\n"
    "                     sets each output format of DEVICE in report order, streams N\n"
    "                     frames (5) and says what happened: ok, refused, changed, no\n"
    "                     frames (none within SECONDS, 5), slow or failed; LIST picks\n"
    "                     formats by position (1-3,7); exit 1 when any is not ok\n"
    "\n"
    "Options (with every command, before or after it):\n"
    "  --devices FILE     simulated devices from a device catalog (docs/catalog.md)\n"
    "  --demo             simulated devices from the built-in demo catalog\n";
constexpr std::string_view kUsageOptions =
    "  --verbose          report the components' errors and information on stderr\n"
    "  --                 end of options: the rest goes to the command unchanged\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n";

// A verb of the command line: runs with the arguments after the verb's name.
using CommandFunction = ExitStatus (*)(std::span<const std::string> args,
                                       const CommandContext& context);

struct Command {
    std::string_view verb;
    bool usesDevices;  // the backend is started before the verb runs
    CommandFunction run;
};

constexpr Command kCommands[] = {
    {"errtext", false,
     [](std::span<const std::string> args, const CommandContext& context) {
         return RunErrtextCommand(args, context.out, context.err);
     }},
    {"identify", false,
     [](std::span<const std::string> args, const CommandContext& context) {
         return RunIdentifyCommand(args, context.out, context.err);
     }},
    {"list", true, RunListCommand},
    {"report", true, RunReportCommand},
    {"snapshot", true, RunSnapshotCommand},
    {"verify", true, RunVerifyCommand},
};

ExitStatus RunVerb(const Command& command, const ParsedCommandLine& parsed, OutputStream& out,
                   OutputStream& err) {
    try {
        std::unique_ptr<Backend> backend;
        if (command.usesDevices) {
            backend = Backend::Start(parsed.options, err);
            if (!backend) {
                return ExitStatus::Failure;
            }
        }
        const CommandContext context{out, err, parsed.options};
        return command.run(std::span(parsed.command).subspan(1), context);
    } catch (const std::exception& error) {
        // What the verb did not expect (such as running out of memory on a huge catalog)
        // still ends in one line and a failure; the verbs write stdout only once complete.
        err << "capspect " << command.verb << ": " << PrintableText(error.what()) << '\n';
        return ExitStatus::Failure;
    }
}

ExitStatus RunCommand(const std::vector<std::string>& args, OutputStream& out, OutputStream& err,
                      const WindowLauncher& launchWindow) {
    ParsedCommandLine parsed;
    try {
        parsed = ParseCommandLine(args);
    } catch (const UsageError& error) {
        err << "capspect: " << PrintableText(error.what()) << " (try 'capspect --help')\n";
        return ExitStatus::Usage;
    }
    const std::vector<std::string>& command = parsed.command;
    if (command.empty() && launchWindow) {
        return launchWindow(CommandContext{out, err, parsed.options});
    }
    if (command.empty()) {
        err << "capspect: this build has no window, so a command is needed\n";
    }
    if (command.empty() || command.front() == "--help" || command.front() == "-h") {
        out << kUsageCommands << BackendHelp() << kUsageOptions;
        return command.empty() ? ExitStatus::Usage : ExitStatus::Success;
    }
    if (command.front() == "--version") {
        out << "capspect " << CAPSPECT_VERSION << '\n';
        return ExitStatus::Success;
    }
    const auto found = std::ranges::find(kCommands, command.front(), &Command::verb);
    if (found == std::end(kCommands)) {
        const bool isOption = command.front().starts_with('-');
        err << "capspect: unknown " << (isOption ? "option" : "command") << " "
            << QuotedText(command.front()) << " (try 'capspect --help')\n";
        return ExitStatus::Usage;
    }
    return RunVerb(*found, parsed, out, err);
}

}  // namespace

ExitStatus RunCommandLine(const std::vector<std::string>& args, OutputStream& out,
                          OutputStream& err, const WindowLauncher& launchWindow) {
    const ExitStatus status = RunCommand(args, out, err, launchWindow);
    // Output that did not arrive (a full disk, a closed pipe) is a failure, not success.
    errno = 0;
    if (!out.Flush()) {
        err << "capspect: cannot write the output"
            << (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()) << '\n';
        return ExitStatus::Failure;
    }
    return status;
}

}  // namespace capspect
