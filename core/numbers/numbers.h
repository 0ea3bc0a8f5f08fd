// Number rules of both programs: words to numbers, numbers to text.
#ifndef CORE_NUMBERS_NUMBERS_H_
#define CORE_NUMBERS_NUMBERS_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace core {

// The leading decimal number of text (blanks skipped, optional sign, digits
// with an optional point and exponent), rounded to the nearest double; 0 when
// there is none. Only decimal numbers count: "inf", "nan" and "0x10" read as
// 0. A value beyond the double range gives an infinity of its sign.
double atof(std::string_view text);

// atof for a word of a WordTable: the same result, faster. It may read past
// the word, as the table's buffers allow (kPadding of
// core/reading/word_table.h).
double atofWord(std::string_view text);
// atofWord, telling also whether the word is one whole decimal number
// (isDecimalNumber), at no cost for the words that are.
double atofWord(std::string_view text, bool& whole);

// True when word is one whole decimal number: an optional sign, digits with
// an optional point (at least one digit), an optional exponent, and nothing
// after. "1,5", "12.5m", "0x10", "1e" and the empty word are not.
bool isDecimalNumber(std::string_view word);

// True when atoi saturates on text: its digits stand for a value beyond
// the int32 range.
bool atoiSaturates(std::string_view text);

// The leading base-ten integer of text (blanks skipped, optional sign); 0 when
// there is none. Values beyond the int32 range saturate at its ends.
int32_t atoi(std::string_view text);

// True when atof finds a number at the start of word (a word has no
// blanks): an optional sign, then a digit, or a point and a digit. False
// for an empty word, where atof's 0 stands for nothing.
inline bool beginsWithNumber(std::string_view word) {
  if (!word.empty() && (word[0] == '+' || word[0] == '-'))
    word.remove_prefix(1);
  if (!word.empty() && word[0] == '.') word.remove_prefix(1);
  return !word.empty() && word[0] >= '0' && word[0] <= '9';
}

// True when atoi finds a number at the start of word: an optional sign,
// then a digit.
inline bool beginsWithInteger(std::string_view word) {
  if (!word.empty() && (word[0] == '+' || word[0] == '-'))
    word.remove_prefix(1);
  return !word.empty() && word[0] >= '0' && word[0] <= '9';
}

// Rounds half away from zero on the exact fractional part. Not-a-number gives
// 0; values beyond the int32 range, infinities included, saturate.
inline int32_t roundToInt(double value) {
  if (!(value > 0) && !(value < 0)) return 0;  // zero of either sign, or NaN
  const double a = value < 0 ? -value : value;
  double m = a;  // from 2^52 on every double is a whole number
  if (a < 4503599627370496.0) {
    // Truncation by conversion: exact below 2^52, and no call into libm.
    const double t = static_cast<double>(static_cast<int64_t>(a));
    m = t + static_cast<double>(a - t >= 0.5);  // a - t is exact
  }
  if (value > 0) {
    return m >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(m);
  }
  return m >= 2147483648.0 ? INT32_MIN : static_cast<int32_t>(-m);
}

// Longest text writeDecimal or writeInteger can produce.
constexpr size_t kMaxNumberText = 32;

// Writes value in the default floating-point form: six significant digits,
// no trailing zeros, exponent form (with a sign and at least three digits)
// below 1e-4 and from 1e6 on; "inf", "-inf", "nan" for the non-finite.
// out must hold kMaxNumberText bytes; returns the end of the text.
char* writeDecimal(char* out, double value);

namespace detail {
// Powers of ten that a double holds exactly.
inline constexpr double kExactPowers[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536"
    "37383940414243444546474849505152535455565758596061626364656667686970717273"
    "7475767778798081828384858687888990919293949596979899";
}  // namespace detail

// Writes value as a decimal integer with "-" when negative. out must hold
// kMaxNumberText bytes; returns the end of the text.
inline char* writeInteger(char* out, int64_t value) {
  uint64_t u = static_cast<uint64_t>(value);
  if (value < 0) {
    *out++ = '-';
    u = 0 - u;
  }
  unsigned digits = 1;
  for (uint64_t rest = u;; rest /= 10000, digits += 4) {
    if (rest < 10) break;
    if (rest < 100) {
      digits += 1;
      break;
    }
    if (rest < 1000) {
      digits += 2;
      break;
    }
    if (rest < 10000) {
      digits += 3;
      break;
    }
  }
  char* p = out + digits;
  while (u >= 100) {
    p -= 2;
    std::memcpy(p, detail::kDigitPairs + (u % 100) * 2, 2);
    u /= 100;
  }
  if (u >= 10) {
    std::memcpy(p - 2, detail::kDigitPairs + u * 2, 2);
  } else {
    p[-1] = static_cast<char>('0' + u);
  }
  return out + digits;
}

}  // namespace core

#endif  // CORE_NUMBERS_NUMBERS_H_
