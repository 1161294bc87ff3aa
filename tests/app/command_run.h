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

// The lines of a command's output, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

inline CommandRun RunCapspect(const std::vector<std::string>& args) {
    StringOutput out;
    StringOutput err;
    const ExitStatus status = RunCommandLine(args, out, err);
    return {status, out.Text(), err.Text()};
}

}  // namespace capspect
