// Tables that map result codes to texts. The tables themselves are generated at build time
// from the TSV files in data/ (tools/error_table_generator.cpp), sorted by code.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace capspect {

struct ErrorTextEntry {
    std::uint32_t code;  // the HRESULT's 32 bits
    std::u16string_view text;
};

// The entry whose code equals `code` in all 32 bits, in a table sorted by code.
std::optional<std::u16string_view> FindErrorText(std::span<const ErrorTextEntry> table,
                                                 std::uint32_t code);

// The texts the platform's DirectShow error-text service knows (data/platform_error_texts.tsv).
std::span<const ErrorTextEntry> PlatformErrorTable();

}  // namespace capspect
