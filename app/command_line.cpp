#include "app/command_line.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "app/errtext_command.h"
#include "app/identify_command.h"

namespace capspect {
namespace {

constexpr std::string_view kUsage =
    "Usage: capspect [COMMAND] [OPTIONS]\n"
    "Shows the output formats that video capture devices offer.\n"
    "\n"
    "Commands:\n"
    "  errtext CODE...    per code: the code as 8 hex digits, TAB, the Windows Media\n"
    "                     text, TAB, the DirectShow text (CODE as 0x hex, $ hex or\n"
    "                     decimal; negative decimal is the 32-bit pattern)\n"
    "  identify FILE...   what each media file holds, one JSON object per line\n"
    "\n"
    "Options:\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n";

// A verb of the command line: runs with the arguments after the verb's name.
using CommandFunction = ExitStatus (*)(std::span<const std::string> args, std::ostream& out,
                                       std::ostream& err);

struct Command {
    std::string_view verb;
    CommandFunction run;
};

constexpr Command kCommands[] = {
    {"errtext", RunErrtextCommand},
    {"identify", RunIdentifyCommand},
};

}  // namespace

ExitStatus RunCommandLine(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err) {
    if (args.empty() || args.front() == "--help" || args.front() == "-h") {
        out << kUsage;
        return args.empty() ? ExitStatus::Usage : ExitStatus::Success;
    }
    if (args.front() == "--version") {
        out << "capspect " << CAPSPECT_VERSION << '\n';
        return ExitStatus::Success;
    }
    const auto command = std::ranges::find(kCommands, args.front(), &Command::verb);
    if (command == std::end(kCommands)) {
        err << "capspect: unknown command '" << args.front() << "' (try 'capspect --help')\n";
        return ExitStatus::Usage;
    }
    return command->run(std::span(args).subspan(1), out, err);
}

}  // namespace capspect
