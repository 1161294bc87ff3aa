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

void PrepareStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

}  // namespace capspect
