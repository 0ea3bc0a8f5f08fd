#include "core/line_sink.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace core {
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
    // Well past one output block, so several blocks are written.
    for (int i = 0; i < 300000; ++i) {
      sink.text("line ").integer(i).endLine();
      want += "line " + std::to_string(i) + "\r\n";
    }
    EXPECT_TRUE(sink.finish());
    EXPECT_EQ(std::fclose(file), 0);
  }
  std::stringstream got;
  {
    std::ifstream in(path, std::ios::binary);
    got << in.rdbuf();
  }
  EXPECT_EQ(got.str(), want);
  std::filesystem::remove(path);
}

TEST(LineSink, ReportsAFailedWrite) {
#ifdef _WIN32
  GTEST_SKIP() << "needs Linux /dev/full (Wine reports no failure there)";
#else
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "needs /dev/full";
  LineSink sink(full);
  sink.text("x").endLine();
  EXPECT_FALSE(sink.finish());
  std::fclose(full);
#endif
}

}  // namespace
}  // namespace core
