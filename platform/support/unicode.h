// Conversions between the UTF-16 strings that cross the platform and the UTF-8 and UCS-4
// strings of the C library and the standard streams.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace capspect {

// Invalid sequences (lone surrogates, malformed UTF-8) become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// Appends the UTF-8 form of `text` to `out`, for texts built from many pieces.
void AppendAsUtf8(std::string& out, std::u16string_view text);

// Strict conversions for names handed to the file system and to file formats: nullopt
// when the text holds a NUL, an unpaired surrogate or (for UTF-8) a malformed sequence.
std::optional<std::string> Utf16ToUtf8Strict(std::u16string_view text);
std::optional<std::u16string> Utf8ToUtf16Strict(std::string_view text);

// UTF-16 to code points and back. Lone surrogates pass through unchanged, so that text
// the platform hands over is never altered by a round trip.
std::u32string Utf16ToCodePoints(std::u16string_view text);
std::u16string CodePointsToUtf16(std::u32string_view codePoints);

// Less-than on UTF-16 names with ASCII letters compared without regard to case, as the
// registry and property bags compare names.
struct NameLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
};

}  // namespace capspect
