// What a program of ours needs from the platform at its start: its arguments as UTF-8
// text, and standard streams that pass the bytes written to them unchanged (the reports
// carry their own CR LF line ends and are UTF-8).
#pragma once

#include <string>
#include <vector>

namespace capspect {

// The arguments after the program's name. On Windows they come from the UTF-16 command
// line, since argv holds them in the legacy code page.
std::vector<std::string> ProgramArguments(int argc, char* argv[]);

// On Windows puts stdout and stderr into binary mode and a console into UTF-8; nothing to
// do on Linux.
void PrepareStandardStreams();

// True when stderr is a terminal (a console on Windows), where a progress line may be
// rewritten in place.
bool StandardErrorIsTerminal();

}  // namespace capspect
