#include "util/DecimalDigits.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>

namespace {

using capspect::DecimalDigits;
using capspect::SignificantDigits;

// The digits in the form std::to_chars writes them in scientific notation: "2.9970030e+01".
std::string ScientificText(const DecimalDigits& number) {
    std::string text = number.digits.substr(0, 1);
    if (number.digits.size() > 1) {
        text += '.';
        text += number.digits.substr(1);
    }
    const int exponent = number.integerDigits - 1;
    text += exponent < 0 ? "e-" : "e+";
    const std::string magnitude = std::to_string(std::abs(exponent));
    return text + (magnitude.size() < 2 ? "0" : "") + magnitude;
}

std::string LibraryText(long double value, int precision) {
    char buffer[64];
    const auto result = std::to_chars(std::begin(buffer), std::end(buffer), value,
                                      std::chars_format::scientific, precision - 1);
    return std::string(buffer, result.ptr);
}

void ExpectLibraryDigits(long double value, int precision) {
    EXPECT_EQ(ScientificText(SignificantDigits(value, precision)), LibraryText(value, precision))
        << "value " << LibraryText(value, 21) << ", precision " << precision;
}

TEST(SignificantDigits, MatchTheLibraryForEveryFrameRateOfWholeHundredNanoseconds) {
    // The report's rates are 10^7 / duration in extended precision, at 8 digits.
    for (std::int64_t duration = 1; duration <= 1'000'000; duration += 7) {
        ExpectLibraryDigits(10'000'000.0L / static_cast<long double>(duration), 8);
    }
    for (std::int64_t duration : {166'833LL, 333'333LL, 333'667LL, 400'000LL, 10'000'001LL}) {
        ExpectLibraryDigits(10'000'000.0L / static_cast<long double>(duration), 8);
    }
}

TEST(SignificantDigits, MatchTheLibraryAcrossMagnitudesAndPrecisions) {
    std::mt19937_64 random(20261210);
    std::uniform_real_distribution<double> exponent(-30.0, 30.0);
    for (int i = 0; i < 20'000; ++i) {
        const long double value = std::pow(10.0L, static_cast<long double>(exponent(random)));
        ExpectLibraryDigits(value, 1 + i % 18);
    }
    for (const long double value :
         {1.0L, 9.5L, 99999999.5L, 0.999999995L, 1e-12L, 4.0L / 3, 9.2233720368547758e18L,
          18446744073709551615.0L, 1e300L, 3.6e-4000L}) {
        for (int precision = 1; precision <= 18; ++precision) {
            ExpectLibraryDigits(value, precision);
        }
    }
}

TEST(SignificantDigits, RoundExactTiesToEvenAsTheLibraryDoes) {
    // Binary fractions that lie exactly halfway between two shorter decimals.
    EXPECT_EQ(SignificantDigits(2.5L, 1).digits, "2");
    EXPECT_EQ(SignificantDigits(3.5L, 1).digits, "4");
    EXPECT_EQ(SignificantDigits(0.125L, 2).digits, "12");
    EXPECT_EQ(SignificantDigits(0.375L, 2).digits, "38");
    for (const long double tie : {0.5L, 1.5L, 12.5L, 1234.5625L, 99999999.5L, 0.0009765625L}) {
        for (int precision = 1; precision <= 8; ++precision) {
            ExpectLibraryDigits(tie, precision);
        }
    }
}

}  // namespace
