// The program's command line: verbs that print device and error information without a
// window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace capspect {

// Exit statuses of the command line.
enum class ExitStatus : int { Success = 0, Failure = 1, Usage = 2 };

// Runs the command given by `args` (without the program name), writing results to `out`
// and one line per failure to `err`.
ExitStatus RunCommandLine(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err);

}  // namespace capspect
