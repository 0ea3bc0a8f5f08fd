#include "core/row_blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

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

using Blocks = Found<Block, size_t>;

bool readBlock(const WordTable& table, size_t row, Block& block,
               std::vector<size_t>& findings) {
  block.row = row;
  for (size_t k = 1; k <= 3; ++k) block.words += wordAt(table, row + k, 0);
  if (table.wordCount(row + 3) == 0) findings.push_back(row + 3);
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
    const auto read = [&](size_t row, Block& block,
                          std::vector<size_t>& findings) {
      return readBlock(table, row, block, findings);
    };

    Blocks want{{{99, "before"}}, {98}};
    for (size_t row = 0; row < table.rows(); ++row) {
      Block block;
      if (isStart(row) && read(row, block, want.findings)) {
        want.records.push_back(block);
      }
    }
    for (const Placing placing : {Placing::kJoinPieces, Placing::kInPlace}) {
      Blocks got{{{99, "before"}}, {98}};
      readBlocks(table, isStart, read, got, placing);
      EXPECT_TRUE(got.records == want.records)
          << rows << " rows, placing " << static_cast<int>(placing);
      EXPECT_EQ(got.findings, want.findings)
          << rows << " rows, placing " << static_cast<int>(placing);
    }
  }
}

}  // namespace
}  // namespace core
