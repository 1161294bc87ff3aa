#include <iostream>

#include "app/command_line.h"

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return static_cast<int>(capspect::RunCommandLine(args, std::cout, std::cerr));
}
