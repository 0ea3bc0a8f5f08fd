#include "core/findings/findings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

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
  // Blocks of 30 rows that note every row, each also the first 5 rows of
  // the next (a block that runs into the next): shown or hidden, the same
  // findings and counts however the blocks are split into pieces. Shown, a
  // finding noted twice counts once; hidden, twice.
  const auto noteBlock = [](Findings& into, size_t block) {
    for (size_t row = block * 30; row < block * 30 + 35; ++row) {
      into.add(row, 0, "row " + std::to_string(row));
    }
    into.countRead(block, 10 * block);
  };
  constexpr size_t kBlocks = 6;
  Findings whole;
  for (size_t block = 0; block < kBlocks; ++block) noteBlock(whole, block);
  // Every row added counts, but for the five shown rows noted twice (30 to
  // 34).
  EXPECT_EQ(whole.total(0), kBlocks * 35 - 5);
  for (size_t perPiece : {1, 2, 4}) {
    Findings merged;
    for (size_t first = 0; first < kBlocks; first += perPiece) {
      Findings piece;
      for (size_t block = first; block < std::min(kBlocks, first + perPiece);
           ++block) {
        noteBlock(piece, block);
      }
      merged.append(std::move(piece));
    }
    EXPECT_EQ(merged.runwaysRead(), 0u + 1 + 2 + 3 + 4 + 5) << perPiece;
    EXPECT_EQ(merged.obstaclesRead(), 150u) << perPiece;
    EXPECT_EQ(merged.shown(), whole.shown()) << perPiece;
    EXPECT_EQ(merged.total(0), whole.total(0)) << perPiece;
    EXPECT_EQ(merged.hidden(0), whole.hidden(0)) << perPiece;
  }
}

}  // namespace
}  // namespace core
