// Number rules of both programs: words to numbers, numbers to text.
#ifndef CORE_NUMBERS_H_
#define CORE_NUMBERS_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace core {

// The leading decimal number of text (blanks skipped, optional sign, digits
// with an optional point and exponent), rounded to the nearest double; 0 when
// there is none. Only decimal numbers count: "inf", "nan" and "0x10" read as
// 0. A value beyond the double range gives an infinity of its sign.
double atof(std::string_view text);

// The leading base-ten integer of text (blanks skipped, optional sign); 0 when
// there is none. Values beyond the int32 range saturate at its ends.
int32_t atoi(std::string_view text);

// Rounds half away from zero on the exact fractional part. Not-a-number gives
// 0; values beyond the int32 range, infinities included, saturate.
int32_t roundToInt(double value);

// Longest text writeDecimal or writeInteger can produce.
constexpr size_t kMaxNumberText = 32;

// Writes value in the default floating-point form: six significant digits,
// no trailing zeros, exponent form (with a sign and at least three digits)
// below 1e-4 and from 1e6 on; "inf", "-inf", "nan" for the non-finite.
// out must hold kMaxNumberText bytes; returns the end of the text.
char* writeDecimal(char* out, double value);

// Writes value as a decimal integer with "-" when negative.
char* writeInteger(char* out, int64_t value);

}  // namespace core

#endif  // CORE_NUMBERS_H_
