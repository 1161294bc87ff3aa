// Text helpers shared by the components: prefix tests under the user's locale, a byte-string
// cut, integer texts of locale data, the user's country code and locale number text. None
// keeps state between calls; none throws.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace capspect {

// True when `text` starts with `prefix`, compared with case ignored in the user's locale.
// An empty prefix matches every text.
bool HasTextPrefix(std::u16string_view prefix, std::u16string_view text);

// True when `text` starts with one of prefixes[0..last]. `last` beyond the end of
// `prefixes` stops at the last prefix there is; a negative `last` tries none.
bool HasAnyTextPrefix(std::u16string_view text, std::span<const std::u16string_view> prefixes,
                      int last);

// Removes and returns the `count` bytes of `s` from the 1-based position `start`; shorter
// when `s` ends first, empty when `start` lies beyond the end or `count` is not positive.
// A `start` below 1 counts as 1.
std::string CutText(std::string& s, int start, int count);

// True for "[+|-]digits" and "$hexdigits"; false for the empty text and a lone sign or "$".
bool IsIntegerText(std::u16string_view s);

// The value of a text that passes IsIntegerText ("$" reads as hexadecimal), or nothing when
// the text is not one or its value lies outside the 32-bit signed range.
std::optional<std::int32_t> IntegerTextValue(std::u16string_view s);

// The international dialling code of the user's locale (49 for Germany, 1 for the United
// States); 0 when the locale service does not answer, -1 when its text is not a usable
// integer (the "C" locale names no country).
std::int32_t UserCountryCode();

// The number separators of the user's locale: "." and none where the locale service does
// not answer.
struct NumberSeparators {
    std::u16string decimal = u".";
    std::u16string thousands;
};
NumberSeparators UserNumberSeparators();

// `value` rounded to `precision` significant digits (1 to 18), then written with exactly
// `digits` decimals (0 to 18) and the user's locale separators, thousands grouped by three.
// A negative value has a leading '-'; a value that rounds to zero has none. Non-finite
// values give "NAN", "INF" and "-INF".
std::u16string FormatNumber(long double value, int precision, int digits);
// The same with separators read beforehand, for a run of numbers in one text.
std::u16string FormatNumber(long double value, int precision, int digits,
                            const NumberSeparators& separators);

}  // namespace capspect
