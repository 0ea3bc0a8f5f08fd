// Words to numbers: atof, atofWord and atoi, the readers' only conversions.
#include "core/numbers/numbers.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

#if !defined(CORE_SCALAR) && defined(__SSE2__) && \
    (defined(__GNUC__) || defined(__clang__))
#include <emmintrin.h>
#define CORE_NUMBERS_SSE2 1
#elif !defined(CORE_SCALAR) && defined(__wasm_simd128__)
#include <wasm_simd128.h>
#define CORE_NUMBERS_SIMD128 1
#endif
#if defined(CORE_NUMBERS_SSE2) || defined(CORE_NUMBERS_SIMD128)
#define CORE_NUMBERS_VECTOR 1
#endif

#include "core/reading/word_table.h"

namespace core {
namespace {

// A space, or a tab, line feed, vertical tab, form feed or carriage return.
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Index of the first byte after the optional blanks and sign; negative tells
// whether the sign was "-".
size_t skipBlanksAndSign(std::string_view text, bool& negative) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return i;
}

size_t skipDigits(std::string_view text, size_t i) {
  while (i < text.size() && isDigit(text[i])) ++i;
  return i;
}

// Length of the longest unsigned decimal number at the start of text, 0 if
// there is none.
size_t decimalLength(std::string_view text) {
  const size_t intEnd = skipDigits(text, 0);
  size_t end = intEnd;
  if (end < text.size() && text[end] == '.') {
    const size_t fracEnd = skipDigits(text, end + 1);
    if (fracEnd > end + 1 || intEnd > 0) end = fracEnd;
  }
  if (end == 0) return 0;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    size_t e = end + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    const size_t expEnd = skipDigits(text, e);
    if (expEnd > e) end = expEnd;  // an exponent without digits is not taken
  }
  return end;
}

// The leading base-ten integer of text (blanks skipped, optional sign), 0
// when there is none; past 2^32 its magnitude stops growing, so that a value
// beyond the int32 range stays beyond it.
inline int64_t leadingInteger(std::string_view text) {
  bool negative = false;
  size_t i = skipBlanksAndSign(text, negative);
  constexpr int64_t kLimit = int64_t{1} << 32;
  int64_t magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    if (magnitude < kLimit) magnitude = magnitude * 10 + (text[i] - '0');
  }
  return negative ? -magnitude : magnitude;
}

// True when a number that the conversion could not represent is too large
// rather than too small: its first significant digit stands at a positive
// power of ten. Only the far ends of the double range get here.
bool overflows(std::string_view number) {
  const size_t ePos = std::min(number.find_first_of("eE"), number.size());
  const std::string_view mantissa = number.substr(0, ePos);
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t first = mantissa.find_first_not_of("0.");
  if (first == std::string_view::npos) return false;
  long long magnitude = first < point
                            ? static_cast<long long>(point - first)
                            : -static_cast<long long>(first - point - 1);
  if (ePos < number.size()) {
    magnitude += leadingInteger(number.substr(ePos + 1));
  }
  return magnitude > 0;
}

// The slow, general conversion: any number of digits, any exponent.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((noinline))
#endif
double
atofSlow(std::string_view text) {
  bool negative = false;
  const size_t start = skipBlanksAndSign(text, negative);
  const std::string_view rest = text.substr(start);
  const size_t length = decimalLength(rest);
  if (length == 0) return 0;
  double value = 0;
  const std::errc error =
      std::from_chars(rest.data(), rest.data() + length, value).ec;
  if (error == std::errc::result_out_of_range) {
    value = overflows(rest.substr(0, length))
                ? std::numeric_limits<double>::infinity()
                : 0.0;
  }
  return negative ? -value : value;
}

using detail::kExactPowers;

#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
// The steps of atof's fast path (Clinger): when the digits form an integer m
// below 2^53 and the decimal exponent e is within +-22, m and 10^|e| are
// exact doubles and one IEEE multiplication or division rounds m * 10^e
// correctly, exactly as strtod does. Everything else (blanks, many digits,
// large exponents, no digits) goes the general way. This needs doubles to
// be evaluated without extra precision.

// Skips an optional "+" or "-" at p; negative tells which it was.
inline const char* readSign(const char* p, const char* end, bool& negative) {
  negative = false;
  if (p != end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  return p;
}

// Appends the decimal digits at p to mantissa; returns the end of the
// digits. Past nineteen digits mantissa wraps, so callers count them.
inline const char* readDigits(const char* p, const char* end,
                              uint64_t& mantissa) {
  for (unsigned d; p != end && (d = static_cast<unsigned char>(*p) - '0') < 10;
       ++p) {
    mantissa = mantissa * 10 + d;
  }
  return p;
}

// Adds the exponent after "e" or "E" (p is just after the letter: an
// optional sign and digits, none reading as 0) to exponent. False when its
// magnitude reaches 100000, far beyond anything the fast path can take.
inline bool readExponent(const char* p, const char* end, int& exponent) {
  bool negative = false;
  p = readSign(p, end, negative);
  int value = 0;
  for (unsigned d; p != end && (d = static_cast<unsigned char>(*p) - '0') < 10;
       ++p) {
    if (value < 100000) value = value * 10 + static_cast<int>(d);
  }
  exponent += negative ? -value : value;
  return value < 100000;
}

// mantissa * 10^exponent in one correctly rounded operation, when both
// operands are exact doubles; false otherwise.
inline bool exactScale(uint64_t mantissa, int exponent, double& value) {
  if (mantissa > (uint64_t{1} << 53) || exponent < -22 || exponent > 22) {
    return false;
  }
  value = static_cast<double>(mantissa);
  value = exponent >= 0 ? value * kExactPowers[exponent]
                        : value / kExactPowers[-exponent];
  return true;
}

// atof of text when the fast path can read it; false when text needs the
// general way.
inline bool atofFast(std::string_view text, double& value) {
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  p = readSign(p, end, negative);
  uint64_t mantissa = 0;
  const char* const intStart = p;
  p = readDigits(p, end, mantissa);
  size_t digits = static_cast<size_t>(p - intStart);
  int exponent = 0;
  if (p != end && *p == '.') {
    const char* const fracStart = ++p;
    p = readDigits(p, end, mantissa);
    digits += static_cast<size_t>(p - fracStart);
    exponent = -static_cast<int>(p - fracStart);
  }
  // Up to nineteen digits, leading zeros included, always fit 64 bits.
  if (digits == 0 || digits > 19) return false;
  bool exact = true;
  if (p != end && (*p == 'e' || *p == 'E')) {
    exact = readExponent(p + 1, end, exponent);
  }
  if (mantissa == 0) {
    value = negative ? -0.0 : 0.0;  // whatever the exponent
    return true;
  }
  if (!exact || !exactScale(mantissa, exponent, value)) return false;
  if (negative) value = -value;
  return true;
}
#endif

#ifdef CORE_NUMBERS_VECTOR
// Bit i set for each of the 16 bytes at p that is a digit.
inline uint32_t digitBits16(const char* p) {
#ifdef CORE_NUMBERS_SSE2
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8('0'));
  return static_cast<uint32_t>(
      _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(9)), t)));
#else
  const v128_t t = wasm_i8x16_sub(wasm_v128_load(p), wasm_i8x16_splat('0'));
  return static_cast<uint32_t>(
      wasm_i8x16_bitmask(wasm_u8x16_le(t, wasm_u8x16_splat(9))));
#endif
}

// The value of len (0 to 8) decimal digits at p; reads 8 bytes at p.
inline uint64_t digitsValue(const char* p, unsigned len) {
  if (len == 0) return 0;
  uint64_t v = 0;
  std::memcpy(&v, p, 8);
  // Move the digits to the top bytes and fill the bottom with "0": eight
  // digits, the first in the lowest byte (little-endian).
  if (len < 8) {
    v = (v << (8 * (8 - len))) | (0x3030303030303030u >> (8 * len));
  }
  v -= 0x3030303030303030u;
  v = v * 10 + (v >> 8);  // pairs
  v = (((v & 0x000000FF000000FFu) * 0x000F424000000064u) +
       (((v >> 16) & 0x000000FF000000FFu) * 0x0000271000000001u)) >>
      32;
  return v;
}

constexpr uint64_t kIntPowers[] = {1,      10,      100,      1000,     10000,
                                   100000, 1000000, 10000000, 100000000};
#endif

// atofWord; when whole is given, also whether the word is one whole decimal
// number. Inlined into both forms, so that the plain one pays nothing.
// Reads up to 32 bytes from the word's start, whatever its length.
static_assert(kPadding >= 32, "atofWord reads 32 bytes from a word");
inline double readWord(std::string_view text, bool* whole) {
  const auto general = [&] {
    if (whole != nullptr) *whole = isDecimalNumber(text);
    return atof(text);
  };
#if defined(CORE_NUMBERS_VECTOR) && defined(FLT_EVAL_METHOD) && \
    FLT_EVAL_METHOD == 0
  // One mask of the digits of the word, then the integer and fraction digits
  // eight at a time; anything unusual (an exponent, long digit strings) goes
  // the general way.
  const char* const p = text.data();
  const size_t n = text.size();
  if (n == 0 || n > 16) return general();
  const bool negative = p[0] == '-';
  const size_t start = (p[0] == '-' || p[0] == '+') ? 1 : 0;
  const uint32_t digitBits = digitBits16(p) & ((uint32_t{1} << n) - 1);
  const auto intLen =
      static_cast<unsigned>(__builtin_ctz(~(digitBits >> start)));
  size_t pos = start + intLen;
  unsigned fracLen = 0;
  if (pos < n && p[pos] == '.') {
    fracLen = static_cast<unsigned>(__builtin_ctz(~(digitBits >> (pos + 1))));
    pos += 1 + fracLen;
  }
  if ((pos < n && (p[pos] == 'e' || p[pos] == 'E')) || intLen + fracLen == 0 ||
      intLen > 8 || fracLen > 8) {
    return general();
  }
  uint64_t mantissa = 0;
  if (fracLen != 0 && intLen + 1 + fracLen <= 8) {
    // Digits, point and fraction in 8 bytes: drop the point by moving the
    // fraction down one byte, then convert all digits at once.
    uint64_t v = 0;
    std::memcpy(&v, p + start, 8);
    const uint64_t below =
        intLen == 0 ? 0 : (~uint64_t{0} >> (64 - 8 * intLen));
    v = (v & below) | ((v >> 8) & ~below);
    char digits[8];
    std::memcpy(digits, &v, 8);
    mantissa = digitsValue(digits, intLen + fracLen);
  } else {
    mantissa = digitsValue(p + start, intLen) * kIntPowers[fracLen] +
               digitsValue(p + start + intLen + 1, fracLen);
  }
  if (mantissa > (uint64_t{1} << 53)) return general();
  if (whole != nullptr) *whole = pos == n;
  if (mantissa == 0) return negative ? -0.0 : 0.0;
  // Exact operands, one correctly rounded division (Clinger).
  const double value = static_cast<double>(mantissa) / kExactPowers[fracLen];
  return negative ? -value : value;
#else
  return general();
#endif
}

}  // namespace

double atof(std::string_view text) {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  if (double value = 0; atofFast(text, value)) return value;
#endif
  return atofSlow(text);
}

bool isDecimalNumber(std::string_view word) {
  const size_t start = !word.empty() && (word[0] == '+' || word[0] == '-');
  const std::string_view rest = word.substr(start);
  const size_t length = decimalLength(rest);
  return length != 0 && length == rest.size();
}

double atofWord(std::string_view text) { return readWord(text, nullptr); }

double atofWord(std::string_view text, bool& whole) {
  return readWord(text, &whole);
}

int32_t atoi(std::string_view text) {
  const int64_t value = leadingInteger(text);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

bool atoiSaturates(std::string_view text) {
  const int64_t value = leadingInteger(text);
  return value < INT32_MIN || value > INT32_MAX;
}

}  // namespace core
