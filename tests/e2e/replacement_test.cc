// How "APB" is replaced: whole, or not at all. A write that fails, a signal
// or a lack of memory leaves the old "APB" byte for byte and no temporary
// file; links, permissions and other kinds of "APB" are kept as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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
#include <thread>
#endif

#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

// The names in the sandbox, sorted.
std::vector<std::string> namesIn(const Sandbox& box) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(box.dir())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

class Replacement : public testing::TestWithParam<Program> {};

TEST_P(Replacement, KeepsTheOldApbWhenWritingFails) {
#ifdef _WIN32
  GTEST_SKIP() << "a file size limit is a POSIX resource limit";
#else
  const Program& program = GetParam();
  Sandbox box;
  const std::vector<std::string> args = copySample(box, program);
  box.write(kOutputFile, kOldApb);
  RunOptions options;
  options.fileSizeLimit = 200;  // the new "APB" needs more

  const RunResult run = runIn(box.dir(), program.exe, args, options);

  EXPECT_EQ(run.console, program.banner + std::string(kWriteFailed));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(box.read(kOutputFile), kOldApb);
  std::vector<std::string> names = args;
  names.emplace_back(kOutputFile);
  EXPECT_EQ(namesIn(box), sorted(names)) << "a temporary file was left";
  EXPECT_NE(run.errors.find(": cannot write \"APB\": "), std::string::npos)
      << run.errors;
#endif
}

// A full disk: a 4 MB file system of its own, in a mount namespace of the
// test's own so that nothing shows outside it, holding a good old "APB".
TEST_P(Replacement, KeepsTheOldApbOnAFullDisk) {
#ifdef _WIN32
  GTEST_SKIP() << "mount namespaces are Linux's";
#else
  if (std::system("unshare --mount --propagation private true "
                  ">/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no mount namespace may be made here";
  }
  const Program& program = GetParam();
  Sandbox box;
  // Input enough for an "APB" larger than the disk.
  const std::string big = repeatedSample(program, size_t{40} << 20);
  box.write("input", big);
  box.write("old", kOldApb);
  std::filesystem::create_directory(box.path("disk"));
  const std::string script =
      "cd '" + box.dir().string() +
      "' && mount -t tmpfs -o size=4m tmpfs disk && cp old disk/APB && "
      "(cd disk && '" +
      program.exe +
      "' ../input </dev/null >../console 2>/dev/null; echo \\$? >../code; "
      "ls -a >../names; cp APB ../after)";
  ASSERT_EQ(std::system(("unshare --mount --propagation private sh -c \"" +
                         script + "\"")
                            .c_str()),
            0);
  EXPECT_EQ(box.read("console"), program.banner + std::string(kWriteFailed));
  EXPECT_EQ(box.read("code"), "1\n");
  EXPECT_EQ(box.read("after"), kOldApb);
  EXPECT_EQ(box.read("names"), ".\n..\nAPB\n") << "a temporary file was left";
#endif
}

TEST_P(Replacement, KeepsWhatApbIs) {
#ifdef _WIN32
  GTEST_SKIP() << "links and permission bits are tested on POSIX only";
#else
  const Program& program = GetParam();
  struct Case {
    const char* what;
    void (*prepare)(const Sandbox& box);
    void (*check)(const Sandbox& box, const std::string& apb);
    const char* creates = nullptr;  // the one name a run adds, if any
  };
  const Case cases[] = {
      {"a link to a file: the file is replaced, the link stays",
       [](const Sandbox& box) {
         box.write("target", kOldApb);
         std::filesystem::create_symlink("target", box.path(kOutputFile));
       },
       [](const Sandbox& box, const std::string& apb) {
         EXPECT_TRUE(std::filesystem::is_symlink(box.path(kOutputFile)));
         EXPECT_EQ(box.read("target"), apb);
       }},
      {"a link that leads nowhere: the file it names is made",
       [](const Sandbox& box) {
         std::filesystem::create_symlink("made", box.path(kOutputFile));
       },
       [](const Sandbox& box, const std::string& apb) {
         EXPECT_TRUE(std::filesystem::is_symlink(box.path(kOutputFile)));
         EXPECT_EQ(box.read("made"), apb);
       },
       "made"},
      {"a hard link: APB is new, the other name keeps the old bytes",
       [](const Sandbox& box) {
         box.write(kOutputFile, kOldApb);
         std::filesystem::create_hard_link(box.path(kOutputFile),
                                           box.path("other"));
       },
       [](const Sandbox& box, const std::string& apb) {
         EXPECT_EQ(box.read(kOutputFile), apb);
         EXPECT_EQ(box.read("other"), kOldApb);
       }},
      {"permission bits are kept",
       [](const Sandbox& box) {
         box.write(kOutputFile, kOldApb);
         chmod(box.path(kOutputFile).c_str(), 0640);
       },
       [](const Sandbox& box, const std::string& apb) {
         EXPECT_EQ(box.read(kOutputFile), apb);
         struct stat status {};
         ASSERT_EQ(stat(box.path(kOutputFile).c_str(), &status), 0);
         EXPECT_EQ(status.st_mode & 07777, 0640u);
       }},
      {"a link to /dev/null is written, never renamed over",
       [](const Sandbox& box) {
         std::filesystem::create_symlink("/dev/null", box.path(kOutputFile));
       },
       [](const Sandbox& box, const std::string&) {
         EXPECT_TRUE(std::filesystem::is_symlink(box.path(kOutputFile)));
         EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Sandbox box;
    const std::vector<std::string> args = copySample(box, program);
    c.prepare(box);
    const std::vector<std::string> before = namesIn(box);

    const RunResult run = runIn(box.dir(), program.exe, args);

    EXPECT_EQ(run.console, program.banner + std::string(kDone));
    EXPECT_EQ(run.exitCode, 0);
    c.check(box, sampleApb(program));
    std::vector<std::string> after = before;
    if (c.creates != nullptr) after.emplace_back(c.creates);
    EXPECT_EQ(namesIn(box), sorted(after)) << "a temporary file was left";
  }
#endif
}

// Permissions that forbid a replacement, as a user who is not root meets
// them: a read-only "APB" stays as it is; an "APB" that takes writing in a
// directory that takes no new file is written in place, and the run says
// so.
TEST_P(Replacement, RespectsPermissions) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX permission bits";
#else
  const Program& program = GetParam();
  RunOptions options;
  // Root may write anything: run as nobody, who may not, where nobody may
  // start the program at all (every folder above it must let others in).
  if (geteuid() == 0) {
    options.user = 65534;
    Sandbox box;
    if (runIn(box.dir(), program.exe, {"--version"}, options).exitCode != 0) {
      GTEST_SKIP() << "the program cannot be started as user 65534 from here";
    }
  }
  struct Case {
    const char* what;
    mode_t dirMode;
    mode_t apbMode;
    bool written;
  };
  const Case cases[] = {
      {"a read-only APB", 0777, 0444, false},
      {"a directory that takes no new file", 0555, 0666, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Sandbox box;
    const std::vector<std::string> args = copySample(box, program);
    box.write(kOutputFile, kOldApb);
    chmod(box.path(kOutputFile).c_str(), c.apbMode);
    chmod(box.dir().c_str(), c.dirMode);

    const RunResult run = runIn(box.dir(), program.exe, args, options);

    chmod(box.dir().c_str(), 0700);
    EXPECT_EQ(box.read(kOutputFile),
              c.written ? sampleApb(program) : std::string(kOldApb));
    if (c.written) {
      EXPECT_EQ(run.exitCode, 0);
      EXPECT_NE(run.errors.find("\"APB\" written in place, not replaced: "),
                std::string::npos)
          << run.errors;
    } else {
      EXPECT_EQ(run.console, program.banner + std::string(kOutputNotOpen));
      EXPECT_EQ(run.exitCode, 1);
    }
  }
#endif
}

#ifndef _WIN32

// True while the sandbox holds a temporary "APB".
bool writingApb(const Sandbox& box) {
  for (const std::string& name : namesIn(box)) {
    if (name.starts_with("APB.") && name.ends_with(".tmp")) return true;
  }
  return false;
}

#endif

// Caught while "APB" is being written, a program removes its temporary
// file, says so, and ends by the signal; the old "APB" stays.
TEST_P(Replacement, LeavesTheOldApbWhenInterrupted) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals";
#else
  const Program& program = GetParam();
  // A sample written many times over, so that writing takes a while.
  const std::string big = repeatedSample(program, size_t{12} << 20);
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(strsignal(signal));
    bool caught = false;
    for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
      Sandbox box;
      box.write("input", big);
      box.write(kOutputFile, kOldApb);
      const pid_t pid = startIn(box, program.exe, {"input"});
      ASSERT_GT(pid, 0);
      const auto deadline =
          std::chrono::steady_clock::now() + std::chrono::seconds(60);
      int status = 0;
      while (waitpid(pid, &status, WNOHANG) == 0) {
        if (writingApb(box)) {
          kill(pid, SIGSTOP);
          caught = writingApb(box);
          kill(pid, signal);
          kill(pid, SIGCONT);
          waitpid(pid, &status, 0);
          break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
          kill(pid, SIGKILL);
          waitpid(pid, &status, 0);
          FAIL() << "the program did not end";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      const std::string said = takeErrors(box);
      if (!caught) continue;
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
      EXPECT_EQ(box.read(kOutputFile), kOldApb);
      EXPECT_EQ(namesIn(box), sorted({"input", std::string(kOutputFile)}));
      EXPECT_TRUE(said.ends_with(program.name +
                                 ": interrupted; \"APB\" left as it was\n"))
          << said;
    }
    EXPECT_TRUE(caught) << "no try caught the program writing \"APB\"";
  }
#endif
}

// An "APB" that is written where it stands (here a FIFO whose reader stops
// reading) is no longer as it was once writing began: an interrupt says so,
// and removes the file where the bytes waited.
TEST_P(Replacement, SaysAnApbWrittenInPlaceIsIncomplete) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals and FIFOs";
#else
  const Program& program = GetParam();
  const std::string big = repeatedSample(program, size_t{1} << 20);
  // In both forms; the JSON form's text made before the run, escaped.
  struct Form {
    std::vector<std::string> options;
    std::string output;
    std::string said;  // the last line of standard error
  };
  const Form forms[] = {
      {{}, "APB", program.name + ": interrupted; \"APB\" left incomplete\n"},
      {{"--diagnostics=json", "-o", "A\tPB\xE9"},
       "A\tPB\xE9",
       "{\"type\":\"interrupt\",\"program\":\"" + program.name +
           "\",\"output\":\"A\\tPB\xEF\xBF\xBD\",\"output_hex\":"
           "\"41095042e9\",\"state\":\"incomplete\",\"message\":"
           "\"interrupted; \\\"A\\tPB\xEF\xBF\xBD\\\" left incomplete\"}\n"},
  };
  for (const Form& form : forms) {
    SCOPED_TRACE(form.output);
    Sandbox box;
    box.write("input", big);
    std::filesystem::create_directory(box.path("tmp"));
    ASSERT_EQ(mkfifo(box.path(form.output).c_str(), 0600), 0);
    // Open for reading first, so that the program's open does not wait.
    const int reader =
        open(box.path(form.output).c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::vector<std::string> args = form.options;
    args.emplace_back("input");
    const pid_t pid =
        startIn(box, program.exe, args, {"TMPDIR=" + box.path("tmp").string()});
    ASSERT_GT(pid, 0);
    // The first bytes arrive, then the pipe fills and the program waits.
    char byte = 0;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (read(reader, &byte, 1) != 1 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    close(reader);
    const std::string said = takeErrors(box);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(said.ends_with(form.said)) << said;
    EXPECT_TRUE(std::filesystem::is_empty(box.path("tmp")));
  }
#endif
}

// Under an ever lower memory limit a run at last runs out of memory,
// while reading or while writing "APB": either way it says so and leaves
// the old "APB" as it was.
TEST_P(Replacement, KeepsTheOldApbWhenMemoryRunsOut) {
#ifdef E2E_SANITIZED_BUILD
  GTEST_SKIP() << "the sanitizers reserve terabytes of address space, so "
                  "a program cannot start under an address-space limit";
#endif
#ifdef E2E_SMALL_WINDOW_BUILD
  GTEST_SKIP() << "with a window of a few hundred bytes the sample converts "
                  "in less memory than the program needs to start";
#endif
  if (runningUnderWine()) {
    GTEST_SKIP() << "Wine cannot start a program under a memory limit";
  }
  const Program& program = GetParam();
  int failed = 0;
  for (uint64_t megabytes = 96; megabytes >= 4; megabytes -= 4) {
    SCOPED_TRACE(std::to_string(megabytes) + " MB");
    Sandbox box;
    const std::vector<std::string> args = copySample(box, program);
    box.write(kOutputFile, kOldApb);
    RunOptions options;
    options.memoryLimit = megabytes << 20;

    const RunResult run = runIn(box.dir(), program.exe, args, options);

    std::vector<std::string> names = args;
    names.emplace_back(kOutputFile);
    EXPECT_EQ(namesIn(box), sorted(names)) << "a temporary file was left";
    if (run.exitCode == 0) {
      EXPECT_EQ(box.read(kOutputFile), sampleApb(program));
      continue;
    }
    ++failed;
    EXPECT_EQ(run.console, program.banner + std::string(kOutOfMemory));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(box.read(kOutputFile), kOldApb);
  }
  EXPECT_GT(failed, 0) << "no limit was low enough";
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Replacement,
                         testing::ValuesIn(bothPrograms()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
