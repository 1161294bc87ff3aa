#include "app/message_text.h"

#include <algorithm>
#include <string>

#include "platform/support/hex_text.h"

namespace capspect {
namespace {

// The length of the valid UTF-8 sequence at the start of `text`, or 0 when the first byte
// does not start one (a stray continuation byte, an overlong form, a surrogate, a code
// point beyond U+10FFFF or a sequence cut short).
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char min = 0x80;  // the allowed range of the second byte
    unsigned char max = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        min = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        max = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        min = lead == 0xF0 ? 0x90 : 0x80;
        max = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < min || byte(1) > max) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::string ByteEscape(unsigned char byte) {
    std::string escape = "\\x00";
    WriteHexDigits(escape.data() + 2, byte, 2);
    return escape;
}

// The escape for a one-byte character, or empty when it is shown as it is.
std::string ControlEscape(char c) {
    switch (c) {
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
        default:
            break;
    }
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F ? ByteEscape(byte) : std::string();
}

// Appends PrintableText of `text` to `result`, stopping before the character that would
// pass `limit` bytes of `text`; answers whether all of `text` fitted.
bool AppendPrintable(std::string_view text, std::size_t limit, std::string& result) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t length = Utf8SequenceLength(text.substr(pos));
        if (pos + std::max<std::size_t>(length, 1) > limit) {
            return false;
        }
        if (length == 0) {
            result += ByteEscape(static_cast<unsigned char>(text[pos]));
            ++pos;
            continue;
        }
        const std::string escape = length == 1 ? ControlEscape(text[pos]) : std::string();
        result += escape.empty() ? text.substr(pos, length) : std::string_view(escape);
        pos += length;
    }
    return true;
}

}  // namespace

std::string PrintableText(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    AppendPrintable(text, text.size(), result);
    return result;
}

std::string QuotedText(std::string_view text) {
    std::string result = "'";
    const bool whole = AppendPrintable(text, kMaxQuotedBytes, result);
    result += whole ? "'" : "...'";
    return result;
}

}  // namespace capspect
