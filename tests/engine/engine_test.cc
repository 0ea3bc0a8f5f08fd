#include "engine/engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/convert.h"
#include "tests/support/rows_format.h"
#include "tests/support/temp_dir.h"

namespace engine {
namespace {

using namespace std::literals;
using core::Separators;
using tests::convertBytes;

// Windows that put a chunk edge at every place of a small input, on one
// thread and on several.
std::vector<Window> someWindows() {
  std::vector<Window> windows;
  for (const size_t bytes : {1, 2, 3, 5, 8, 13, 64, 1000}) {
    for (const size_t threads : {1, 3}) {
      windows.push_back({bytes, 1 + bytes % 4, threads});
    }
  }
  windows.push_back({});
  return windows;
}

std::string printable(std::string_view bytes) {
  return testing::PrintToString(std::string(bytes));
}

// ------------------------------------------------- rows and words

struct RowsCase {
  std::string bytes;
  Separators separators = Separators::kInWords;
};

// The text file rules meet the chunk's edges at every place: CR LF, a lone
// CR, Ctrl-Z, NUL, long lines and words, separators, no final line feed.
TEST(Convert, GivesReadersTheRowsOfTheTextFileRules) {
  const RowsCase cases[] = {
      {""},
      {"a"},
      {"\n\n"},
      {"  a\tb  \r\n\r\n \v\f\r\nc"},
      {"a\rb\n"},  // a lone CR is a blank
      {"abc\r"},
      {"a\r\r\nb"},
      {"a\x1a"
       "b\nc\n"},  // Ctrl-Z ends the file
      {"x\n\x1a\nmore"},
      {"\x1a"},
      {"ab\0cd\r\nef"s},  // a NUL cuts its line
      {"\0\n"s},
      {"a\r\0b\r\nc\0"s},
      {"a\0b\x1a c\n"s},  // a Ctrl-Z in the cut part still ends the file
      {"\xc3\xa9t\xe9 \x7f\n"},
      {std::string(5000, 'x') + "\r\ntail"},
      {std::string(200, ' ') + "x\n" + std::string(150, '\t')},
      {"Key=Value;\r\n;;;\r\na=b=c", Separators::kBlanks},
      {"Name=Two Words;\nx=y;", Separators::kInWords},
  };
  for (const RowsCase& c : cases) {
    const std::string want = tests::expectedRowLines(c.bytes, c.separators);
    for (const Window& window : someWindows()) {
      EXPECT_EQ(
          convertBytes(tests::rowsFormat(c.separators), {c.bytes}, window).apb,
          want)
          << printable(c.bytes) << " in chunks of " << window.chunkBytes;
    }
  }
}

// Words "w0" to "w<count - 1>", separated by sep.
std::string numberedWords(size_t count, std::string_view sep) {
  std::string line;
  for (size_t k = 0; k < count; ++k) {
    if (k > 0) line += sep;
    line += "w" + std::to_string(k);
  }
  return line;
}

TEST(Convert, CountsRowsOf255WordsAndMoreAgain) {
  // A row's count is kept in a byte that saturates at 255: from there on
  // the words are counted again, however the row was split.
  struct Layout {
    const char* name;
    Separators separators;
    std::string_view sep;
    std::string after;
  };
  const Layout layouts[] = {
      {"blanks", Separators::kInWords, " \t", ""},
      {"separators", Separators::kBlanks, "=", ""},
      {"before a NUL", Separators::kInWords, " ", "\0\n"s},
  };
  for (const Layout& layout : layouts) {
    for (const size_t count : {254, 255, 256, 300}) {
      const std::string bytes =
          numberedWords(count, layout.sep) + "\r\nnext row\n" + layout.after;
      const Window windows[] = {{}, {64, 3, 2}, {1000, 2, 1}};
      for (const Window& window : windows) {
        EXPECT_EQ(
            convertBytes(tests::rowsFormat(layout.separators), {bytes}, window)
                .apb,
            tests::expectedRowLines(bytes, layout.separators))
            << layout.name << ", " << count << " words";
      }
    }
  }
}

// ------------------------------------------------- blocks

// Blocks that start at a "B" row and close at the next "E" row; a block
// that meets the end of the file first is left out. Rows "bad" inside are
// noted. Each kept block is written as one line: its start row, its words.
bool isB(const core::WordTable& table, size_t row) {
  return core::wordIs(table, row, 0, "B");
}

bool readB(const core::WordTable& table, size_t row, core::Airport& airport,
           core::Findings& findings, size_t& end) {
  std::string& line = airport.name;
  line = std::to_string(row) + ":";
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
  airport.icao = core::wordAt(table, row, 1);
  findings.countRead(1, 0);
  return true;
}

void writeB(apb::LineSink& out, const core::Airport& airport) {
  out.text(airport.name).endLine();
}

// Every row no block reads may hold data, and is noted with the block it
// follows.
bool anyRow(const core::WordTable& /*table*/, size_t /*row*/) { return true; }
std::string_view nameOfB(const core::WordTable& table, size_t start) {
  return core::wordAt(table, start, 1);
}
void noteUnread(const UnreadLines& lines, core::Findings& findings) {
  findings.add(lines.first, 3,
               std::to_string(lines.lines) + " unread, " +
                   std::to_string(lines.firstWords) + " words first, after " +
                   std::string(lines.after));
}

constexpr Format kBlocks{.separators = Separators::kInWords,
                         .isStart = isB,
                         .read = readB,
                         .write = writeB,
                         .fileMarkKind = 2,
                         .unread = {anyRow, nameOfB, noteUnread}};

TEST(Convert, ReadsBlocksAndTellsTheLinesBetweenThem) {
  const std::string_view file =
      "lead\n"
      "B one\nw x\nbad\nE\n"
      "gap row\nsecond gap\n"
      "\n"
      "B two\nE\n"
      "B\nnever closed\n";
  const tests::Converted want{
      .failedInput = std::nullopt,
      .apb = "1: w x bad\r\n8:\r\n",
      .findings = {{"1: 1 unread, 1 words first, after ",
                    "4: bad row in block 1: w x",
                    "6: 2 unread, 2 words first, after one",
                    "11: block does not close"}},
      .airports = {2}};
  for (const Window& window : someWindows()) {
    EXPECT_EQ(convertBytes(kBlocks, {file}, window), want)
        << "chunks of " << window.chunkBytes;
  }
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

// Converts files through windows of every kind and checks that each gives
// what the default window gives on one thread.
void expectTheSameThroughEveryWindow(
    const std::vector<std::string_view>& files) {
  const tests::Converted want = convertBytes(kBlocks, files, {.threads = 1});
  const Window windows[] = {{.chunkBytes = 64, .chunks = 3, .threads = 1},
                            {.chunkBytes = 100, .chunks = 2, .threads = 4},
                            {.chunkBytes = 4096, .chunks = 4, .threads = 2},
                            {.chunkBytes = 1 << 16, .chunks = 1, .threads = 3},
                            {}};
  for (const Window& window : windows) {
    const tests::Converted got = convertBytes(kBlocks, files, window);
    EXPECT_EQ(got.apb, want.apb) << "chunks of " << window.chunkBytes;
    EXPECT_EQ(got.findings, want.findings) << "chunks of " << window.chunkBytes;
    EXPECT_EQ(got.airports, want.airports) << "chunks of " << window.chunkBytes;
  }
}

TEST(Convert, ReadsBlocksAcrossTheWindowsEdges) {
  // A megabyte or more of rows crosses several chunks of any size.
  expectTheSameThroughEveryWindow({blocksOf(200000, 1, true)});
}

TEST(Convert, ReadsABlockLongerThanTheWindow) {
  std::string rows = "before\nB long\n";
  while (rows.size() < (size_t{6} << 20)) rows += "w x y z\n";
  const std::string first = rows + "E\nB after\nE\n";
  const std::string second = "B\n" + rows + "E";
  expectTheSameThroughEveryWindow({first, second});
}

TEST(Convert, ReadsABlockThatWaitsForTheEndOfTheFile) {
  // The last block never closes: only the end of the file tells.
  const std::string first = blocksOf(100000, 2, false);
  const std::string second = blocksOf(300, 3, false);
  expectTheSameThroughEveryWindow({first, second});
}

TEST(Convert, ReadsManyFilesInOneWindow) {
  std::vector<std::string> files;
  for (unsigned k = 0; k < 300; ++k) {
    files.push_back(k % 7 == 0   ? ""
                    : k % 5 == 0 ? "B\nw\x1a tail"
                                 : blocksOf(k % 60, k, k % 2 == 0));
  }
  expectTheSameThroughEveryWindow({files.begin(), files.end()});
}

// ------------------------------------------------- what only bytes show

TEST(Convert, NotesWhatOnlyTheBytesShow) {
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
  Format format = kBlocks;
  format.unread = {};
  for (const Case& c : cases) {
    for (const Window& window : someWindows()) {
      EXPECT_EQ(convertBytes(format, {c.bytes}, window).findings.at(0), c.want)
          << printable(c.bytes) << " in chunks of " << window.chunkBytes;
    }
  }
}

// ------------------------------------------------- files

using ConvertFiles = tests::TempDirTest;

TEST_F(ConvertFiles, StopsAtTheFirstInputThatCannotBeOpened) {
  // "" names the test's directory, which opens on some systems but cannot
  // be read; the file after it is never opened.
  for (const char* name : {"missing", ""}) {
    const std::filesystem::path paths[] = {dir_ / "first", dir_ / name,
                                           dir_ / "later"};
    std::ofstream(paths[0]) << "B one\nE\n";
    std::ofstream(paths[2]) << "B\nE\n";
    core::FileSource source(paths);
    std::string output;
    testing::internal::CaptureStdout();
    const Result read = convert(
        kBlocks, source, [&](std::string_view bytes) { output += bytes; });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << name;
    EXPECT_EQ(read.failedInput, 1u) << name;
    EXPECT_TRUE(read.reason) << name;
  }
}

}  // namespace
}  // namespace engine
