#include "core/numbers/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>

namespace core {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct AtofCase {
  const char* word;
  double want;
};

TEST(Atof, TakesTheLeadingDecimalNumber) {
  const AtofCase cases[] = {
      {"12.5", 12.5},  {"12.5m", 12.5},
      {"1,5", 1},      {".5", 0.5},
      {"5.", 5},       {"1e3", 1000},
      {"-3e2", -300},  {"2E-2", 0.02},
      {"+7", 7},       {" \t42", 42},
      {"1e", 1},       {"1e+", 1},
      {"1.5e+x", 1.5}, {"N/A", 0},
      {"", 0},         {" ", 0},
      {".", 0},        {"-", 0},
      {"+.e1", 0},     {"inf", 0},
      {"nan", 0},      {"0x10", 0},
      {"1e400", kInf}, {"-1e400", -kInf},
      {"1e-400", 0},   {"0e999999999999", 0},
      {"0.1", 0.1},    {"2500.4", 2500.4},
  };
  for (const AtofCase& c : cases) EXPECT_EQ(atof(c.word), c.want) << c.word;
}

TEST(Atof, KeepsTheSignOfZero) {
  EXPECT_TRUE(std::signbit(atof("-0")));
  EXPECT_FALSE(std::signbit(atof("0")));
  EXPECT_TRUE(std::signbit(atof("-1e-400")));
}

TEST(Atof, ReadsLongDigitStringsExactly) {
  // 0.1 written with 800 digits still rounds to the double nearest 0.1.
  EXPECT_EQ(atof("0.1" + std::string(800, '0') + "1"), 0.1);
  EXPECT_EQ(atof(std::string(400, '9')), kInf);
}

// The bits of a double, so that a failing row shows them and -0 differs
// from 0.
uint64_t bitsOf(double value) { return std::bit_cast<uint64_t>(value); }

// A word as the readers see it: inside a buffer whose bytes after the word,
// which atofWord may read, are pad.
class PaddedWord {
 public:
  PaddedWord(std::string_view word, char pad)
      : buffer_(std::string(word) + std::string(32, pad)),
        word_(buffer_.data(), word.size()) {}
  std::string_view word() const { return word_; }

 private:
  std::string buffer_;
  std::string_view word_;
};

double atofWordIn(std::string_view word, char pad) {
  const PaddedWord padded(word, pad);
  return atofWord(padded.word());
}

// Words at the edges of atofWord's own reading: sixteen bytes or more, eight
// integer or fraction digits or more, digits and point in eight bytes or
// more, and what it leaves to atof (exponents, a mantissa of 2^53 and one
// beyond).
TEST(AtofWord, ReadsWordsAsAtofDoes) {
  const AtofCase cases[] = {
      {"0.3", 0.3},
      {"-1.09", -1.09},
      {"+7448.50", 7448.5},
      {"-.5", -0.5},
      {"5.", 5},
      {"0.00001", 0.00001},
      {"1234.567", 1234.567},
      {"1234.5678", 1234.5678},
      {"12345678", 12345678},
      {"123456789", 123456789},
      {"0.12345678", 0.12345678},
      {"0.123456789", 0.123456789},
      {"12345678.12345678", 12345678.12345678},
      {"1234567.12345678", 1234567.12345678},
      {"90071992.54740992", 90071992.54740992},
      {"90071992.54740993", 90071992.54740993},
      {"99999999.99999999", 99999999.99999999},
      {"2.5e3", 2500},
      {"-4E-2", -0.04},
      {"12.5m", 12.5},
      {"1,5", 1},
      {"N/A", 0},
      {"-", 0},
      {".", 0},
  };
  for (const AtofCase& c : cases) {
    EXPECT_EQ(bitsOf(atofWordIn(c.word, '9')), bitsOf(c.want)) << c.word;
  }
  EXPECT_EQ(bitsOf(atofWordIn("-0", '1')), bitsOf(-0.0));
  EXPECT_EQ(bitsOf(atofWordIn("-0.000", '1')), bitsOf(-0.0));
}

// Every prefix of these words, whatever digits follow it in the buffer,
// reads exactly as the C library reads the prefix alone.
TEST(AtofFastPaths, ReadOnlyTheWord) {
  // Digit strings past 2^64 (the last two) wrap a 64-bit mantissa to 5.
  const std::string_view words[] = {"-12345678.12345678",
                                    "+0.000012345",
                                    "7448.50e+2",
                                    "2400.5",
                                    "60",
                                    "123456789012345.5",
                                    "9007199254740993",
                                    "1.5E-308",
                                    "4e23",
                                    "1.5e-22",
                                    ".125",
                                    "-0.0",
                                    "12345678901234567890",
                                    "18446744073709551621",
                                    "1844674407370955162.1"};
  for (std::string_view word : words) {
    for (size_t k = 0; k <= word.size(); ++k) {
      const std::string prefix(word.substr(0, k));
      const double want = std::strtod(prefix.c_str(), nullptr);
      for (char pad = '0'; pad <= '9'; ++pad) {
        const PaddedWord padded(prefix, pad);
        EXPECT_EQ(bitsOf(atof(padded.word())), bitsOf(want)) << prefix << pad;
        EXPECT_EQ(bitsOf(atofWord(padded.word())), bitsOf(want))
            << prefix << pad;
      }
    }
  }
}

struct AtoiCase {
  const char* word;
  int32_t want;
};

TEST(Atoi, TakesTheLeadingBaseTenInteger) {
  const AtoiCase cases[] = {
      {"09", 9},
      {"27R", 27},
      {"R27", 0},
      {"12.7", 12},
      {"-5", -5},
      {"+3", 3},
      {" 8", 8},
      {"", 0},
      {"-", 0},
      {"2147483647", kMax},
      {"2147483648", kMax},
      {"-2147483648", kMin},
      {"-2147483649", kMin},
      {"99999999999999999999999", kMax},
      {"-0000000000000000000000012", -12},
  };
  for (const AtoiCase& c : cases) EXPECT_EQ(atoi(c.word), c.want) << c.word;
}

struct RoundCase {
  double value;
  int32_t want;
};

TEST(RoundToInt, RoundsHalfAwayFromZero) {
  const RoundCase cases[] = {
      {2.5, 3},
      {-2.5, -3},
      {0.5, 1},
      {-0.5, -1},
      {1.4999, 1},
      {-1.4999, -1},
      {3.0, 3},
      {2700.5, 2701},
      {-150.5, -151},
      {2500.4999, 2500},
      {-24.75, -25},
      {0.0, 0},
      {-0.0, 0},
      {std::nextafter(0.5, 0.0), 0},
      {4503599627370495.5, kMax},
  };
  for (const RoundCase& c : cases) {
    EXPECT_EQ(roundToInt(c.value), c.want) << c.value;
  }
}

TEST(RoundToInt, SaturatesOutsideInt32) {
  const RoundCase cases[] = {
      {kInf, kMax},         {-kInf, kMin},         {kNan, 0},
      {1e300, kMax},        {-1e300, kMin},        {2147483647.4, kMax},
      {2147483647.5, kMax}, {-2147483648.4, kMin}, {-2147483648.5, kMin},
      {2147483646.5, kMax}, {-2147483647.5, kMin},
  };
  for (const RoundCase& c : cases) {
    EXPECT_EQ(roundToInt(c.value), c.want) << c.value;
  }
}

std::string decimalText(double value) {
  char text[kMaxNumberText];
  return std::string(text, writeDecimal(text, value));
}

struct DecimalCase {
  double value;
  const char* want;
};

TEST(WriteDecimal, UsesSixDigitsAndThreeDigitExponents) {
  const DecimalCase cases[] = {
      {45, "45"},
      {0.25, "0.25"},
      {1.0 / 3, "0.333333"},
      {2.0, "2"},
      {123456.7, "123457"},
      {999999.6, "1e+006"},
      {1234567, "1.23457e+006"},
      {0.0001, "0.0001"},
      {0.000123456, "0.000123456"},
      {0.00001, "1e-005"},
      {-0.3, "-0.3"},
      {0.0, "0"},
      {-0.0, "-0"},
      {0.12345678, "0.123457"},
      {-0.8, "-0.8"},
      {60, "60"},
      {1e100, "1e+100"},
      {-1.5e-300, "-1.5e-300"},
      {5e-324, "4.94066e-324"},
      {1.7976931348623157e308, "1.79769e+308"},
      {kInf, "inf"},
      {-kInf, "-inf"},
      {kNan, "nan"},
      {-kNan, "nan"},
  };
  for (const DecimalCase& c : cases) {
    EXPECT_EQ(decimalText(c.value), c.want) << c.want;
  }
}

// The output stream's default form of value, its exponent widened to three
// digits.
std::string streamText(double value) {
  std::ostringstream stream;
  stream << value;
  std::string text = stream.str();
  if (const size_t e = text.find('e'); e != std::string::npos) {
    const size_t digits = text.size() - (e + 2);  // after "e" and its sign
    if (digits < 3) text.insert(e + 2, 3 - digits, '0');
  }
  return text;
}

// Values on both sides of where writeDecimal's own paths meet (whole numbers
// below 10^6, decimals of six digits from 10^-4 on, the shortest digits,
// the general way), their neighbouring doubles and their negatives, write
// as the stream writes them. None lies halfway between six-digit decimals.
TEST(WriteDecimal, WritesTheStreamsDefaultForm) {
  const double bases[] = {1,      1.5,       0.3,      2.675,    7448.5,
                          123456, 999999.4,  999999.6, 9.999994, 1.0 / 3,
                          0.1234, 1.2345678, 60.25,    4.2e-7};
  for (const double base : bases) {
    for (int k = -8; k <= 8; ++k) {
      const double x = base * std::pow(10.0, k);
      for (const double value :
           {x, std::nextafter(x, 0.0), std::nextafter(x, kInf), -x}) {
        EXPECT_EQ(decimalText(value), streamText(value)) << streamText(value);
      }
    }
  }
}

TEST(WriteInteger, WritesPlainDigits) {
  char text[kMaxNumberText];
  EXPECT_EQ(std::string(text, writeInteger(text, -151)), "-151");
  EXPECT_EQ(std::string(text, writeInteger(text, 0)), "0");
  EXPECT_EQ(std::string(text, writeInteger(text, kMin)), "-2147483648");
}

// The words atof and atoi read as a number of their own, rather than as
// the 0 that stands for none.
TEST(BeginsWithNumber, AgreesWithWhatAtofAndAtoiRead) {
  struct Case {
    const char* word;
    bool decimal;
    bool integer;
  };
  constexpr Case kCases[] = {
      {"12", true, true},    {"-3.5", true, true},   {"+0", true, true},
      {".5", true, false},   {"-.5e1", true, false}, {"0x10", true, true},
      {"5abc", true, true},  {"", false, false},     {"-", false, false},
      {".", false, false},   {"+.", false, false},   {"abc", false, false},
      {"inf", false, false}, {"nan", false, false},  {"e5", false, false},
      {"--1", false, false},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(beginsWithNumber(c.word), c.decimal) << c.word;
    EXPECT_EQ(beginsWithInteger(c.word), c.integer) << c.word;
    // Where neither finds a number, both read 0.
    if (!c.decimal) {
      EXPECT_EQ(atof(c.word), 0) << c.word;
    }
    if (!c.integer) {
      EXPECT_EQ(atoi(c.word), 0) << c.word;
    }
  }
}

// A word is one whole decimal number, or has text after its number; the
// fast reading of atofWord tells the same as the general one.
TEST(IsDecimalNumber, TakesOnlyTheWholeWord) {
  struct Case {
    const char* word;
    bool whole;
  };
  constexpr Case kCases[] = {
      {"12", true},
      {"-3.5", true},
      {"+0", true},
      {".5", true},
      {"5.", true},
      {"-.5e1", true},
      {"1E+300", true},
      {"1e400", true},
      {"12345678.12345678", true},
      {"1,5", false},
      {"12.5m", false},
      {"2500m", false},
      {"0.4%", false},
      {"0x10", false},
      {"1e", false},
      {"1e+", false},
      {"", false},
      {"-", false},
      {".", false},
      {"abc", false},
      {"5..", false},
      {"1.5.2", false},
      {"12345678.12345678x", false},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(isDecimalNumber(c.word), c.whole) << c.word;
    for (const char pad : {'9', ' '}) {
      PaddedWord padded(c.word, pad);
      bool whole = !c.whole;
      EXPECT_EQ(bitsOf(atofWord(padded.word(), whole)), bitsOf(atof(c.word)))
          << c.word;
      EXPECT_EQ(whole, c.whole) << c.word << " padded with '" << pad << "'";
    }
  }
}

TEST(AtoiSaturates, OnlyBeyondTheInt32Range) {
  struct Case {
    const char* word;
    bool saturates;
  };
  constexpr Case kCases[] = {
      {"2147483647", false},   {"-2147483648", false}, {"+002147483647", false},
      {"2147483648", true},    {"-2147483649", true},  {"99999999999", true},
      {"2147483647.9", false}, {"12", false},          {"", false},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(atoiSaturates(c.word), c.saturates) << c.word;
  }
}

}  // namespace
}  // namespace core
