// The number rules on any input: no undefined behaviour, atof and atoi read
// what the decimal grammar says, roundToInt rounds half away from zero and
// round-trips through atoi, and the default floating-point form prints the
// value rounded to six significant digits (checked exactly, in big integers)
// with a sign and at least three digits in its exponent.
//
// Input: bytes 0-7 are a double; bytes 8-13 make a decimal of at most six
// significant digits; everything after byte 13 is text for atof and atoi.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/numbers/numbers.h"

namespace {

constexpr size_t kHeader = 14;

[[noreturn]] void fail(std::string_view what, std::string_view detail) {
  std::fprintf(stderr, "\nFUZZ CHECK FAILED: %.*s [%.*s]\n",
               static_cast<int>(what.size()), what.data(),
               static_cast<int>(detail.size()), detail.data());
  std::abort();
}
void check(bool ok, std::string_view what, std::string_view detail) {
  if (!ok) fail(what, detail);
}

std::string show(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Unsigned integers of any size, just enough to compare a double with a
// decimal exactly.
class Big {
 public:
  explicit Big(uint64_t value = 0) {
    while (value != 0) {
      limbs_.push_back(static_cast<uint32_t>(value));
      value >>= 32;
    }
  }
  Big& mulSmall(uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : limbs_) {
      const uint64_t product = uint64_t{limb} * factor + carry;
      limb = static_cast<uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<uint32_t>(carry));
    trim();
    return *this;
  }
  Big& addSmall(uint32_t term) {
    uint64_t carry = term;
    for (size_t i = 0; carry != 0; ++i) {
      if (i == limbs_.size()) limbs_.push_back(0);
      const uint64_t sum = uint64_t{limbs_[i]} + carry;
      limbs_[i] = static_cast<uint32_t>(sum);
      carry = sum >> 32;
    }
    return *this;
  }
  Big& mulPow2(int n) {
    for (; n >= 31; n -= 31) mulSmall(uint32_t{1} << 31);
    return mulSmall(uint32_t{1} << n);
  }
  Big& mulPow10(int n) {
    for (; n >= 9; n -= 9) mulSmall(1'000'000'000);
    for (; n > 0; --n) mulSmall(10);
    return *this;
  }
  // |a - b|
  static Big distance(const Big& a, const Big& b) {
    const bool aSmaller = compare(a, b) < 0;
    const Big& big = aSmaller ? b : a;
    const Big& small = aSmaller ? a : b;
    Big result = big;
    int64_t borrow = 0;
    for (size_t i = 0; i < result.limbs_.size(); ++i) {
      int64_t d = int64_t{result.limbs_[i]} - borrow -
                  (i < small.limbs_.size() ? int64_t{small.limbs_[i]} : 0);
      borrow = d < 0 ? 1 : 0;
      if (d < 0) d += int64_t{1} << 32;
      result.limbs_[i] = static_cast<uint32_t>(d);
    }
    result.trim();
    return result;
  }
  static int compare(const Big& a, const Big& b) {
    if (a.limbs_.size() != b.limbs_.size()) {
      return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    }
    for (size_t i = a.limbs_.size(); i-- > 0;) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

 private:
  void trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }
  std::vector<uint32_t> limbs_;  // least significant first
};

// |x| = mantissa * 2^exponent, exactly, for a finite nonzero double.
struct Binary {
  uint64_t mantissa;
  int exponent;
};
Binary binaryOf(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  if (biased == 0) return {fraction, -1074};
  return {fraction | (uint64_t{1} << 52), biased - 1075};
}

// A decimal d * 10^exponent with d given by its digits.
struct Decimal {
  bool negative = false;
  std::string digits;  // significant digits: no leading or trailing zeros
  int exponent = 0;    // power of ten of the last digit
  // Power of ten of the first digit.
  int leading() const { return exponent + static_cast<int>(digits.size()) - 1; }
};

// The form the default floating-point form gives a nonzero decimal of at
// most six significant digits, written out from its rules.
std::string expectedForm(const Decimal& value) {
  std::string text = value.negative ? "-" : "";
  const std::string& digits = value.digits;
  const int x = value.leading();
  if (x >= -4 && x <= 5) {
    if (x < 0) return text + "0." + std::string(-x - 1, '0') + digits;
    const size_t whole = static_cast<size_t>(x) + 1;
    if (digits.size() <= whole) {
      return text + digits + std::string(whole - digits.size(), '0');
    }
    return text + digits.substr(0, whole) + "." + digits.substr(whole);
  }
  text += digits[0];
  if (digits.size() > 1) text += "." + digits.substr(1);
  char exponent[8];
  std::snprintf(exponent, sizeof exponent, "e%c%03d", x < 0 ? '-' : '+',
                std::abs(x));
  return text + exponent;
}

// Reads a printed number back as an exact decimal; false when it is not
// made of an optional "-", digits with an optional point, and an optional
// exponent of "e", a sign and digits.
bool parsePrinted(std::string_view text, Decimal& value) {
  size_t i = 0;
  value.negative = i < text.size() && text[i] == '-';
  if (value.negative) ++i;
  std::string digits;
  int fractionDigits = 0;
  bool point = false;
  for (; i < text.size() && text[i] != 'e'; ++i) {
    if (text[i] == '.' && !point) {
      point = true;
    } else if (text[i] >= '0' && text[i] <= '9') {
      digits += text[i];
      if (point) ++fractionDigits;
    } else {
      return false;
    }
  }
  if (digits.empty()) return false;
  int exponent = 0;
  if (i < text.size()) {
    if (i + 2 >= text.size() || (text[i + 1] != '+' && text[i + 1] != '-')) {
      return false;
    }
    for (size_t j = i + 2; j < text.size(); ++j) {
      if (text[j] < '0' || text[j] > '9' || exponent > 100000) return false;
      exponent = exponent * 10 + (text[j] - '0');
    }
    if (text[i + 1] == '-') exponent = -exponent;
  }
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    value.digits.clear();
    return true;
  }
  const size_t last = digits.find_last_not_of('0');
  value.digits = digits.substr(first, last - first + 1);
  value.exponent =
      exponent - fractionDigits + static_cast<int>(digits.size() - 1 - last);
  return true;
}

// Scales so that every power is a whole number: 2^shift2 * 10^shift10.
struct Scale {
  int shift2;
  int shift10;
};

// value * 10^power10 * 2^power2 * scale, as a big integer.
Big scaled(Big value, int power10, int power2, Scale scale) {
  value.mulPow10(power10 + scale.shift10);
  value.mulPow2(power2 + scale.shift2);
  return value;
}

// The power of ten of the first significant digit of |x|, exactly.
int decimalExponent(double x) {
  const Binary b = binaryOf(x);
  int k = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  // 10^k <= |x| < 10^(k+1); log10 may be one off near a power of ten.
  auto atLeastPow10 = [&b](int power) {
    const Scale s{b.exponent < 0 ? -b.exponent : 0, power < 0 ? -power : 0};
    return Big::compare(scaled(Big(b.mantissa), 0, b.exponent, s),
                        scaled(Big(1), power, 0, s)) >= 0;
  };
  while (!atLeastPow10(k)) --k;
  while (atLeastPow10(k + 1)) ++k;
  return k;
}

// writeDecimal of a finite double: the canonical form of its own digits, at
// most six of them, within half a unit of the sixth significant digit of x.
void checkDecimalForm(double x) {
  char buffer[core::kMaxNumberText];
  const std::string printed(buffer, core::writeDecimal(buffer, x));
  const std::string detail = show(x) + " printed " + printed;
  if (x == 0) {
    check(printed == (std::signbit(x) ? "-0" : "0"), "zero", detail);
    return;
  }
  Decimal value;
  check(parsePrinted(printed, value), "not a decimal", detail);
  check(!value.digits.empty(), "nonzero printed as zero", detail);
  check(value.negative == (x < 0), "sign", detail);
  check(value.digits.size() <= 6, "more than six digits", detail);
  check(expectedForm(value) == printed, "not the default form", detail);
  const size_t e = printed.find('e');
  check(e == std::string::npos || printed.size() - e - 2 >= 3,
        "exponent of fewer than three digits", detail);

  // |D - |x|| <= 10^(X-5) / 2, times 2: |2D - 2|x|| <= 10^(X-5), where X
  // is the power of ten of the first digit of x.
  const Binary b = binaryOf(x);
  const int unit = decimalExponent(x) - 5;
  int lowest10 = std::min(value.exponent, unit);
  const Scale s{b.exponent < 0 ? -b.exponent : 0, lowest10 < 0 ? -lowest10 : 0};
  Big printedValue(0);
  for (char digit : value.digits) {
    printedValue.mulSmall(10).addSmall(static_cast<uint32_t>(digit - '0'));
  }
  const Big twiceD = scaled(printedValue.mulSmall(2), value.exponent, 0, s);
  const Big twiceX = scaled(Big(b.mantissa).mulSmall(2), 0, b.exponent, s);
  const Big bound = scaled(Big(1), unit, 0, s);
  check(Big::compare(Big::distance(twiceD, twiceX), bound) <= 0,
        "not rounded to six significant digits", detail);
}

// roundToInt rounds half away from zero and saturates; its integer text
// reads back through atoi.
void checkRounding(double x) {
  const int32_t r = core::roundToInt(x);
  const std::string detail = show(x) + " gave " + std::to_string(r);
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  if (std::isnan(x)) {
    check(r == 0, "not-a-number", detail);
  } else if (x >= 2147483647.5) {
    check(r == kMax, "saturation at the top", detail);
  } else if (x <= -2147483648.5) {
    check(r == kMin, "saturation at the bottom", detail);
  } else {
    const double off = static_cast<double>(r) - x;  // exact in this range
    check(std::fabs(off) <= 0.5, "more than 0.5 away", detail);
    check(std::fabs(off) < 0.5 ||
              std::fabs(static_cast<double>(r)) > std::fabs(x),
          "half not rounded away from zero", detail);
  }
  char buffer[core::kMaxNumberText];
  const std::string text(buffer, core::writeInteger(buffer, r));
  check(text == std::to_string(r), "integer text", detail);
  check(core::atoi(text) == r, "integer text does not read back", detail);
}

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// atof against the standard conversion of the same decimal prefix, found
// here by the grammar: blanks, sign, digits with an optional point, an
// exponent only when it has digits.
void checkAtof(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t start = i;
  while (i < text.size() && isDigit(text[i])) ++i;
  bool any = i > start;
  if (i < text.size() && text[i] == '.') {
    size_t j = i + 1;
    while (j < text.size() && isDigit(text[j])) ++j;
    if (any || j > i + 1) {
      any = true;
      i = j;
    }
  }
  double want = 0;
  if (any) {
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
      size_t j = i + 1;
      if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
      const size_t digits = j;
      while (j < text.size() && isDigit(text[j])) ++j;
      if (j > digits) i = j;
    }
    const std::string number(text.substr(start, i - start));
    const char* end = number.data() + number.size();
    const auto [ptr, ec] = std::from_chars(number.data(), end, want);
    check(ptr == end, "grammar prefix not taken whole", number);
    if (ec == std::errc::result_out_of_range) {
      want = std::strtod(number.c_str(), nullptr);  // infinity or tiny
    } else {
      check(ec == std::errc(), "grammar prefix not a number", number);
    }
  }
  if (any && negative) want = -want;
  const double got = core::atof(text);
  check(sameBits(got, want), "atof",
        std::string(text.substr(0, 80)) + " gave " + show(got) + " want " +
            show(want));
}

// atofWord gives atof's result for every word of text, whatever bytes
// follow the word in its buffer.
void checkAtofWord(std::string_view text) {
  std::string buffer(text);
  buffer.append(32, '7');  // readable bytes after the last word
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (isBlank(text[i]) || text[i] == '\0')) ++i;
    const size_t start = i;
    while (i < text.size() && !isBlank(text[i]) && text[i] != '\0') ++i;
    if (i == start) break;
    const std::string_view word(buffer.data() + start, i - start);
    const double want = core::atof(word);
    check(sameBits(core::atofWord(word), want), "atofWord",
          std::string(word.substr(0, 80)));
  }
}

// atoi against a plain saturating reading of blanks, sign and digits.
void checkAtoi(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  int64_t magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    magnitude =
        std::min<int64_t>(magnitude * 10 + (text[i] - '0'), int64_t{1} << 40);
  }
  const int64_t value = negative ? -magnitude : magnitude;
  const int32_t want = static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max()));
  check(core::atoi(text) == want, "atoi", std::string(text.substr(0, 80)));
}

// The double nearest to a decimal of at most six significant digits prints
// as that decimal and reads back as the same double.
void checkShortDecimal(const uint8_t* header) {
  uint32_t digits;
  std::memcpy(&digits, header + 8, sizeof digits);
  uint16_t exponentBits;
  std::memcpy(&exponentBits, header + 12, sizeof exponentBits);
  Decimal value;
  value.negative = (exponentBits & 1) != 0;
  value.digits = std::to_string(digits % 999'999 + 1);
  value.exponent = static_cast<int>((exponentBits >> 1) % 640) - 325;
  const std::string text = (value.negative ? "-" : "") + value.digits + "e" +
                           std::to_string(value.exponent);
  while (value.digits.back() == '0') {
    value.digits.pop_back();
    ++value.exponent;
  }
  double x = 0;
  std::from_chars(text.data(), text.data() + text.size(), x);
  if (!std::isnormal(x)) return;  // too small or too large for six digits
  check(sameBits(core::atof(text), x), "atof of a short decimal", text);
  char buffer[core::kMaxNumberText];
  const std::string printed(buffer, core::writeDecimal(buffer, x));
  check(printed == expectedForm(value),
        "short decimal does not print as itself",
        text + " printed " + printed + " want " + expectedForm(value));
  check(sameBits(core::atof(printed), x), "printed form does not read back",
        text + " printed " + printed);
}

// Every double: rounding, and for finite ones the default form.
void checkDouble(double x) {
  checkRounding(x);
  if (std::isfinite(x)) {
    checkDecimalForm(x);
  } else {
    char buffer[core::kMaxNumberText];
    const std::string printed(buffer, core::writeDecimal(buffer, x));
    check(printed == (std::isnan(x) ? "nan"
                      : x > 0       ? "inf"
                                    : "-inf"),
          "non-finite form", printed);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t header[kHeader] = {};
  std::memcpy(header, data, std::min(size, kHeader));
  double x;
  std::memcpy(&x, header, sizeof x);
  checkDouble(x);
  checkShortDecimal(header);

  const std::string_view text =
      size > kHeader
          ? std::string_view(reinterpret_cast<const char*>(data) + kHeader,
                             size - kHeader)
          : std::string_view();
  checkAtof(text);
  checkAtofWord(text);
  checkAtoi(text);
  checkDouble(core::atof(text));
  return 0;
}
