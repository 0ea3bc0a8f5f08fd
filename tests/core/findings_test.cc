#include "core/findings.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/lines.h"
#include "tests/support/findings.h"

namespace core {
namespace {

using namespace std::literals;

std::vector<size_t> rowsShown(const Findings& findings) {
  std::vector<size_t> rows;
  for (const Finding& finding : findings.shown()) rows.push_back(finding.row);
  return rows;
}

TEST(Findings, ShowsTheFirstFiftyOfEachKindInRowOrder) {
  // Added backwards, as nested blocks may: what shows is still the lowest
  // rows, and a kind with few findings is never crowded out.
  Findings findings;
  for (size_t row = 200; row-- > 0;) findings.add(row, 0, "many");
  findings.add(500, 1, "rare");
  std::vector<size_t> want;
  for (size_t row = 0; row < Findings::kShownPerKind; ++row) {
    want.push_back(row);
  }
  want.push_back(500);
  EXPECT_EQ(rowsShown(findings), want);
  EXPECT_EQ(findings.total(0), 200u);
  EXPECT_EQ(findings.hidden(0), 150u);
  EXPECT_EQ(findings.hidden(1), 0u);
  EXPECT_EQ(findings.kinds(), (std::vector<unsigned>{0, 1}));
}

TEST(Findings, KeepsEachFindingOnce) {
  Findings findings;
  findings.add(7, 0, "shared row");
  findings.add(3, 0, "first");
  findings.add(7, 0, "shared row");
  findings.add(7, 0, "another message");
  findings.add(7, 1, "shared row");
  EXPECT_EQ(tests::findingLines(findings),
            (std::vector<std::string>{"4: first", "8: shared row",
                                      "8: another message", "8: shared row"}));
  EXPECT_EQ(findings.total(0), 3u);
}

TEST(Findings, AppendingPiecesGivesWhatOneReaderWouldHave) {
  // Pieces of 30 rows, each noting every row, the first also rows of the
  // next piece (a block that runs into it); the merge must match adding
  // everything to one log. (Past the fifty shown, a finding noted twice is
  // counted twice: only those shown are compared.)
  Findings whole;
  Findings merged;
  for (size_t piece = 0; piece < 5; ++piece) {
    Findings part;
    const size_t end = piece * 30 + (piece == 0 ? 35 : 30);
    for (size_t row = piece * 30; row < end; ++row) {
      const std::string message = "row " + std::to_string(row);
      part.add(row, 0, message);
      whole.add(row, 0, message);
    }
    part.countRead(piece, 10 * piece);
    merged.append(std::move(part));
  }
  EXPECT_EQ(merged.runwaysRead(), 0u + 1 + 2 + 3 + 4);
  EXPECT_EQ(merged.obstaclesRead(), 100u);
  EXPECT_EQ(merged.shown(), whole.shown());
  EXPECT_EQ(merged.total(0), 150u);
  EXPECT_EQ(merged.hidden(0), 100u);
}

TEST(Findings, DescribesTheRowItExpectedSomethingOf) {
  const LineList lines =
      linesFromBytes("Key=value;\n\nlast", Separators::kBlanks);
  const WordTable table = splitWords(lines);
  EXPECT_EQ(describeRow(table, 0), "\"Key\"");
  EXPECT_EQ(describeRow(table, 1), "an empty line");
  EXPECT_EQ(describeRow(table, 3), "past the end of the file (3 lines)");
}

TEST(Findings, ShowsAWordOnOneReadableLine) {
  struct Case {
    std::string word;
    std::string want;
  };
  const Case cases[] = {
      {"LFXA", "\"LFXA\""},
      {"a\x1b[2Jb\x7f", "\"a?[2Jb?\""},
      {std::string(70, 'x'), '"' + std::string(64, 'x') + "...\""},
      // Never cut inside a UTF-8 letter: "é" is two bytes at 63 and 64.
      {std::string(63, 'x') + "\xC3\xA9" + "yy",
       '"' + std::string(63, 'x') + "...\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(core::quoted(c.word), c.want) << c.word;
  }
}

TEST(Findings, NotesWhatOnlyTheBytesShow) {
  struct Case {
    std::string_view bytes;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"a\nb\n", {}},
      {"a\nb\n\x1a", {}},
      {"a\nb\r\n\x1a \r\n\x1a\x1a\t", {}},
      {"a\nb\n\x1a\nmore text", {"3: text after the end-of-file mark ignored"}},
      {"a\nb\x1amore", {"2: text after the end-of-file mark ignored"}},
      {"a\nb\0c\nd\0\n"sv,
       {"2: a NUL byte cuts this line; the rest of it is ignored"}},
      {"a\0\n\x1a\0\0"sv,
       {"1: a NUL byte cuts this line; the rest of it is ignored"}},
      {"a\0\n\x1ax"sv,
       {"1: a NUL byte cuts this line; the rest of it is ignored",
        "2: text after the end-of-file mark ignored"}},
  };
  for (const Case& c : cases) {
    const LineList lines = linesFromBytes(c.bytes, Separators::kInWords);
    Findings findings;
    addFileMarks(lines, 0, findings);
    EXPECT_EQ(tests::findingLines(findings), c.want) << c.bytes;
  }
}

}  // namespace
}  // namespace core
