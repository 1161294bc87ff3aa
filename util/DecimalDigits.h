// The significant decimal digits of a number, rounded to nearest with ties to even, as the
// C library rounds them, but without its formatting machinery for the common magnitudes.
#pragma once

#include <string>

namespace capspect {

// A decimal number as a digit string with the decimal point after `integerDigits` digits.
struct DecimalDigits {
    std::string digits;
    int integerDigits = 0;
};

// The first `precision` (1 to 18) significant digits of `magnitude` (finite, not negative),
// correctly rounded: the digits std::to_chars writes in scientific notation with
// `precision - 1` decimals, and the position of the decimal point. Zero gives `precision`
// zeros with the point after the first.
DecimalDigits SignificantDigits(long double magnitude, int precision);

}  // namespace capspect
