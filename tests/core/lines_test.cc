#include "core/lines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/words.h"

namespace core {
namespace {

using namespace std::literals;

using Lines = std::vector<std::string>;
using tests::expectedWords;
using tests::Rows;

Lines linesOf(std::string_view bytes,
              Separators variant = Separators::kInWords) {
  const LineList lines = linesFromBytes(bytes, variant);
  Lines out;
  for (std::string_view line : lines.toViews()) out.emplace_back(line);
  EXPECT_EQ(out.size(), lines.size());
  return out;
}

Rows wordsOf(std::string_view bytes, Separators variant) {
  const LineList lines = linesFromBytes(bytes, variant);
  const WordTable table = splitWords(lines);
  EXPECT_EQ(table.rows(), lines.size());
  Rows rows(table.rows());
  for (size_t row = 0; row < table.rows(); ++row) {
    for (size_t col = 0; col < table.wordCount(row); ++col) {
      rows[row].emplace_back(wordAt(table, row, col));
    }
  }
  return rows;
}

struct LoadCase {
  std::string bytes;
  Lines want;
};

TEST(LoadLines, AppliesTheTextFileRules) {
  const std::string longLine(5000, 'x');
  const LoadCase cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"\n", {""}},
      {"\n\n", {"", ""}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\n", {"a\rb"}},        // a lone CR stays in the text
      {"abc\r", {"abc\r"}},        // also at the very end
      {"a\r\r\nb", {"a\r", "b"}},  // only the CR next to the LF goes
      {"a\x1a"
       "b\nc\n",
       {"a"}},  // Ctrl-Z ends the file
      {"x\n\x1a\nmore", {"x"}},
      {"\x1a", {}},
      {std::string("ab\0cd\r\nef", 9), {"ab", "ef"}},  // cut at NUL
      {std::string("\0\n", 2), {""}},
      {longLine + "\r\ntail", {longLine, "tail"}},  // no length limit
  };
  for (const LoadCase& c : cases) {
    EXPECT_EQ(linesOf(c.bytes), c.want) << testing::PrintToString(c.bytes);
  }
}

TEST(LoadLines, ConverterVariantBlanksSeparators) {
  EXPECT_EQ(linesOf("Key=Value;\r\n;;;\r\na=b=c", Separators::kBlanks),
            (Lines{"Key Value ", "   ", "a b c"}));
  EXPECT_EQ(linesOf("a=b;", Separators::kInWords), (Lines{"a=b;"}));
}

struct SplitCase {
  std::string bytes;
  Separators variant;
  Rows want;
};

TEST(SplitWords, GivesOneRowPerLine) {
  const std::string bigWord(100000, 'w');
  const SplitCase cases[] = {
      {"", Separators::kInWords, {}},
      {"  a\tb  \r\n\r\n \v\f\r\nc",
       Separators::kInWords,
       {{"a", "b"}, {}, {}, {"c"}}},
      {"a\rb\n", Separators::kInWords, {{"a", "b"}}},  // CR splits words
      {"Name=Two Words;\nTOComments;\n;;;\na=b=c",
       Separators::kBlanks,
       {{"Name", "Two", "Words"}, {"TOComments"}, {}, {"a", "b", "c"}}},
      {"x=y;", Separators::kInWords, {{"x=y;"}}},
      {std::string("ab c\0d e\nf", 10),
       Separators::kInWords,
       {{"ab", "c"}, {"f"}}},
      {"\xc3\xa9t\xe9 \x7f\n",
       Separators::kInWords,
       {{"\xc3\xa9t\xe9", "\x7f"}}},
      {bigWord + " z", Separators::kInWords, {{bigWord, "z"}}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(wordsOf(c.bytes, c.variant), c.want)
        << testing::PrintToString(c.bytes);
  }
}

TEST(SplitWords, SplitsFilesOfManyMegabytesLineByLine) {
  // Large files are split a piece at a time, on several threads: lines
  // that cross or end at a piece's edge, a line longer than two pieces, the
  // file cut by Ctrl-Z or a NUL far from its start, no final line feed.
  constexpr size_t kMegabyte = size_t{1} << 20;
  std::string lines;
  for (int i = 0; lines.size() < 3 * kMegabyte; ++i) {
    lines += "ANF w" + std::to_string(i) + (i % 3 ? " \t1.5" : "") +
             (i % 7 ? "=x;y\r\n" : "\r\n\n");
  }
  std::string edge(kMegabyte - 1, 'e');  // the line feed is the last byte
  edge.back() = ' ';
  const std::string longWord(2 * kMegabyte + 5, 'L');
  // A NUL cuts its line to "x"; the NUL that opens the next line leaves
  // that line empty. Any NUL makes the whole file split byte by byte.
  constexpr std::string_view kCutAtNul = "x\0y z\n\0"sv;
  struct Case {
    std::string bytes;
    Separators variant;
  };
  const Case cases[] = {
      {lines, Separators::kInWords},
      {lines, Separators::kBlanks},
      {edge + "\n" + edge + "\n" + lines, Separators::kInWords},
      {edge + "\n" + lines.substr(0, kMegabyte), Separators::kInWords},
      {"a b\n" + longWord + " c\n" + lines, Separators::kInWords},
      {lines + longWord, Separators::kInWords},
      {lines + "\x1a" + lines, Separators::kInWords},
      {lines + std::string(kCutAtNul) + lines, Separators::kInWords},
  };
  for (const Case& c : cases) {
    const Rows want = expectedWords(c.bytes, c.variant);
    const Rows got = wordsOf(c.bytes, c.variant);
    ASSERT_EQ(got.size(), want.size()) << c.bytes.size() << " bytes";
    for (size_t row = 0; row < want.size(); ++row) {
      ASSERT_EQ(got[row], want[row]) << "row " << row;
    }
  }
}

TEST(WordAt, IsEmptyOutsideTheTable) {
  const LineList lines = linesFromBytes("a b\n\nc", Separators::kInWords);
  const WordTable table = splitWords(lines);
  ASSERT_EQ(table.rows(), 3u);
  EXPECT_EQ(wordAt(table, 0, 1), "b");
  EXPECT_EQ(wordAt(table, 0, 2), "");
  EXPECT_EQ(wordAt(table, 1, 0), "");
  EXPECT_EQ(wordAt(table, 3, 0), "");
  EXPECT_EQ(wordAt(table, SIZE_MAX, SIZE_MAX), "");
  EXPECT_EQ(table.wordCount(99), 0u);
  EXPECT_EQ(splitWords(LineList()).rows(), 0u);
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

TEST(WordTable, CountsRowsOf255WordsAndMoreAgain) {
  // A row's count is stored in a byte that saturates at 255: from there on
  // the words are counted again. Each way of splitting stores the count.
  struct Layout {
    const char* name;
    Separators variant;
    std::string_view sep;
    std::string after;  // bytes after the two rows under test
  };
  std::string filler;  // enough lines to be split in pieces
  while (filler.size() < (size_t{3} << 20)) filler += "f g\n";
  const Layout layouts[] = {
      {"in one pass", Separators::kInWords, " ", ""},
      {"with separators", Separators::kBlanks, "=", ""},
      {"byte by byte", Separators::kInWords, " \t", "\0\n"s},
      {"in pieces", Separators::kInWords, " ", filler},
  };
  constexpr size_t kCounts[] = {254, 255, 256, 300};
  constexpr size_t kMax = 400;
  for (const Layout& layout : layouts) {
    for (size_t count : kCounts) {
      const std::string words = numberedWords(count, layout.sep);
      const LineList lines = linesFromBytes(
          words + "\r\nnext row\n" + layout.after, layout.variant);
      const WordTable table = splitWords(lines);
      const std::string where =
          std::string(layout.name) + ", " + std::to_string(count) + " words";
      ASSERT_GE(table.rows(), 2u) << where;
      EXPECT_EQ(table.wordCount(0), count) << where;
      const std::string last = "w" + std::to_string(count - 1);
      EXPECT_EQ(wordAt(table, 0, count - 1), last) << where;
      EXPECT_TRUE(wordIs(table, 0, count - 1, last)) << where;
      EXPECT_EQ(wordAt(table, 0, count), "") << where;
      std::vector<std::string_view> got(kMax);
      got.resize(rowWords(table, 0, got.data(), kMax));
      std::string joined;
      for (std::string_view word : got) {
        if (!joined.empty()) joined += layout.sep;
        joined += word;
      }
      EXPECT_EQ(joined, words) << where;
      EXPECT_EQ(rowWords(table, 0, got.data(), 255),
                std::min<size_t>(count, 255))
          << where;
      EXPECT_EQ(wordAt(table, 1, 1), "row") << where;  // the next row is whole
      EXPECT_EQ(table.wordCount(1), 2u) << where;
    }
  }
}

using LoadFile = tests::TempDirTest;

TEST_F(LoadFile, ReportsFilesThatCannotBeReadAndPrintsNothing) {
  // "" names the test's directory, which opens on some systems but cannot
  // be read.
  for (const char* name : {"missing.txt", ""}) {
    LineList lines = linesFromBytes("left over", Separators::kInWords);
    std::error_code reason;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(loadLines(dir_ / name, lines, Separators::kBlanks, reason))
        << name;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << name;
    EXPECT_TRUE(reason) << name;
    EXPECT_TRUE(lines.empty()) << name;
  }
}

TEST_F(LoadFile, ReadsAFileWhole) {
  const std::string bytes =
      "ANF A B\r\n" + std::string(300000, 'x') + "\r\n\r\nz";
  std::ofstream(dir_ / "in.txt", std::ios::binary) << bytes;
  LineList lines;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(loadLines(dir_ / "in.txt", lines, Separators::kInWords));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(lines.toViews(),
            (std::vector<std::string_view>{"ANF A B", std::string(300000, 'x'),
                                           "", "z"}));
}

// A file of rows "row N 1.25 x" of at least size bytes, and "last".
std::string numberedRows(size_t size) {
  std::string bytes;
  for (int i = 0; bytes.size() < size; ++i) {
    bytes += "row " + std::to_string(i) + " 1.25 x\r\n";
  }
  return bytes + "last";  // no line feed: the loader writes one after it
}

// Whatever happens to a file once it is loaded, its lines read as they were.
TEST_F(LoadFile, KeepsTheBytesItReadWhenTheFileChanges) {
  const std::string bytes = numberedRows(3 << 20);
  const std::filesystem::path path = dir_ / "in.txt";
  const auto write = [&](const std::string& text, std::ios::openmode mode) {
    std::ofstream(path, std::ios::binary | mode) << text;
  };
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"cut short", [&] { std::filesystem::resize_file(path, 100); }},
      {"emptied", [&] { std::filesystem::resize_file(path, 0); }},
      {"rewritten in place",
       [&] { write(std::string(bytes.size(), '\n'), std::ios::in); }},
      {"replaced", [&] { write("x", std::ios::trunc); }},
  };
  for (const auto& [name, change] : changes) {
    write(bytes, std::ios::trunc);
    LineList lines;
    ASSERT_FALSE(loadLines(path, lines, Separators::kInWords));
    change();
    const WordTable table = splitWords(lines);
    ASSERT_EQ(table.rows(), lines.size()) << name;
    EXPECT_EQ(wordAt(table, 0, 0), "row") << name;
    EXPECT_EQ(wordAt(table, 100000, 1), "100000") << name;
    EXPECT_EQ(wordAt(table, table.rows() - 1, 0), "last") << name;
  }
}

}  // namespace
}  // namespace core
