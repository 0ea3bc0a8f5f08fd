#include "engine/engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/lines.h"
#include "tests/support/findings.h"
#include "tests/support/temp_dir.h"

namespace apb {
namespace {

// Blocks that start at a "B" row and close at the next "E" row; a block
// that meets the end of the file first is left out. Rows "bad" inside are
// noted. Each kept block writes one line: its start row and its words.
class TestBlocks final : public BlockConverter {
 public:
  bool isStart(const core::WordTable& table, size_t row) override {
    return core::wordIs(table, row, 0, "B");
  }
  bool convert(const core::WordTable& table, size_t row,
               core::Findings& findings, LineSink& out, size_t& end) override {
    std::string line = std::to_string(row) + ":";
    for (size_t at = row + 1;; ++at) {
      if (!table.exists(at)) {
        findings.note(row, 0, [] { return "block does not close"; });
        return false;
      }
      if (core::wordIs(table, at, 0, "E")) {
        end = at + 1;
        break;
      }
      if (core::wordIs(table, at, 0, "bad")) {
        findings.note(at, 1, [&] { return "bad row in block " + line; });
      }
      for (size_t col = 0; col < table.wordCount(at); ++col) {
        line += ' ';
        line += core::wordAt(table, at, col);
      }
    }
    out.text(line).endLine();
    findings.countRead(1, 0);
    return true;
  }
};

// Counts the rows that no kept block reads, but for the blank ones, and sums
// their numbers, and says so at the end of each file.
class TestUnread final : public UnreadRows {
 public:
  void rows(const core::WordTable& table, size_t from, size_t to,
            core::Findings& /*findings*/) override {
    for (size_t row = std::max(from, readUntil_); row < to; ++row) {
      EXPECT_TRUE(table.exists(row)) << row;
      if (table.wordCount(row) == 0) continue;
      ++count_;
      sum_ += row;
    }
  }
  void blockKept(const core::WordTable& /*table*/, size_t /*start*/, size_t end,
                 core::Findings& /*findings*/) override {
    readUntil_ = std::max(readUntil_, end);
  }
  void fileEnded(core::Findings& findings) override {
    findings.add(core::Finding::kWholeFile, 3,
                 std::to_string(count_) + " unread, " + std::to_string(sum_));
    *this = TestUnread();
  }

 private:
  size_t readUntil_ = 0;
  size_t count_ = 0;
  size_t sum_ = 0;
};

// What the same blocks give when each file is read whole, in one pass.
struct Expected {
  std::string output;
  std::vector<std::vector<std::string>> findings;
  std::vector<size_t> kept;
};

Expected readWhole(const std::vector<std::string>& files) {
  Expected expected;
  TestBlocks blocks;
  for (const std::string& bytes : files) {
    const core::LineList lines =
        core::linesFromBytes(bytes, core::Separators::kInWords);
    const core::WordTable table = core::splitWords(lines);
    core::Findings findings;
    LineSink out;
    size_t kept = 0;
    TestUnread unread;
    size_t from = 0;
    for (size_t row = 0; row < table.rows(); ++row) {
      if (!blocks.isStart(table, row)) continue;
      unread.rows(table, from, row, findings);
      from = row;
      size_t end = 0;
      if (blocks.convert(table, row, findings, out, end)) {
        ++kept;
        unread.blockKept(table, row, end, findings);
      }
    }
    unread.rows(table, from, table.rows(), findings);
    unread.fileEnded(findings);
    core::addFileMarks(lines, 2, findings);
    expected.output += out.collected();
    expected.findings.push_back(tests::findingLines(findings));
    expected.kept.push_back(kept);
  }
  return expected;
}

// Blocks of 1 to 40 rows, some nested, some with bad rows, blocks of count
// rows in all; the last block closes only when closed says so.
std::string blocksOf(size_t count, unsigned seed, bool closed) {
  std::string bytes;
  unsigned state = seed;
  const auto next = [&state] { return state = state * 1103515245u + 12345u; };
  for (size_t row = 0; row < count;) {
    const size_t length = 1 + next() % 40;
    bytes += "B " + std::to_string(row) + "\r\n";
    for (size_t k = 0; k < length; ++k) {
      const unsigned kind = next() % 50;
      bytes += kind == 0   ? "B nested\n"
               : kind == 1 ? "bad row\n"
               : kind == 2 ? "\n"
                           : "w x y\n";
    }
    row += length + 2;
    if (row < count || closed) bytes += "E\n";
    // Between blocks now and then a blank row or one no block reads.
    if (next() % 3 == 0) bytes += next() % 2 == 0 ? "\n" : "gap row\n";
  }
  return bytes;
}

class Conversion : public tests::TempDirTest {
 protected:
  // Converts files through the window and checks that every byte, finding
  // and count is what reading each file whole gives.
  void expectAsWhole(const std::vector<std::string>& files) {
    std::vector<std::filesystem::path> paths;
    for (size_t k = 0; k < files.size(); ++k) {
      paths.push_back(dir_ / ("in" + std::to_string(k)));
      std::ofstream(paths.back(), std::ios::binary) << files[k];
    }
    std::string output;
    apb::Conversion conversion;
    conversion.fileMarkKind = 2;
    conversion.makeConverter = [] { return std::make_unique<TestBlocks>(); };
    conversion.makeUnreadRows = [] { return std::make_unique<TestUnread>(); };
    conversion.output = [&output](std::string_view bytes) { output += bytes; };
    const InputsRead read = convertInputs(paths, conversion);
    const Expected want = readWhole(files);
    ASSERT_EQ(read.failed, files.size());
    EXPECT_EQ(output, want.output);
    EXPECT_EQ(read.kept, want.kept);
    for (size_t k = 0; k < files.size(); ++k) {
      EXPECT_EQ(tests::findingLines(read.findings[k]), want.findings[k])
          << "file " << k;
    }
  }
};

TEST_F(Conversion, ReadsBlocksAcrossTheWindowsEdgesAsAWholeFileWould) {
  // A megabyte or more of rows crosses several chunks of any size.
  expectAsWhole({blocksOf(200000, 1, true)});
}

TEST_F(Conversion, ReadsABlockLongerThanTheWindow) {
  std::string rows = "before\nB long\n";
  while (rows.size() < (size_t{6} << 20)) rows += "w x y z\n";
  expectAsWhole({rows + "E\nB after\nE\n", "B\n" + rows + "E"});
}

TEST_F(Conversion, ReadsABlockThatWaitsForTheEndOfTheFile) {
  // The last block never closes: only the end of the file tells.
  expectAsWhole({blocksOf(100000, 2, false), blocksOf(300, 3, false)});
}

TEST_F(Conversion, ReadsManyFilesInOneWindow) {
  std::vector<std::string> files;
  for (unsigned k = 0; k < 300; ++k) {
    files.push_back(k % 7 == 0   ? ""
                    : k % 5 == 0 ? "B\nw\x1a tail"
                                 : blocksOf(k % 60, k, k % 2 == 0));
  }
  expectAsWhole(files);
}

TEST_F(Conversion, StopsAtTheFirstInputThatCannotBeOpened) {
  const std::filesystem::path paths[] = {dir_ / "missing", dir_ / "later"};
  std::ofstream(paths[1]) << "B\nE\n";
  std::string output;
  apb::Conversion conversion;
  conversion.makeConverter = [] { return std::make_unique<TestBlocks>(); };
  conversion.output = [&output](std::string_view bytes) { output += bytes; };
  const InputsRead read = convertInputs(paths, conversion);
  EXPECT_EQ(read.failed, 0u);
  EXPECT_TRUE(read.reason);
  EXPECT_EQ(output, "");
}

}  // namespace
}  // namespace apb
