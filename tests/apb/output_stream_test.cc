#include "apb/output_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace apb {
namespace {

// A fresh directory, removed with what it holds.
class Scratch {
 public:
  Scratch() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    do {
      dir_ = base / ("output-stream-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(dir_));
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::filesystem::path path(const std::string& name) const {
    return dir_ / name;
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // The names it holds, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path dir_;
};

constexpr char kOld[] = "old output\r\n";

// Blocks as a run appends them: small, a megabyte, and one past the size
// the content is copied in.
std::vector<std::string> someBlocks() {
  std::string large((1 << 20) + 17, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i);
  return {"first line\r\n", large, std::string((2 << 20) + 5, 'z')};
}

std::string joined(const std::vector<std::string>& blocks) {
  std::string all;
  for (const std::string& block : blocks) all += block;
  return all;
}

bool isTemporary(const std::string& name) {
  return name.starts_with("APB.") && name.ends_with(".tmp");
}

TEST(OutputStream, PutsTheBytesInPlaceOnlyAtFinish) {
  struct Case {
    const char* what;
    bool oldApb;  // else "APB" is missing
  };
  constexpr Case kCases[] = {{"a missing APB", false}, {"an old APB", true}};
  const std::vector<std::string> blocks = someBlocks();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Scratch dir;
    if (c.oldApb) dir.write("APB", kOld);
    OutputStream output(dir.path("APB"));
    // The first bytes may come from any thread.
    std::thread([&] { output.append(blocks[0]); }).join();
    for (size_t k = 1; k < blocks.size(); ++k) output.append(blocks[k]);

    EXPECT_EQ(dir.read("APB"), c.oldApb ? kOld : "");
    const std::vector<std::string> meanwhile = dir.names();
    EXPECT_EQ(std::count_if(meanwhile.begin(), meanwhile.end(), isTemporary),
              1);
    Report report;
    EXPECT_EQ(output.finish(report), Outcome::kWritten);
    EXPECT_FALSE(report.reason);
    EXPECT_FALSE(report.inPlaceBecause);
    EXPECT_TRUE(dir.read("APB") == joined(blocks)) << "APB differs";
    EXPECT_EQ(dir.names(), std::vector<std::string>{"APB"});
  }
}

TEST(OutputStream, LeavesApbAsItWasUnlessFinished) {
  struct Case {
    const char* what;
    std::vector<std::string> appended;
  };
  const Case cases[] = {{"no bytes", {}},
                        {"empty appends only", {"", ""}},
                        {"bytes", someBlocks()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const bool oldApb : {false, true}) {
      Scratch dir;
      if (oldApb) dir.write("APB", kOld);
      {
        OutputStream output(dir.path("APB"));
        for (const std::string& block : c.appended) output.append(block);
        // Nothing is made before the first bytes.
        const std::vector<std::string> meanwhile = dir.names();
        EXPECT_EQ(
            std::count_if(meanwhile.begin(), meanwhile.end(), isTemporary),
            joined(c.appended).empty() ? 0 : 1);
      }
      EXPECT_EQ(dir.names(), oldApb ? std::vector<std::string>{"APB"}
                                    : std::vector<std::string>{});
      EXPECT_EQ(dir.read("APB"), oldApb ? kOld : "");
    }
  }
}

TEST(OutputStream, FinishedWithoutBytesMakesAnEmptyApb) {
  Scratch dir;
  dir.write("APB", kOld);
  OutputStream output(dir.path("APB"));
  Report report;
  EXPECT_EQ(output.finish(report), Outcome::kWritten);
  EXPECT_EQ(dir.read("APB"), "");
}

TEST(OutputStream, ReportsAnApbThatCannotBeWritten) {
  struct Case {
    const char* what;
    void (*prepare)(const Scratch& dir);
    std::errc reason;
  };
  const Case cases[] = {
      {"a directory",
       [](const Scratch& dir) {
         std::filesystem::create_directory(dir.path("APB"));
       },
       std::errc::is_a_directory},
#ifndef _WIN32
      {"a directory that does not exist",
       [](const Scratch& dir) {
         std::filesystem::create_symlink("gone/APB", dir.path("APB"));
       },
       std::errc::no_such_file_or_directory},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scratch dir;
    c.prepare(dir);
    const std::vector<std::string> before = dir.names();
    OutputStream output(dir.path("APB"));
    output.append("a line\r\n");
    output.append("more\r\n");
    EXPECT_EQ(dir.names(), before);
    Report report;
    EXPECT_EQ(output.finish(report), Outcome::kNotOpened);
    EXPECT_EQ(report.reason, std::make_error_code(c.reason))
        << report.reason.message();
    EXPECT_EQ(dir.names(), before);
  }
}

#ifndef _WIN32

// Points TMPDIR at a directory for a test's lifetime.
class TemporaryDirectoryAt {
 public:
  explicit TemporaryDirectoryAt(const std::filesystem::path& dir) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    setenv("TMPDIR", dir.c_str(), 1);
  }
  ~TemporaryDirectoryAt() {
    if (old_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", old_.c_str(), 1);
    }
  }
  TemporaryDirectoryAt(const TemporaryDirectoryAt&) = delete;
  TemporaryDirectoryAt& operator=(const TemporaryDirectoryAt&) = delete;

 private:
  std::string old_;
};

// Everything the FIFO gives until its writer closes it.
// Reads the FIFO open as fd (non-blocking) to its end. Until its writer
// comes, reading gives the end at once: the end counts only once bytes came
// (or after 60 s, so that a writer that never comes fails the test).
std::string readAll(int fd) {
  std::string bytes;
  char block[1 << 16];
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    const ssize_t got = read(fd, block, sizeof block);
    const bool noWriterYet = got == 0 && bytes.empty() &&
                             std::chrono::steady_clock::now() < deadline;
    if ((got < 0 && errno == EAGAIN) || noWriterYet) {
      std::this_thread::yield();
      continue;
    }
    if (got <= 0) return bytes;
    bytes.append(block, static_cast<size_t>(got));
  }
}

TEST(OutputStream, OpensAFifoOnlyAtFinish) {
  Scratch dir;
  std::filesystem::create_directory(dir.path("tmp"));
  const TemporaryDirectoryAt tmp(dir.path("tmp"));
  ASSERT_EQ(mkfifo(dir.path("APB").c_str(), 0600), 0);
  const int reader = open(dir.path("APB").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const std::vector<std::string> blocks = someBlocks();
  OutputStream output(dir.path("APB"));
  for (const std::string& block : blocks) output.append(block);

  char byte = 0;
  EXPECT_EQ(read(reader, &byte, 1), 0) << "the FIFO has a writer already";
  EXPECT_TRUE(std::filesystem::is_empty(dir.path("tmp")))
      << "the waiting file has a name";
  std::string got;
  std::thread drain([&] { got = readAll(reader); });
  Report report;
  EXPECT_EQ(output.finish(report), Outcome::kWritten);
  drain.join();
  close(reader);
  EXPECT_TRUE(got == joined(blocks)) << "the FIFO got other bytes";
  EXPECT_FALSE(report.inPlaceBecause);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path("tmp")));
}

#endif  // _WIN32

}  // namespace
}  // namespace apb
