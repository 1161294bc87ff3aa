#include "platform/support/unicode.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace capspect {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

constexpr bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        const char32_t offset = cp - 0x10000;
        out += static_cast<char16_t>(0xD800 + (offset >> 10));
        out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    }
}

// Decodes one UTF-8 sequence at `pos`, advancing it; malformed input yields U+FFFD and
// consumes one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) {
        return lead;
    }
    int trailing = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        trailing = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        trailing = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        trailing = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacement;
    }
    const std::size_t start = pos;
    for (int i = 0; i < trailing; ++i) {
        if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) {
            pos = start;
            return kReplacement;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    if (cp < minimum || cp > kMaxCodePoint || IsSurrogate(cp)) {
        pos = start;
        return kReplacement;
    }
    return cp;
}

// Copies the run of ASCII characters that starts at `start` unchanged and answers where
// it ends.
template <typename From, typename To>
std::size_t CopyAsciiRun(std::basic_string_view<From> text, std::size_t start,
                         std::basic_string<To>& out) {
    std::size_t end = start;
    while (end < text.size() && static_cast<std::make_unsigned_t<From>>(text[end]) < 0x80) {
        ++end;
    }
    const std::size_t written = out.size();
    out.resize(written + (end - start));
    std::transform(text.begin() + static_cast<std::ptrdiff_t>(start),
                   text.begin() + static_cast<std::ptrdiff_t>(end),
                   out.begin() + static_cast<std::ptrdiff_t>(written),
                   [](From c) { return static_cast<To>(c); });
    return end;
}

// Four UTF-16 units at a time: read as one little-endian word, they are ASCII when no
// bit above the low seven of any unit is set, and their low bytes packed together are
// their UTF-8. Report texts are nearly all ASCII, so this is where their conversion goes.
constexpr std::uint64_t kNonAsciiBits = 0xFF80FF80FF80FF80;
constexpr std::size_t kUnitsPerWord = 4;

std::uint64_t LoadUnits(const char16_t* units) {
    std::uint64_t word;
    std::memcpy(&word, units, sizeof word);
    return word;
}

std::uint32_t PackLowBytes(std::uint64_t word) {
    word = (word | (word >> 8)) & 0x0000FFFF0000FFFF;
    return static_cast<std::uint32_t>(word | (word >> 16));
}

std::size_t CopyUtf16AsciiRun(std::u16string_view text, std::size_t start, std::string& out) {
    if constexpr (std::endian::native != std::endian::little) {
        return CopyAsciiRun(text, start, out);
    }
    std::size_t end = start;
    while (end + kUnitsPerWord <= text.size() && (LoadUnits(&text[end]) & kNonAsciiBits) == 0) {
        end += kUnitsPerWord;
    }
    while (end < text.size() && text[end] < 0x80) {
        ++end;
    }
    const std::size_t written = out.size();
    out.resize(written + (end - start));
    char* to = out.data() + written;
    std::size_t from = start;
    for (; from + kUnitsPerWord <= end; from += kUnitsPerWord, to += kUnitsPerWord) {
        const std::uint32_t packed = PackLowBytes(LoadUnits(&text[from]));
        std::memcpy(to, &packed, sizeof packed);
    }
    for (; from < end; ++from) {
        *to++ = static_cast<char>(text[from]);
    }
    return end;
}

}  // namespace

std::u32string Utf16ToCodePoints(std::u16string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out += 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else {
            out += unit;
        }
    }
    return out;
}

std::u16string CodePointsToUtf16(std::u32string_view codePoints) {
    std::u16string out;
    out.reserve(codePoints.size());
    for (const char32_t cp : codePoints) {
        AppendUtf16(out, cp > kMaxCodePoint ? kReplacement : cp);
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendAsUtf8(out, text);
    return out;
}

void AppendAsUtf8(std::string& out, std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs of ASCII, the bulk of every report, are copied without decoding.
        i = CopyUtf16AsciiRun(text, i, out);
        if (i == text.size()) {
            break;
        }
        const char32_t unit = text[i++];
        char32_t cp = unit;
        if (IsHighSurrogate(unit) && i < text.size() && IsLowSurrogate(text[i])) {
            cp = 0x10000 + ((unit - 0xD800) << 10) + (text[i++] - 0xDC00);
        } else if (IsSurrogate(unit)) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        pos = CopyAsciiRun(text, pos, out);
        if (pos < text.size()) {
            AppendUtf16(out, DecodeUtf8(text, pos));
        }
    }
    return out;
}

std::optional<std::string> Utf16ToUtf8Strict(std::u16string_view text) {
    if (text.find(u'\0') != std::u16string_view::npos) {
        return std::nullopt;
    }
    for (const char32_t cp : Utf16ToCodePoints(text)) {
        if (IsSurrogate(cp)) {
            return std::nullopt;
        }
    }
    return Utf16ToUtf8(text);
}

std::optional<std::u16string> Utf8ToUtf16Strict(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    // Only well-formed UTF-8 survives the round trip unchanged.
    std::u16string converted = Utf8ToUtf16(text);
    if (Utf16ToUtf8(converted) != text) {
        return std::nullopt;
    }
    return converted;
}

bool NameLess::operator()(std::u16string_view a, std::u16string_view b) const {
    const auto fold = [](char16_t c) {
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
    };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char16_t x, char16_t y) { return fold(x) < fold(y); });
}

}  // namespace capspect
