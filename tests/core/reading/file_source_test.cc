#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/reading/source.h"
#include "tests/support/temp_dir.h"

namespace core {
namespace {

class FileSourceTest : public tests::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    path_ = dir_ / "input";
  }
  void write(const std::string& bytes, std::ios::openmode mode) {
    std::ofstream(path_, std::ios::binary | mode) << bytes;
  }
  std::filesystem::path path_;
};

// Reads the whole file, calling change() once half of it is read; what was
// read, and whether finish() took the file for unchanged.
struct Outcome {
  std::string bytes;
  bool same = false;
};
Outcome readChanging(const std::filesystem::path& path,
                     const std::function<void()>& change) {
  FileSource file({&path, 1});
  std::error_code reason;
  Outcome outcome;
  if (!file.open(0, reason)) return outcome;
  std::vector<char> buffer(4096);
  bool changed = false;
  for (;;) {
    size_t got = 0;
    if (!file.read(buffer.data(), buffer.size(), got, reason)) break;
    if (got == 0) break;
    outcome.bytes.append(buffer.data(), got);
    if (!changed && outcome.bytes.size() >= 8192) {
      change();
      changed = true;
    }
  }
  outcome.same = file.close(reason);
  if (!outcome.same) {
    EXPECT_EQ(reason, changedWhileRead());
  }
  return outcome;
}

TEST_F(FileSourceTest, TakesAnyChangeWhileItIsReadForAFailure) {
  const std::string bytes(20000, 'a');
  const auto later = [this] {
    std::filesystem::last_write_time(
        path_, std::filesystem::last_write_time(path_) + std::chrono::hours(1));
  };
  struct Case {
    const char* name;
    std::function<void()> change;
    bool same;
  };
  const Case cases[] = {
      {"left alone", [] {}, true},
      {"grown", [&] { write("more", std::ios::app); }, false},
      {"cut short",
       [&] { std::filesystem::resize_file(path_, bytes.size() / 4); }, false},
      {"rewritten in place, same size",
       [&] {
         write(std::string(bytes.size(), 'b'), std::ios::in);
         later();
       },
       false},
  };
  for (const Case& c : cases) {
    write(bytes, std::ios::trunc);
    const Outcome outcome = readChanging(path_, c.change);
    EXPECT_EQ(outcome.same, c.same) << c.name;
    // Never past the size seen at open, whatever the file became.
    EXPECT_LE(outcome.bytes.size(), bytes.size()) << c.name;
    if (c.same) {
      EXPECT_EQ(outcome.bytes, bytes) << c.name;
    }
  }
}

TEST_F(FileSourceTest, ReportsAFileThatCannotBeOpened) {
  const std::filesystem::path missing = path_ / "missing";
  FileSource file({&missing, 1});
  std::error_code reason;
  EXPECT_FALSE(file.open(0, reason));
  EXPECT_TRUE(reason);
}

}  // namespace
}  // namespace core
