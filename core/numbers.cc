// Number rules of both programs: words to numbers, numbers to text.
#include "core/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

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

}  // namespace

double atof(std::string_view text) {
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

int32_t roundToInt(double value) {
  if (!(value > 0) && !(value < 0)) return 0;  // zero of either sign, or NaN
  const double a = std::fabs(value);
  const double t = std::trunc(a);
  const double m = a - t < 0.5 ? t : t + 1;  // a - t is exact
  if (value > 0) {
    return m >= 2147483647.0 ? std::numeric_limits<int32_t>::max()
                             : static_cast<int32_t>(m);
  }
  return m >= 2147483648.0 ? std::numeric_limits<int32_t>::min()
                           : static_cast<int32_t>(-m);
}

char* writeDecimal(char* out, double value) {
  if (std::isnan(value)) {
    std::memcpy(out, "nan", 3);
    return out + 3;
  }
  // to_chars gives the printf "%g" digits without depending on the locale;
  // only the exponent width differs from the form we promise.
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

char* writeInteger(char* out, int64_t value) {
  return std::to_chars(out, out + kMaxNumberText, value).ptr;
}

}  // namespace core
