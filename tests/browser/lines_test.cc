#include "browser/lines.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace browser {
namespace {

using std::string_literals::operator""s;

struct KindCase {
  const char* what;
  std::string head;
  FileKind kind;
};

const KindCase kKinds[] = {
    {"an Airbus file", "FileType=AirportData;\r\nVersion=3;\r\n",
     FileKind::kAirbus},
    {"blank lines first", "\r\n  \t\r\n\nAirport=EXMP;\n", FileKind::kAirbus},
    {"a value of several words", "Name=Two Words;\n", FileKind::kAirbus},
    {"an empty value", "Elevation=;\n", FileKind::kAirbus},
    {"blanks around the line", "  Key=Value;  \r\n", FileKind::kAirbus},
    {"no ; at the end", "Key=Value\n", FileKind::kNeither},
    {"no key", "=Value;\n", FileKind::kNeither},
    {"; in the key", "a;b=c;\n", FileKind::kNeither},
    {"no =", "Key;\n", FileKind::kNeither},
    {"only the first line with words counts", "Title\nKey=Value;\n",
     FileKind::kNeither},
    {"an ANF file", "ANF EXMP EXAMPLE\r\n120.5\r\n", FileKind::kAnf},
    {"an ANF line after others", "notes\n\nANF EXMP EXAMPLE\n", FileKind::kAnf},
    {"ANF alone on its line", "ANF\n", FileKind::kAnf},
    {"ANF after blanks", "\t ANF X Y\n", FileKind::kAnf},
    {"ANF inside a word", "ANFX EXMP\nXANF\n", FileKind::kNeither},
    {"anf in lower case", "anf EXMP EXAMPLE\n", FileKind::kNeither},
    {"ANF after a key line", "Key=Value;\nANF X Y\n", FileKind::kAirbus},
    {"ANF after a Ctrl-Z, which ends the file", "text\n\x1a\nANF X Y\n",
     FileKind::kNeither},
    {"ANF after a NUL in its line", "x\0ANF X Y\n"s, FileKind::kNeither},
    {"a last line without its line feed", "ANF EXMP", FileKind::kAnf},
    {"empty", "", FileKind::kNeither},
    {"binary bytes", "\x89PNG\r\n\x1a\n"s, FileKind::kNeither},
};

TEST(FileKindTest, TellsWhichProgramAFileIsFor) {
  for (const KindCase& test : kKinds) {
    EXPECT_EQ(fileKind(test.head), test.kind) << test.what;
  }
}

// The lines from..from + count - 1 of bytes, as (number, text) pairs.
std::vector<std::pair<size_t, std::string>> linesFrom(std::string_view bytes,
                                                      size_t from,
                                                      size_t count) {
  core::ByteSource source({bytes});
  std::vector<std::pair<size_t, std::string>> lines;
  std::error_code reason;
  EXPECT_TRUE(linesOf(
      source, from, count,
      [&](size_t line, std::string_view text) {
        lines.emplace_back(line, text);
      },
      reason));
  return lines;
}

TEST(LinesOfTest, CutsLinesAsTheEngineDoes) {
  using Lines = std::vector<std::pair<size_t, std::string>>;
  EXPECT_EQ(linesFrom("a\r\nb\nc", 1, 3),
            (Lines{{1, "a\r"}, {2, "b"}, {3, "c"}}));
  EXPECT_EQ(linesFrom("a\nb\nc\nd\n", 2, 2), (Lines{{2, "b"}, {3, "c"}}));
  EXPECT_EQ(linesFrom("a\nb\n", 2, 5), (Lines{{2, "b"}}));
  EXPECT_EQ(linesFrom("a\nb\n", 7, 2), Lines{});
  EXPECT_EQ(linesFrom("a\0rest\nb\n"s, 1, 2), (Lines{{1, "a\0"s}, {2, "b"}}));
  EXPECT_EQ(linesFrom("a\nb\x1a"
                      "c\nd\n",
                      1, 4),
            (Lines{{1, "a"}, {2, "b"}}));
  // A line longer than the reader's chunk stays whole.
  const std::string longLine(3 << 20, 'x');
  const Lines lines = linesFrom("a\n" + longLine + "\nb\n", 2, 2);
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(lines[0].second, longLine);
  EXPECT_EQ(lines[1], (std::pair<size_t, std::string>{3, "b"}));
}

}  // namespace
}  // namespace browser
