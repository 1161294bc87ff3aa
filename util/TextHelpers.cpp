#include "util/TextHelpers.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <vector>

#include <windows.h>

#include "platform/support/wide_string.h"
#include "util/DecimalDigits.h"

namespace capspect {

namespace {

constexpr int kMaxPrecision = 18;
constexpr int kMaxDigits = 18;

bool IsDecimalDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

std::optional<int> HexDigitValue(char16_t c) {
    if (IsDecimalDigit(c)) {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return std::nullopt;
}

// One locale text of the user's locale, or nothing when the locale service fails. The
// texts asked for are short, so a small buffer is tried first and the size is asked for
// only when it does not suffice: one call instead of two for every number formatted.
std::optional<std::u16string> UserLocaleText(LCTYPE type) {
    std::array<char16_t, 16> small{};
    if (const int written = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, WideText(small.data()),
                                           static_cast<int>(small.size()));
        written > 0) {
        return std::u16string(small.data(), static_cast<std::size_t>(written) - 1);
    }
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::u16string buffer(static_cast<std::size_t>(length), u'\0');
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, WideText(buffer), length) == 0) {
        return std::nullopt;
    }
    buffer.resize(static_cast<std::size_t>(length) - 1);  // the terminating NUL
    return buffer;
}

// Moves the digits into an integer and a fraction part with exactly `digits` decimals,
// rounding half away from zero.
void FixDecimals(DecimalDigits& number, int digits) {
    std::string& d = number.digits;
    if (number.integerDigits <= 0) {
        d.insert(0, static_cast<std::size_t>(1 - number.integerDigits), '0');
        number.integerDigits = 1;
    }
    const std::size_t kept = static_cast<std::size_t>(number.integerDigits + digits);
    if (d.size() < kept) {
        d.append(kept - d.size(), '0');
    }
    const bool roundUp = d.size() > kept && d[kept] >= '5';
    d.resize(kept);
    if (!roundUp) {
        return;
    }
    std::size_t i = kept;
    while (i > 0 && d[i - 1] == '9') {
        d[--i] = '0';
    }
    if (i == 0) {
        d.insert(d.begin(), '1');
        ++number.integerDigits;
    } else {
        ++d[i - 1];
    }
}

std::u16string GroupedInteger(std::string_view digits, std::u16string_view separator) {
    const std::size_t firstNonZero = std::min(digits.find_first_not_of('0'), digits.size() - 1);
    digits.remove_prefix(firstNonZero);
    std::u16string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += separator;
        }
        text += static_cast<char16_t>(digits[i]);
    }
    return text;
}

}  // namespace

bool HasTextPrefix(std::u16string_view prefix, std::u16string_view text) {
    if (text.size() < prefix.size()) {
        return false;
    }
    if (prefix.empty()) {
        return true;
    }
    if (prefix.size() > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    const int length = static_cast<int>(prefix.size());
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, WideChars(prefix), length,
                          WideChars(text), length) == CSTR_EQUAL;
}

bool HasAnyTextPrefix(std::u16string_view text, std::span<const std::u16string_view> prefixes,
                      int last) {
    if (last < 0) {
        return false;
    }
    const std::size_t count = std::min(prefixes.size(), static_cast<std::size_t>(last) + 1);
    return std::any_of(prefixes.begin(), prefixes.begin() + static_cast<std::ptrdiff_t>(count),
                       [text](std::u16string_view prefix) { return HasTextPrefix(prefix, text); });
}

std::string CutText(std::string& s, int start, int count) {
    const std::size_t offset = static_cast<std::size_t>(std::max(start, 1) - 1);
    if (count <= 0 || offset >= s.size()) {
        return {};
    }
    std::string piece = s.substr(offset, static_cast<std::size_t>(count));
    s.erase(offset, piece.size());
    return piece;
}

bool IsIntegerText(std::u16string_view s) {
    if (s.empty() || s == u"-" || s == u"+" || s == u"$") {
        return false;
    }
    const char16_t first = s.front();
    const std::u16string_view rest = s.substr(1);
    if (first == u'$') {
        return std::all_of(rest.begin(), rest.end(),
                           [](char16_t c) { return HexDigitValue(c).has_value(); });
    }
    if (first != u'+' && first != u'-' && !IsDecimalDigit(first)) {
        return false;
    }
    return std::all_of(rest.begin(), rest.end(), IsDecimalDigit);
}

std::optional<std::int32_t> IntegerTextValue(std::u16string_view s) {
    if (!IsIntegerText(s)) {
        return std::nullopt;
    }
    const bool hex = s.front() == u'$';
    const bool negative = s.front() == u'-';
    if (!IsDecimalDigit(s.front())) {
        s.remove_prefix(1);
    }
    const std::int64_t base = hex ? 16 : 10;
    // One past INT32_MAX is the magnitude of INT32_MIN, allowed for negative texts only.
    const std::int64_t limit = std::int64_t{INT32_MAX} + (negative ? 1 : 0);
    std::int64_t magnitude = 0;
    for (const char16_t c : s) {
        magnitude = magnitude * base + *HexDigitValue(c);
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::int32_t UserCountryCode() {
    const std::optional<std::u16string> text = UserLocaleText(LOCALE_ICOUNTRY);
    if (!text) {
        return 0;
    }
    return IntegerTextValue(*text).value_or(-1);
}

NumberSeparators UserNumberSeparators() {
    return NumberSeparators{UserLocaleText(LOCALE_SDECIMAL).value_or(u"."),
                            UserLocaleText(LOCALE_STHOUSAND).value_or(u"")};
}

std::u16string FormatNumber(long double value, int precision, int digits) {
    return FormatNumber(value, precision, digits, UserNumberSeparators());
}

std::u16string FormatNumber(long double value, int precision, int digits,
                            const NumberSeparators& separators) {
    if (std::isnan(value)) {
        return u"NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? u"-INF" : u"INF";
    }
    precision = std::clamp(precision, 1, kMaxPrecision);
    digits = std::clamp(digits, 0, kMaxDigits);

    DecimalDigits number = SignificantDigits(std::fabs(value), precision);
    FixDecimals(number, digits);
    const std::string_view all = number.digits;
    const bool isZero = all.find_first_not_of('0') == std::string_view::npos;

    std::u16string text = value < 0 && !isZero ? u"-" : u"";
    const auto integerDigits = static_cast<std::size_t>(number.integerDigits);
    text += GroupedInteger(all.substr(0, integerDigits), separators.thousands);
    if (digits > 0) {
        text += separators.decimal;
        for (const char c : all.substr(integerDigits)) {
            text += static_cast<char16_t>(c);
        }
    }
    return text;
}

}  // namespace capspect
