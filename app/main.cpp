#include <iostream>

#include "app/command_line.h"
#if CAPSPECT_WITH_QT
#include "app/window_start.h"
#endif

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
#if CAPSPECT_WITH_QT
    const capspect::WindowLauncher launchWindow = capspect::RunMainWindow;
#else
    const capspect::WindowLauncher launchWindow;
#endif
    return static_cast<int>(capspect::RunCommandLine(args, std::cout, std::cerr, launchWindow));
}
