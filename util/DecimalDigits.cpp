#include "util/DecimalDigits.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>

namespace capspect {

namespace {

// The C library's digits: exact for every value, but long double goes through its printf,
// which costs some thousand instructions per number.
DecimalDigits LibraryDigits(long double magnitude, int precision) {
    char buffer[64];
    const auto result = std::to_chars(std::begin(buffer), std::end(buffer), magnitude,
                                      std::chars_format::scientific, precision - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t exponentAt = text.find('e');
    DecimalDigits number;
    for (const char c : text.substr(0, exponentAt)) {
        if (c >= '0' && c <= '9') {
            number.digits += c;
        }
    }
    int exponent = 0;
    std::string_view exponentText = text.substr(exponentAt + 1);
    if (!exponentText.empty() && exponentText.front() == '+') {
        exponentText.remove_prefix(1);
    }
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    number.integerDigits = exponent + 1;
    return number;
}

#if defined(__SIZEOF_INT128__)

// A compiler extension, hence __extension__ (the build is -Wpedantic).
__extension__ typedef unsigned __int128 Wide;

constexpr std::array<std::uint64_t, 20> kPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t& entry : powers) {
        entry = power;
        power *= 10;
    }
    return powers;
}();

constexpr double kLog10Of2 = 0.301029995663981195;

// The digits worked out exactly in 128-bit integers. A long double with at most 64
// mantissa bits is mantissa / 2^shift; scaled by a power of ten that leaves `precision`
// digits before the binary point, the integer part is the digits and the rest decides the
// rounding. Nothing for magnitudes whose scale or shift would not fit: from 2^63 up, and
// below about 10^(precision - 20).
std::optional<DecimalDigits> ExactDigits(long double magnitude, int precision) {
    if constexpr (std::numeric_limits<long double>::digits > 64) {
        return std::nullopt;
    }
    if (!(magnitude > 0.0L)) {
        return std::nullopt;
    }
    int exponent2 = 0;
    const long double fraction = std::frexp(magnitude, &exponent2);  // in [0.5, 1)
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    const int shift = 64 - exponent2;
    if (shift < 1 || shift > 127) {
        return std::nullopt;
    }
    // The magnitude lies in [2^(exponent2 - 1), 2^exponent2): this guess of its decimal
    // exponent is exact or one too small.
    int exponent10 = static_cast<int>(std::floor((exponent2 - 1) * kLog10Of2));
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int scale = precision - 1 - exponent10;
        if (scale < 0 || scale >= static_cast<int>(kPowersOfTen.size())) {
            return std::nullopt;
        }
        const Wide scaled = Wide{mantissa} * kPowersOfTen[static_cast<std::size_t>(scale)];
        Wide digits = scaled >> shift;
        if (digits < kPowersOfTen[static_cast<std::size_t>(precision - 1)]) {
            --exponent10;
            continue;
        }
        const std::uint64_t limit = kPowersOfTen[static_cast<std::size_t>(precision)];
        if (digits >= limit) {
            ++exponent10;
            continue;
        }
        const Wide rest = scaled & ((Wide{1} << shift) - 1);
        const Wide half = Wide{1} << (shift - 1);
        if (rest > half || (rest == half && (digits & 1) != 0)) {
            ++digits;
        }
        if (digits == limit) {  // 9.99... rounded up to 10.0...
            digits /= 10;
            ++exponent10;
        }
        std::array<char, 24> buffer{};
        const char* const end = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                              static_cast<std::uint64_t>(digits))
                                    .ptr;
        const char* const begin = buffer.data();
        return DecimalDigits{std::string(begin, end), exponent10 + 1};
    }
    return std::nullopt;
}

#else

std::optional<DecimalDigits> ExactDigits(long double, int) {
    return std::nullopt;
}

#endif

}  // namespace

DecimalDigits SignificantDigits(long double magnitude, int precision) {
    if (std::optional<DecimalDigits> digits = ExactDigits(magnitude, precision)) {
        return *std::move(digits);
    }
    return LibraryDigits(magnitude, precision);
}

}  // namespace capspect
