#include "core/row_blocks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

// A file written for a test, removed at the end of it.
class TestFile {
 public:
  explicit TestFile(const std::string& bytes)
      : path_(std::filesystem::temp_directory_path() /
              ("row_blocks_test_" + std::string(testing::UnitTest::GetInstance()
                                                    ->current_test_info()
                                                    ->name()))) {
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~TestFile() { std::filesystem::remove(path_); }
  TestFile(const TestFile&) = delete;
  TestFile& operator=(const TestFile&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The rows of a loaded file go back to the system while blocks are read and
// then read as zeros, so a row must stay until every block that can reach
// it is read. Blocks here reach across pieces of megabytes.
TEST(ReadBlocks, ReadsBlocksAcrossPiecesOfALoadedFile) {
  const std::string text = rowsOf(3'000'000);  // about 24 MB
  const LineList copy = linesFromBytes(text, LoadVariant::kTrevik);
  const WordTable want = splitWords(copy);
  const TestFile file(text);
  for (const Placing placing : {Placing::kJoinPieces, Placing::kInPlace}) {
    LineList lines;
    ASSERT_FALSE(loadLines(file.path(), lines, LoadVariant::kTrevik));
    const WordTable table = splitWords(lines);
    std::vector<Block> got;
    Findings findings;
    readBlocks(
        table, [&](size_t row) { return wordIs(table, row, 0, "start"); },
        [&](size_t row, Block& block, Findings& found) {
          return readBlock(table, row, block, found);
        },
        got, findings, placing);
    size_t k = 0;
    for (size_t row = 0; row < want.rows(); ++row) {
      Block block;
      if (!wordIs(want, row, 0, "start")) continue;
      Findings unused;
      if (!readBlock(want, row, block, unused)) continue;
      ASSERT_LT(k, got.size());
      ASSERT_EQ(got[k].words, block.words) << "block at row " << row;
      ++k;
    }
    EXPECT_EQ(k, got.size());
  }
}

// Pieces read out of order: none goes back before all before it are read.
TEST(PieceRelease, GivesBackOnlyPiecesThatNoBlockCanReach) {
  const std::string text = rowsOf(3'000'000);
  const LineList copy = linesFromBytes(text, LoadVariant::kTrevik);
  const WordTable want = splitWords(copy);
  const TestFile file(text);
  LineList lines;
  ASSERT_FALSE(loadLines(file.path(), lines, LoadVariant::kTrevik));
  const WordTable table = splitWords(lines);
  const detail::Pieces pieces{table.rows(), 4};
  const size_t lastRow = pieces.first(3) - 1;  // piece 2's last row
  const std::string lastWord(wordAt(table, lastRow, 0));
  ASSERT_FALSE(lastWord.empty());
  detail::PieceRelease release(table, pieces);
  release.pieceRead(2);
  release.pieceRead(1);
  EXPECT_EQ(wordAt(table, lastRow, 0), lastWord);  // piece 0 is still read
  EXPECT_EQ(wordAt(table, pieces.first(1) + 1, 0),
            wordAt(want, pieces.first(1) + 1, 0));
  release.pieceRead(0);
  // Pieces 0 to 2 went back; piece 3 stays.
  EXPECT_EQ(wordAt(table, pieces.first(3) + 1, 0),
            wordAt(want, pieces.first(3) + 1, 0));
}

}  // namespace
}  // namespace core
