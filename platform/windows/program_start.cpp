#include "platform/support/program_start.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string_view>

#include <windows.h>

#include <shellapi.h>

#include "platform/support/unicode.h"
#include "platform/support/wide_string.h"

namespace capspect {

std::vector<std::string> ProgramArguments(int /*argc*/, char* /*argv*/[]) {
    int count = 0;
    LPWSTR* const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        result.push_back(Utf16ToUtf8(Utf16Text(arguments[i])));
    }
    LocalFree(arguments);
    return result;
}

namespace {

bool StandardHandleMissing(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
}

// The window program (capspect.exe) has no console of its own. Run with a command from a
// console, it writes to that console; redirected, its handles are where they were sent.
void ConnectParentConsole() {
    const bool noOutput = StandardHandleMissing(STD_OUTPUT_HANDLE);
    const bool noErrors = StandardHandleMissing(STD_ERROR_HANDLE);
    if ((!noOutput && !noErrors) || !AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    FILE* reopened = nullptr;
    if (noOutput) {
        freopen_s(&reopened, "CONOUT$", "w", stdout);
    }
    if (noErrors) {
        freopen_s(&reopened, "CONOUT$", "w", stderr);
    }
}

}  // namespace

void PrepareStandardStreams() {
    ConnectParentConsole();
    // A window program started without a console has no standard streams at all
    // (_fileno answers a negative number), and the runtime rejects such descriptors.
    for (FILE* const stream : {stdout, stderr}) {
        if (const int fd = _fileno(stream); fd >= 0) {
            _setmode(fd, _O_BINARY);
        }
    }
    SetConsoleOutputCP(CP_UTF8);
}

bool StandardErrorIsTerminal() {
    const int fd = _fileno(stderr);
    return fd >= 0 && _isatty(fd) != 0;
}

}  // namespace capspect
