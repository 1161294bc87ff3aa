// Runs the command line in-process and keeps what it wrote, for the command tests.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace capspect {

struct CommandRun {
    ExitStatus status;
    std::string out;
    std::string err;
};

inline CommandRun RunCapspect(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const ExitStatus status = RunCommandLine(args, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace capspect
