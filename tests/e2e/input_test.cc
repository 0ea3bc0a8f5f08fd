// An input that changes while a program runs: the run converts the bytes
// the file held when it was opened, or reports a read failure and leaves
// "APB" as it was; it never crashes or writes a mix of old and new.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifdef __linux__
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

class ChangingInput : public testing::TestWithParam<Program> {};

#ifdef __linux__
// Waits until process pid has the file at path open (true), or has ended
// (false, with status set).
bool waitUntilOpen(pid_t pid, const std::filesystem::path& path, int& status) {
  const std::filesystem::path file = std::filesystem::canonical(path);
  const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
  for (;;) {
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator(fds, error)) {
      if (std::filesystem::read_symlink(fd.path(), error) == file) return true;
    }
    if (waitpid(pid, &status, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
}

// The "APB" that program makes of input, or "" when it makes none.
std::string apbOf(const Program& program, const std::string& input) {
  Sandbox box;
  box.write("input", input);
  const RunResult run = runIn(box.dir(), program.exe, {"input"});
  return run.exitCode == 0 ? box.read(kOutputFile) : std::string();
}
#endif

TEST_P(ChangingInput, ConvertsAnInputAsItWasOrNotAtAll) {
#ifndef __linux__
  GTEST_SKIP() << "the test sees the program open its input in /proc";
#else
  const Program& program = GetParam();
  const std::string before = repeatedSample(program, size_t{8} << 20);
  std::string rewritten = before;  // the same size, other numbers
  std::replace(rewritten.begin(), rewritten.end(), '1', '7');
  const std::string cut = before.substr(0, before.size() / 2);

  using Change = std::function<void(const std::filesystem::path&)>;
  struct Case {
    const char* name;
    Change change;
    std::string after;  // the input once changed
  };
  const std::vector<Case> cases = {
      {"truncated",
       [&](const std::filesystem::path& path) {
         std::filesystem::resize_file(path, cut.size());
       },
       cut},
      {"rewritten in place",
       [&](const std::filesystem::path& path) {
         // In many writes, as tools write: no check can see a single
         // write that is already under way when the program opens the
         // file (its time is set before its bytes arrive).
         std::fstream file(path,
                           std::ios::binary | std::ios::in | std::ios::out);
         constexpr size_t kChunk = 64 << 10;
         for (size_t at = 0; at < rewritten.size(); at += kChunk) {
           file.write(rewritten.data() + at,
                      static_cast<std::streamsize>(
                          std::min(kChunk, rewritten.size() - at)));
           file.flush();
         }
       },
       rewritten},
  };
  const std::string oldApb = apbOf(program, before);
  ASSERT_FALSE(oldApb.empty());
  for (const Case& c : cases) {
    const std::string newApb = apbOf(program, c.after);
    for (const int delay : {0, 1, 3, 10}) {
      SCOPED_TRACE(std::string(c.name) + " after " + std::to_string(delay) +
                   " ms");
      Sandbox box;
      box.write("input", before);
      box.write(kOutputFile, kOldApb);
      const pid_t pid = startIn(box, program.exe, {"input"});
      ASSERT_GT(pid, 0);
      // A change that began before the open is part of what the program
      // reads: the file as it stood then, which may be a mix of old and new.
      int status = 0;
      if (waitUntilOpen(pid, box.path("input"), status)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        c.change(box.path("input"));
        waitpid(pid, &status, 0);
      }
      const std::string said = takeErrors(box);
      ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
      const std::string apb = box.read(kOutputFile);
      if (WEXITSTATUS(status) == 0) {
        // Converted before the change or after it, never a mix.
        EXPECT_TRUE(apb == oldApb || apb == newApb);
      } else {
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(apb, kOldApb);
        EXPECT_NE(said.find(": cannot open \"input\": "), std::string::npos)
            << said;
      }
    }
  }
#endif
}

#ifdef __linux__
// Writes bytes into the FIFO at path once a reader opens it; gives up after
// a minute without one.
void feedFifo(const std::filesystem::path& path, const std::string& bytes) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int fd = -1;
  while ((fd = open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (fd < 0) return;
  fcntl(fd, F_SETFL, 0);
  for (size_t at = 0; at < bytes.size();) {
    const ssize_t wrote = write(fd, bytes.data() + at, bytes.size() - at);
    if (wrote <= 0) break;
    at += static_cast<size_t>(wrote);
  }
  close(fd);
}
#endif

// Inputs that are no regular file (a FIFO, as `<(xzcat file.xz)` gives) are
// read as a stream, as they come.
TEST_P(ChangingInput, ReadsInputsThatAreStreams) {
#ifndef __linux__
  GTEST_SKIP() << "FIFOs as the test makes them are Linux's";
#else
  const Program& program = GetParam();
  Sandbox box;
  std::vector<std::thread> writers;
  for (const std::string& name : program.sample) {
    ASSERT_EQ(mkfifo(box.path(name).c_str(), 0600), 0);
    writers.emplace_back(feedFifo, box.path(name), exampleBytes(name));
  }
  const RunResult run = runIn(box.dir(), program.exe, program.sample);
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(box.read(kOutputFile), sampleApb(program));
#endif
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ChangingInput,
                         testing::ValuesIn(bothPrograms()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
