#include "core/row_blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/findings.h"
#include "core/lines.h"

namespace core {
namespace {

// A block starts at every "start" row and takes the first word of the three
// rows after it, so blocks run past the ends of the pieces; a block whose
// last row is empty also reports that row, and one whose first row is empty
// is left out.
struct Block {
  size_t row = 0;
  std::string words;
  bool operator==(const Block&) const = default;
};

bool readBlock(const WordTable& table, size_t row, Block& block,
               Findings& findings) {
  block.row = row;
  for (size_t k = 1; k <= 3; ++k) block.words += wordAt(table, row + k, 0);
  if (table.wordCount(row + 3) == 0) findings.add(row + 3, 0, "empty");
  if (table.wordCount(row + 1) == 0) findings.add(row, 1, "left out");
  return table.wordCount(row + 1) != 0;
}

// Rows of "start", numbers and empty lines in a pattern that does not
// repeat with the piece length.
std::string rowsOf(size_t count) {
  std::string text;
  for (size_t row = 0; row < count; ++row) {
    if (row % 7 == 0 || row % 4093 == 1) {
      text += "start\n";
    } else if (row % 5 == 0) {
      text += "\n";
    } else {
      text += std::to_string(row) + " x\n";
    }
  }
  return text;
}

TEST(ReadBlocks, GivesTheResultOfOnePassInRowOrder) {
  // One piece, a few, many and the most, each appended after what was
  // there.
  for (const size_t rows : {0, 1, 8, 8191, 8193, 40000, 100003, 600001}) {
    const LineList lines = linesFromBytes(rowsOf(rows), LoadVariant::kTrevik);
    const WordTable table = splitWords(lines);
    const auto isStart = [&](size_t row) {
      return wordIs(table, row, 0, "start");
    };
    const auto read = [&](size_t row, Block& block, Findings& findings) {
      return readBlock(table, row, block, findings);
    };

    std::vector<Block> want{{99, "before"}};
    Findings wantFindings;
    for (size_t row = 0; row < table.rows(); ++row) {
      Block block;
      if (isStart(row) && read(row, block, wantFindings)) {
        want.push_back(block);
      }
    }
    for (const Placing placing : {Placing::kJoinPieces, Placing::kInPlace}) {
      std::vector<Block> got{{99, "before"}};
      Findings findings;
      readBlocks(table, isStart, read, got, findings, placing);
      const std::string name = std::to_string(rows) + " rows, placing " +
                               std::to_string(static_cast<int>(placing));
      EXPECT_TRUE(got == want) << name;
      EXPECT_EQ(findings.shown(), wantFindings.shown()) << name;
      for (const unsigned kind : {0U, 1U}) {
        EXPECT_EQ(findings.total(kind), wantFindings.total(kind)) << name;
      }
    }
  }
}

}  // namespace
}  // namespace core
