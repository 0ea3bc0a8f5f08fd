#include "apb/line_sink.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace apb {
namespace {

TEST(LineSink, EndsEveryLineWithCrLf) {
  LineSink sink;
  sink.text("A ").integer(-3).text(" ").count(7).text(" ").decimal(0.00001);
  sink.endLine();
  sink.endLine();
  EXPECT_EQ(sink.collected(), "A -3 7 1e-005\r\n\r\n");
  EXPECT_TRUE(sink.finish());
}

TEST(LineSink, WritesLargeOutputWholeToAFile) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "line_sink_test.out";
  std::string want;
  {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    LineSink sink(file);
    // Well past one output block, so several blocks are written, and now
    // and then a line longer than a block, which grows the one being filled.
    const std::string longLine(3 << 20, 'x');
    for (int i = 0; i < 300000; ++i) {
      sink.text("line ").integer(i).endLine();
      want += "line " + std::to_string(i) + "\r\n";
      if (i % 100000 == 5) {
        sink.text(longLine).endLine();
        want += longLine + "\r\n";
      }
    }
    EXPECT_TRUE(sink.finish());
    EXPECT_EQ(std::fclose(file), 0);
  }
  std::stringstream got;
  {
    std::ifstream in(path, std::ios::binary);
    got << in.rdbuf();
  }
  EXPECT_TRUE(got.str() == want) << "the file differs from what was written";
  std::filesystem::remove(path);
}

TEST(LineSink, KeepsTheOrderOfLinesAndAppendedTexts) {
  // Appended texts short enough to be copied, and long ones written
  // straight to the file while lines are held or a block is in flight.
  const std::string shortText(100, 's');
  const std::string longText((64 << 10) + 3, 'L');
  const std::string hugeText(5 << 20, 'H');
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::string want;
  {
    LineSink sink(file);
    for (int i = 0; i < 60000; ++i) {
      sink.text("line ").integer(i).endLine();
      want += "line " + std::to_string(i) + "\r\n";
      const std::string& text = i % 7000 == 0  ? hugeText
                                : i % 500 == 0 ? longText
                                               : shortText;
      if (i % 100 == 0) {
        sink.append(text);
        want += text;
      }
    }
    sink.append(longText);
    want += longText;
    EXPECT_TRUE(sink.finish());
  }
  std::string got(want.size() + 1, '\0');
  std::rewind(file);
  got.resize(std::fread(got.data(), 1, got.size(), file));
  std::fclose(file);
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want) << "the file differs from what was written";
}

TEST(LineSink, ReportsAFailedWrite) {
#ifdef _WIN32
  GTEST_SKIP() << "needs Linux /dev/full (Wine reports no failure there)";
#else
  // One short line, written at finish(); many blocks, the first of which
  // fails while the rest are still being filled; a long text written
  // straight to the file.
  struct Case {
    int lines;
    size_t appended;
  };
  for (const Case c : {Case{1, 0}, Case{500000, 0}, Case{0, 1 << 20}}) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full == nullptr) GTEST_SKIP() << "needs /dev/full";
    {
      LineSink sink(full);
      for (int i = 0; i < c.lines; ++i) {
        sink.text("line ").integer(i).endLine();
      }
      sink.append(std::string(c.appended, 'x'));
      EXPECT_FALSE(sink.finish()) << c.lines << " lines, " << c.appended;
    }
    std::fclose(full);
  }
#endif
}

TEST(LineSink, EndsCleanlyWithoutFinish) {
  // A run that ends early (out of memory) drops the sink unfinished: the
  // blocks handed over are written, and nothing hangs.
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  {
    LineSink sink(file);
    for (int i = 0; i < 300000; ++i) sink.text("line ").integer(i).endLine();
  }
  EXPECT_GT(std::ftell(file), 0L);
  std::fclose(file);
}

}  // namespace
}  // namespace apb
