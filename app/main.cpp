#include <cstdio>

#include "app/command_line.h"
#include "app/output_stream.h"
#include "platform/support/program_start.h"
#if CAPSPECT_WITH_QT
#include "app/window_start.h"
#elif defined(_WIN32)
#include "app/win32/window_start.h"
#endif

int main(int argc, char* argv[]) {
    capspect::PrepareStandardStreams();
    const std::vector<std::string> args = capspect::ProgramArguments(argc, argv);
#if CAPSPECT_WITH_QT || defined(_WIN32)
    const capspect::WindowLauncher launchWindow = capspect::RunMainWindow;
#else
    const capspect::WindowLauncher launchWindow;
#endif
    capspect::FileOutput out(stdout);
    capspect::FileOutput err(stderr);
    return static_cast<int>(capspect::RunCommandLine(args, out, err, launchWindow));
}
