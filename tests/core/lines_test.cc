#include "core/lines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace core {
namespace {

using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

Lines linesOf(std::string_view bytes,
              LoadVariant variant = LoadVariant::kTrevik) {
  const LineList lines = linesFromBytes(bytes, variant);
  Lines out;
  for (std::string_view line : lines.toViews()) out.emplace_back(line);
  EXPECT_EQ(out.size(), lines.size());
  return out;
}

Rows wordsOf(std::string_view bytes, LoadVariant variant) {
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
  EXPECT_EQ(linesOf("Key=Value;\r\n;;;\r\na=b=c", LoadVariant::kConverter),
            (Lines{"Key Value ", "   ", "a b c"}));
  EXPECT_EQ(linesOf("a=b;", LoadVariant::kTrevik), (Lines{"a=b;"}));
}

struct SplitCase {
  std::string bytes;
  LoadVariant variant;
  Rows want;
};

TEST(SplitWords, GivesOneRowPerLine) {
  const std::string bigWord(100000, 'w');
  const SplitCase cases[] = {
      {"", LoadVariant::kTrevik, {}},
      {"  a\tb  \r\n\r\n \v\f\r\nc",
       LoadVariant::kTrevik,
       {{"a", "b"}, {}, {}, {"c"}}},
      {"a\rb\n", LoadVariant::kTrevik, {{"a", "b"}}},  // CR splits words
      {"Name=Two Words;\nTOComments;\n;;;\na=b=c",
       LoadVariant::kConverter,
       {{"Name", "Two", "Words"}, {"TOComments"}, {}, {"a", "b", "c"}}},
      {"x=y;", LoadVariant::kTrevik, {{"x=y;"}}},
      {std::string("ab c\0d e\nf", 10),
       LoadVariant::kTrevik,
       {{"ab", "c"}, {"f"}}},
      {"\xc3\xa9t\xe9 \x7f\n",
       LoadVariant::kTrevik,
       {{"\xc3\xa9t\xe9", "\x7f"}}},
      {bigWord + " z", LoadVariant::kTrevik, {{bigWord, "z"}}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(wordsOf(c.bytes, c.variant), c.want)
        << testing::PrintToString(c.bytes);
  }
}

TEST(WordAt, IsEmptyOutsideTheTable) {
  const LineList lines = linesFromBytes("a b\n\nc", LoadVariant::kTrevik);
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

class LoadFile : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("lines_test_") +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

struct OpenCase {
  const char* name;
  LoadVariant variant;
  const char* message;
};

TEST_F(LoadFile, ReportsFilesThatCannotBeRead) {
  const OpenCase cases[] = {
      {"missing.txt", LoadVariant::kConverter, "\nFile is not open\n"},
      {"missing.txt", LoadVariant::kTrevik, "\nFile is not open.\n"},
      {"", LoadVariant::kConverter, "\nFile is not open\n"},  // a directory
  };
  for (const OpenCase& c : cases) {
    LineList lines;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(loadLines(dir_ / c.name, lines, c.variant)) << c.name;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message) << c.name;
    EXPECT_TRUE(lines.empty());
  }
}

TEST_F(LoadFile, ReadsAFileWhole) {
  const std::string bytes =
      "ANF A B\r\n" + std::string(300000, 'x') + "\r\n\r\nz";
  std::ofstream(dir_ / "in.txt", std::ios::binary) << bytes;
  LineList lines;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(loadLines(dir_ / "in.txt", lines, LoadVariant::kTrevik));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(lines.toViews(),
            (std::vector<std::string_view>{"ANF A B", std::string(300000, 'x'),
                                           "", "z"}));
}

}  // namespace
}  // namespace core
