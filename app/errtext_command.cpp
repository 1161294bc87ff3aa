#include "app/errtext_command.h"

#include <charconv>
#include <limits>
#include <vector>

#include <windows.h>

#include "app/message_text.h"
#include "platform/support/hex_text.h"
#include "platform/support/hresult_bits.h"
#include "platform/support/unicode.h"
#include "util/ErrorTexts.h"

namespace capspect {
namespace {

// The whole of `digits` as an unsigned number in `base`; nothing when any character is
// not a digit, `digits` is empty or the value overflows.
std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base) {
    std::uint64_t value = 0;
    const char* const end = digits.data() + digits.size();
    const auto [next, error] = std::from_chars(digits.data(), end, value, base);
    if (digits.empty() || error != std::errc{} || next != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::uint32_t> ParseResultCode(std::string_view text) {
    constexpr std::uint64_t kMaxUnsigned = std::numeric_limits<std::uint32_t>::max();
    constexpr std::uint64_t kMaxNegated = std::uint64_t{1} << 31;  // -2^31

    std::optional<std::uint64_t> value;
    bool negative = false;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        value = ParseDigits(text.substr(2), 16);
    } else if (text.starts_with('$')) {
        value = ParseDigits(text.substr(1), 16);
    } else if (text.starts_with('-')) {
        negative = true;
        value = ParseDigits(text.substr(1), 10);
    } else {
        value = ParseDigits(text, 10);
    }
    // from_chars accepts no sign of its own, so "0x-5" and "--5" are already rejected.
    if (!value || *value > (negative ? kMaxNegated : kMaxUnsigned)) {
        return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(*value);
    return negative ? static_cast<std::uint32_t>(0u - bits) : bits;
}

ExitStatus RunErrtextCommand(std::span<const std::string> args, OutputStream& out,
                             OutputStream& err) {
    if (args.empty()) {
        err << "capspect errtext: no result code given (usage: capspect errtext CODE...)\n";
        return ExitStatus::Usage;
    }
    std::vector<std::uint32_t> codes;
    codes.reserve(args.size());
    for (const std::string& arg : args) {
        const auto code = ParseResultCode(arg);
        if (!code) {
            err << "capspect errtext: " << QuotedText(arg)
                << " is not a 32-bit result code (use 0x hex, $ hex or decimal)\n";
            return ExitStatus::Usage;
        }
        codes.push_back(*code);
    }
    for (const std::uint32_t code : codes) {
        const auto hr = HResultFromBits(code);
        out << HexDigits(code) << '\t' << Utf16ToUtf8(MediaErrorText(hr)) << '\t'
            << Utf16ToUtf8(GetDSErrorText(hr)) << '\n';
    }
    return ExitStatus::Success;
}

}  // namespace capspect
