// Number rules of both programs: words to numbers, numbers to text.
#include "core/numbers.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#include <emmintrin.h>
#endif

namespace core {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}
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
    bool negative = false;
    const std::string_view exponent = number.substr(ePos + 1);
    long long value = 0;
    for (size_t j = skipBlanksAndSign(exponent, negative);
         j < exponent.size() && value < 1'000'000'000; ++j) {
      value = value * 10 + (exponent[j] - '0');
    }
    magnitude += negative ? -value : value;
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
  const auto [ptr, ec] =
      std::from_chars(rest.data(), rest.data() + length, value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    value = overflows(rest.substr(0, length))
                ? std::numeric_limits<double>::infinity()
                : 0.0;
  }
  return negative ? -value : value;
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

double atof(std::string_view text) {
  // Fast path (Clinger): when the digits form an integer m below 2^53 and the
  // decimal exponent e is within +-22, m and 10^|e| are exact doubles and one
  // IEEE multiplication or division rounds m * 10^e correctly, exactly as
  // strtod does. Everything else (blanks, many digits, large exponents, no
  // digits) goes the general way.
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  uint64_t mantissa = 0;
  const char* const intStart = p;
  for (unsigned d; p != end && (d = static_cast<unsigned char>(*p) - '0') < 10;
       ++p) {
    mantissa = mantissa * 10 + d;
  }
  size_t digits = static_cast<size_t>(p - intStart);
  int exponent = 0;
  if (p != end && *p == '.') {
    const char* const fracStart = ++p;
    for (unsigned d;
         p != end && (d = static_cast<unsigned char>(*p) - '0') < 10; ++p) {
      mantissa = mantissa * 10 + d;
    }
    digits += static_cast<size_t>(p - fracStart);
    exponent = -static_cast<int>(p - fracStart);
  }
  // Up to nineteen digits, leading zeros included, always fit 64 bits.
  if (digits != 0 && digits <= 19) {
    bool exact = true;
    if (p != end && (*p == 'e' || *p == 'E')) {
      const char* q = p + 1;
      bool negativeExponent = false;
      if (q != end && (*q == '+' || *q == '-')) {
        negativeExponent = *q == '-';
        ++q;
      }
      int value = 0;
      for (unsigned d;
           q != end && (d = static_cast<unsigned char>(*q) - '0') < 10; ++q) {
        if (value < 100000) value = value * 10 + static_cast<int>(d);
      }
      if (value >= 100000) exact = false;
      exponent += negativeExponent ? -value : value;
    }
    if (mantissa == 0) return negative ? -0.0 : 0.0;
    if (exact && mantissa <= (uint64_t{1} << 53) && exponent >= -22 &&
        exponent <= 22) {
      double value = static_cast<double>(mantissa);
      value = exponent >= 0 ? value * kExactPowers[exponent]
                            : value / kExactPowers[-exponent];
      return negative ? -value : value;
    }
  }
#endif
  return atofSlow(text);
}

namespace {

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
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

}  // namespace

double atofWord(std::string_view text) {
#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__)) && \
    defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  // One mask of the digits of the word, then the integer and fraction digits
  // eight at a time; anything unusual (an exponent, long digit strings) goes
  // the general way.
  const char* const p = text.data();
  const size_t n = text.size();
  if (n == 0 || n > 16) return atof(text);
  const bool negative = p[0] == '-';
  const size_t start = (p[0] == '-' || p[0] == '+') ? 1 : 0;
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8('0'));
  const uint32_t digitBits =
      static_cast<uint32_t>(_mm_movemask_epi8(
          _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(9)), t))) &
      ((uint32_t{1} << n) - 1);
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
    return atof(text);
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
  if (mantissa > (uint64_t{1} << 53)) return atof(text);
  if (mantissa == 0) return negative ? -0.0 : 0.0;
  // Exact operands, one correctly rounded division (Clinger).
  const double value = static_cast<double>(mantissa) / kExactPowers[fracLen];
  return negative ? -value : value;
#else
  return atof(text);
#endif
}

int32_t atoi(std::string_view text) {
  bool negative = false;
  size_t i = skipBlanksAndSign(text, negative);
  constexpr int64_t kLimit = int64_t{1} << 32;  // beyond either int32 end
  int64_t magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    if (magnitude < kLimit) magnitude = magnitude * 10 + (text[i] - '0');
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) {
    return std::numeric_limits<int32_t>::max();
  }
  if (value < std::numeric_limits<int32_t>::min()) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(value);
}

namespace {

// The default form from to_chars with precision 6, the general way: to_chars
// gives the printf "%g" digits without depending on the locale; only the
// exponent width differs from the form we promise.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((noinline))
#endif
char* writeDecimalSlow(char* out, double value) {
  const auto result = std::to_chars(out, out + kMaxNumberText, value,
                                    std::chars_format::general, 6);
  char* end = result.ptr;
  char* e = static_cast<char*>(std::memchr(out, 'e', end - out));
  if (e == nullptr) return end;
  char* digits = e + 2;  // after "e" and its sign
  const size_t have = static_cast<size_t>(end - digits);
  if (have >= 3) return end;
  const size_t pad = 3 - have;
  std::memmove(digits + pad, digits, have);
  std::memset(digits, '0', pad);
  return end + pad;
}

}  // namespace

char* writeDecimal(char* out, double value) {
  if (std::isnan(value)) {
    std::memcpy(out, "nan", 3);
    return out + 3;
  }
  if (std::isinf(value)) return writeDecimalSlow(out, value);
  // Whole numbers below 10^6 (widths, headings, most slopes): the digits
  // themselves; zero keeps its sign.
  if (std::fabs(value) < 1e6) {
    const auto whole = static_cast<int64_t>(value);
    if (static_cast<double>(whole) == value) {
      if (whole == 0) {
        if (std::signbit(value)) *out++ = '-';
        *out = '0';
        return out + 1;
      }
      return std::to_chars(out, out + kMaxNumberText, whole).ptr;
    }
  }
  // A decimal of at most six significant digits, n / 10^d with the fewest
  // fraction digits d, that reads back as value (n / 10^d, both exact
  // doubles, rounds correctly in one division): rounding value to six
  // digits gives exactly that decimal (value lies within half a unit in the
  // last place of it, far closer than half a step of six digits). Most
  // slopes are such decimals.
  if (const double a = std::fabs(value); a >= 1e-4 && a < 1e6) {
    for (int d = 1; d <= 10; ++d) {
      const double x = a * kExactPowers[d];
      if (x >= 999999.5) break;  // seven digits or more
      const auto scaled = static_cast<double>(static_cast<int64_t>(x + 0.5));
      if (scaled / kExactPowers[d] != a) continue;
      auto n = static_cast<uint32_t>(scaled);
      // The digits of n, with d of them after the point.
      char digits[12];
      int count = 0;
      for (; n != 0; n /= 10) digits[count++] = static_cast<char>('0' + n % 10);
      if (count - 1 - d < -4) break;  // exponent form: the general way
      if (value < 0) *out++ = '-';
      if (count <= d) {
        *out++ = '0';
        *out++ = '.';
        for (int i = count; i < d; ++i) *out++ = '0';
      } else {
        for (int i = count - 1; i >= d; --i) *out++ = digits[i];
        *out++ = '.';
      }
      for (int i = std::min(count, d) - 1; i >= 0; --i) *out++ = digits[i];
      return out;
    }
  }
  // When the shortest text that reads back as value has at most six
  // significant digits, rounding value to six digits gives those digits
  // (value lies within half a unit in the last place of them, far closer
  // than half a step of six digits), so only the layout is left to do. Not
  // for subnormal numbers, whose last place is far too coarse for that.
  if (std::fabs(value) < std::numeric_limits<double>::min()) {
    return writeDecimalSlow(out, value);
  }
  char shortest[kMaxNumberText];
  const auto result = std::to_chars(shortest, shortest + sizeof shortest, value,
                                    std::chars_format::scientific);
  const char* p = shortest;
  const char* const end = result.ptr;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[24];
  int count = 0;
  for (; p != end && *p != 'e'; ++p) {
    if (*p != '.') {
      if (count == 6) return writeDecimalSlow(out, value);
      digits[count++] = *p;
    }
  }
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+'), end, exponent);  // "e+05", "e-05"
  if (negative) *out++ = '-';
  if (exponent < -4 || exponent >= 6) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      for (int i = 1; i < count; ++i) *out++ = digits[i];
    }
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 100) {
      *out++ = '0';
      *out++ = static_cast<char>('0' + magnitude / 10);
      *out++ = static_cast<char>('0' + magnitude % 10);
      return out;
    }
    return std::to_chars(out, out + 8, magnitude).ptr;
  }
  if (exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exponent; --i) *out++ = '0';
    for (int i = 0; i < count; ++i) *out++ = digits[i];
    return out;
  }
  // exponent + 1 digits before the point, padded with zeros.
  for (int i = 0; i <= exponent; ++i) *out++ = i < count ? digits[i] : '0';
  if (count > exponent + 1) {
    *out++ = '.';
    for (int i = exponent + 1; i < count; ++i) *out++ = digits[i];
  }
  return out;
}

}  // namespace core
