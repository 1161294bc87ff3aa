// Result-code text as `capspect errtext` reads it (0x hex, $ hex, decimal, negative
// decimal) and the catalog's HRESULT names. A parsed code must come back from each of its
// written forms; the command answers success exactly for parseable codes and looks both
// error texts up for them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/errtext_command.h"
#include "fuzz/fuzz_check.h"
#include "platform/devices/catalog_names.h"

using namespace capspect;

namespace {

std::string Printed(const char* format, std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return text;
}

void CheckWrittenForms(std::uint32_t code) {
    for (const char* format : {"0x%08X", "0X%x", "$%X", "%u"}) {
        fuzz::Check(ParseResultCode(Printed(format, code)) == code,
                    "a code reads back from its written form");
    }
    const auto negative = static_cast<std::int32_t>(code);
    if (negative < 0) {
        fuzz::Check(ParseResultCode(std::to_string(negative)) == code,
                    "a code reads back from its negative decimal form");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto code = ParseResultCode(text);
    if (code) {
        CheckWrittenForms(*code);
    }

    StringOutput out;
    StringOutput err;
    const std::vector<std::string> args{text};
    const ExitStatus status = RunErrtextCommand(args, out, err);
    fuzz::Check((status == ExitStatus::Success) == code.has_value(),
                "errtext succeeds exactly for readable codes");
    fuzz::Check(code ? !out.Text().empty() && err.Text().empty() : out.Text().empty(),
                "errtext writes its line or its complaint");

    // The catalog's names are looked up, not parsed; only crashes count here.
    static_cast<void>(sim::HresultFromCatalogName(text));
    return 0;
}
