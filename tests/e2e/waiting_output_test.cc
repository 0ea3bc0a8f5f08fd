// An "APB" written where it stands (a device, a FIFO) is opened only once
// the whole new content is made: until then the bytes wait in a file of
// TMPDIR that nobody else sees and that no way out leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>
#endif

#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

class WaitingApb : public testing::TestWithParam<Program> {};

#ifndef _WIN32

// "TMPDIR=" the sandbox's directory name.
std::string tmpdirIn(const Sandbox& box, const char* name) {
  return "TMPDIR=" + box.path(name).string();
}

// True while process pid holds a file of directory that has no name any
// more: bytes waiting there.
bool holdsWaitingFile(pid_t pid, const std::filesystem::path& directory) {
  const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
  std::error_code gone;
  for (const auto& fd : std::filesystem::directory_iterator(fds, gone)) {
    const std::string file =
        std::filesystem::read_symlink(fd.path(), gone).string();
    if (file.starts_with((directory / "APB.").string()) &&
        file.ends_with(".tmp (deleted)")) {
      return true;
    }
  }
  return false;
}

// Starts the program on its sample with "APB" a FIFO that nobody reads
// yet and TMPDIR at the sandbox's "tmp"; returns its process id once its
// bytes wait there, or -1 (the process ended) when they never did.
pid_t startWaiting(const Sandbox& box, const Program& program) {
  const std::vector<std::string> args = copySample(box, program);
  std::filesystem::create_directory(box.path("tmp"));
  if (mkfifo(box.path(kOutputFile).c_str(), 0600) != 0) return -1;
  const pid_t pid = startIn(box, program.exe, args, {tmpdirIn(box, "tmp")});
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(60);
  // The waiting file is made at the first airport; the program waits for
  // a reader once it has said what it read.
  while (!holdsWaitingFile(pid, box.path("tmp")) ||
         errorsSoFar(box) != program.sampleSummary) {
    int status = 0;
    if (std::chrono::steady_clock::now() > deadline) kill(pid, SIGKILL);
    if (waitpid(pid, &status, WNOHANG) != 0) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return pid;
}

// Waits for pid to end and returns its status; kills it first if it has
// not ended within 20 seconds.
int statusOf(pid_t pid) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "the program did not end";
      kill(pid, SIGKILL);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return status;
}

#endif

// Bytes that cannot wait, for want of a temporary directory or of room in
// it, fail the run as a full disk would, and "APB" is never opened: a FIFO
// that nobody reads does not keep the program waiting.
TEST_P(WaitingApb, FailsWhenTheBytesCannotWait) {
#ifdef _WIN32
  GTEST_SKIP() << "devices, FIFOs and TMPDIR are POSIX's";
#else
  const Program& program = GetParam();
  struct Case {
    const char* what;
    const char* tmpdir;
    uint64_t fileSizeLimit;
    const char* reason;
  };
  constexpr Case kCases[] = {
      {"TMPDIR missing", "missing", 0, "No such file or directory"},
      {"TMPDIR a file", "file", 0, "Not a directory"},
      {"TMPDIR takes no more bytes", "tmp", 200, "File too large"},
  };
  for (const Case& c : kCases) {
    for (const bool fifo : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (fifo ? ", a FIFO" : ", /dev/null"));
      Sandbox box;
      const std::vector<std::string> args = copySample(box, program);
      box.write("file", "");
      std::filesystem::create_directory(box.path("tmp"));
      if (fifo) {
        ASSERT_EQ(mkfifo(box.path(kOutputFile).c_str(), 0600), 0);
      } else {
        std::filesystem::create_symlink("/dev/null", box.path(kOutputFile));
      }
      RunOptions options;
      options.environment = {tmpdirIn(box, c.tmpdir)};
      options.fileSizeLimit = c.fileSizeLimit;
      options.timeout = std::chrono::seconds(20);

      const RunResult run = runIn(box.dir(), program.exe, args, options);

      EXPECT_EQ(run.console, program.banner + std::string(kWriteFailed));
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(run.errors, program.sampleSummary + program.name +
                                ": cannot write \"APB\": " + c.reason + "\n");
      EXPECT_TRUE(std::filesystem::is_empty(box.path("tmp")));
    }
  }
#endif
}

TEST_P(WaitingApb, ReachesAFifoWhoseReaderComesLate) {
#ifdef _WIN32
  GTEST_SKIP() << "FIFOs and /proc are POSIX's";
#else
  if (!std::filesystem::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc";
  const Program& program = GetParam();
  Sandbox box;
  const pid_t pid = startWaiting(box, program);
  ASSERT_GT(pid, 0) << "the bytes never waited";

  const int reader = open(box.path(kOutputFile).c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);
  std::string got;
  char block[1 << 16];
  for (ssize_t size = 0; (size = read(reader, block, sizeof block)) > 0;) {
    got.append(block, static_cast<size_t>(size));
  }
  close(reader);
  const int status = statusOf(pid);

  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(got, sampleApb(program));
  EXPECT_EQ(takeErrors(box), program.sampleSummary);
  EXPECT_TRUE(std::filesystem::is_empty(box.path("tmp")));
#endif
}

TEST_P(WaitingApb, AnInterruptLeavesNoWaitingFile) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals";
#else
  if (!std::filesystem::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc";
  const Program& program = GetParam();
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(strsignal(signal));
    Sandbox box;
    const pid_t pid = startWaiting(box, program);
    ASSERT_GT(pid, 0) << "the bytes never waited";

    kill(pid, signal);
    const int status = statusOf(pid);

    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
    EXPECT_EQ(takeErrors(box), program.sampleSummary + program.name +
                                   ": interrupted; \"APB\" left as it was\n");
    EXPECT_TRUE(std::filesystem::is_empty(box.path("tmp")));
    EXPECT_TRUE(std::filesystem::is_fifo(box.path(kOutputFile)));
  }
#endif
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, WaitingApb,
                         testing::ValuesIn(bothPrograms()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
