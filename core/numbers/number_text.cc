// Numbers to text: writeDecimal, the default floating-point form of "APB".
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "core/numbers/numbers.h"

namespace core {
namespace {

using detail::kExactPowers;

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

// Whole numbers below 10^6 (widths, headings, most slopes): the digits
// themselves; zero keeps its sign. nullptr when value is no such number.
inline char* writeWholeNumber(char* out, double value) {
  if (!(std::fabs(value) < 1e6)) return nullptr;
  const auto whole = static_cast<int64_t>(value);
  if (static_cast<double>(whole) != value) return nullptr;
  if (whole == 0) {
    if (std::signbit(value)) *out++ = '-';
    *out = '0';
    return out + 1;
  }
  return std::to_chars(out, out + kMaxNumberText, whole).ptr;
}

// n / 10^d in positional notation, with d digits after the point; nullptr
// when its first digit lies below 10^-4, which takes the exponent form.
inline char* writeScaled(char* out, bool negative, uint32_t n, int d) {
  char digits[12];  // the digits of n, the last first
  int count = 0;
  for (; n != 0; n /= 10) digits[count++] = static_cast<char>('0' + n % 10);
  if (count - 1 - d < -4) return nullptr;
  if (negative) *out++ = '-';
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

// A decimal of at most six significant digits, n / 10^d with the fewest
// fraction digits d, that reads back as value (n / 10^d, both exact doubles,
// rounds correctly in one division): rounding value to six digits gives
// exactly that decimal (value lies within half a unit in the last place of
// it, far closer than half a step of six digits). Most slopes are such
// decimals. nullptr when value is none, or needs the exponent form.
inline char* writeSixDigitDecimal(char* out, double value) {
  const double a = std::fabs(value);
  if (!(a >= 1e-4 && a < 1e6)) return nullptr;
  for (int d = 1; d <= 10; ++d) {
    const double x = a * kExactPowers[d];
    if (x >= 999999.5) return nullptr;  // seven digits or more
    // x is not negative: adding a half and truncating rounds half up, and
    // stays exact below 2^52.
    // NOLINTNEXTLINE(bugprone-incorrect-roundings)
    const auto scaled = static_cast<double>(static_cast<int64_t>(x + 0.5));
    if (scaled / kExactPowers[d] != a) continue;
    return writeScaled(out, value < 0, static_cast<uint32_t>(scaled), d);
  }
  return nullptr;
}

// The significant digits of a normal, finite value's shortest round-trip
// text, with the power of ten of the first.
struct ShortestDigits {
  bool negative = false;
  int count = 0;
  char digits[6] = {};
  int exponent = 0;
};

// False when the shortest text of value has more than six significant
// digits.
inline bool readShortest(double value, ShortestDigits& shortest) {
  char text[kMaxNumberText];
  const auto result = std::to_chars(text, text + sizeof text, value,
                                    std::chars_format::scientific);
  const char* p = text;
  const char* const end = result.ptr;
  shortest.negative = *p == '-';
  if (shortest.negative) ++p;
  for (; p != end && *p != 'e'; ++p) {
    if (*p == '.') continue;
    if (shortest.count == 6) return false;
    shortest.digits[shortest.count++] = *p;
  }
  std::from_chars(p + 1 + (p[1] == '+'), end, shortest.exponent);  // "e+05"
  return true;
}

// "e", the exponent's sign and at least three digits of it.
inline char* writeExponent(char* out, int exponent) {
  *out++ = 'e';
  *out++ = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude >= 100) return std::to_chars(out, out + 8, magnitude).ptr;
  *out++ = '0';
  *out++ = static_cast<char>('0' + magnitude / 10);
  *out++ = static_cast<char>('0' + magnitude % 10);
  return out;
}

// One digit, the point and the other digits when there are any, then the
// exponent.
inline char* writeExponentForm(char* out, const ShortestDigits& s) {
  *out++ = s.digits[0];
  if (s.count > 1) {
    *out++ = '.';
    out = std::copy(s.digits + 1, s.digits + s.count, out);
  }
  return writeExponent(out, s.exponent);
}

// The positional form: "0." and zeros before a value below 1, otherwise
// exponent + 1 digits before the point, padded with zeros.
inline char* writePositional(char* out, const ShortestDigits& s) {
  if (s.exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    out = std::fill_n(out, -1 - s.exponent, '0');
    return std::copy(s.digits, s.digits + s.count, out);
  }
  for (int i = 0; i <= s.exponent; ++i) {
    *out++ = i < s.count ? s.digits[i] : '0';
  }
  if (s.count > s.exponent + 1) {
    *out++ = '.';
    out = std::copy(s.digits + s.exponent + 1, s.digits + s.count, out);
  }
  return out;
}

// When the shortest text that reads back as value has at most six
// significant digits, rounding value to six digits gives those digits (value
// lies within half a unit in the last place of them, far closer than half a
// step of six digits), so only the layout is left to do. Not for subnormal
// numbers, whose last place is far too coarse for that.
char* writeFromShortest(char* out, double value) {
  ShortestDigits s;
  if (std::fabs(value) < std::numeric_limits<double>::min() ||
      !readShortest(value, s)) {
    return writeDecimalSlow(out, value);
  }
  if (s.negative) *out++ = '-';
  if (s.exponent < -4 || s.exponent >= 6) return writeExponentForm(out, s);
  return writePositional(out, s);
}

}  // namespace

char* writeDecimal(char* out, double value) {
  if (std::isnan(value)) {
    constexpr std::string_view kNan = "nan";  // whatever its sign
    return std::copy(kNan.begin(), kNan.end(), out);
  }
  if (std::isinf(value)) return writeDecimalSlow(out, value);
  if (char* end = writeWholeNumber(out, value)) return end;
  if (char* end = writeSixDigitDecimal(out, value)) return end;
  return writeFromShortest(out, value);
}

}  // namespace core
