#include "app/command_line.h"

#include <string_view>

namespace capspect {
namespace {

constexpr std::string_view kUsage =
    "Usage: capspect [COMMAND] [OPTIONS]\n"
    "Shows the output formats that video capture devices offer.\n"
    "\n"
    "Commands:\n"
    "  errtext CODE...    print both error texts of each result code\n"
    "                     (CODE as 0x hex, $ hex or decimal)\n"
    "\n"
    "Options:\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n";

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
    err << "capspect: unknown command '" << args.front() << "' (try 'capspect --help')\n";
    return ExitStatus::Usage;
}

}  // namespace capspect
