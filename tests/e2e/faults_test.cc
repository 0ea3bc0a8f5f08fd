// Faults around a run: a full disk under "APB", a console that is closed or
// gone, and running out of memory. None may crash a program, hang it, or
// let it report a broken "APB" as done.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

class FaultRun : public testing::TestWithParam<Program> {};

TEST_P(FaultRun, ReportsAFullDiskInsteadOfDone) {
#ifdef _WIN32
  GTEST_SKIP() << "needs /dev/full, which Windows does not have";
#else
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full";
  const Program& program = GetParam();
  Sandbox box;
  const std::vector<std::string> args = copySample(box, program);
  std::filesystem::create_symlink("/dev/full", box.path(kOutputFile));

  const RunResult run = runIn(box.dir(), program.exe, args);

  EXPECT_EQ(run.console, program.banner + std::string(kWriteFailed));
  EXPECT_EQ(run.exitCode, 1);
#endif
}

// A symbolic link named "APB" is followed, as open would follow it: the
// file it leads to is replaced and the link stays a link.
TEST_P(FaultRun, WritesThroughASymlinkNamedApb) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need extra rights on Windows";
#else
  const Program& program = GetParam();
  Sandbox box;
  const std::vector<std::string> args = copySample(box, program);
  box.write("target", kOldApb);
  std::filesystem::create_symlink("target", box.path(kOutputFile));

  const RunResult run = runIn(box.dir(), program.exe, args);

  EXPECT_EQ(run.console, program.banner + std::string(kDone));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(box.path(kOutputFile)));
  EXPECT_EQ(box.read("target"), sampleApb(program));
#endif
}

// The console only reports status: without one, every run must still do its
// job, leave "APB" whole and end with the exit code it has with a console.
TEST_P(FaultRun, WorksWithoutAConsole) {
#ifdef _WIN32
  GTEST_SKIP() << "closed handles and broken pipes are tested on POSIX only";
#else
  const Program& program = GetParam();
  enum class Apb { kOld, kSample, kDirectory, kFull };
  struct Case {
    const char* situation;
    bool sample;  // else the input does not exist
    Apb before;
    int exitCode;
    Apb after;
  };
  const Case kCases[] = {
      {"success", true, Apb::kOld, 0, Apb::kSample},
      {"input does not exist", false, Apb::kOld, 1, Apb::kOld},
      {"APB is a directory", true, Apb::kDirectory, 1, Apb::kDirectory},
      {"disk full", true, Apb::kFull, 1, Apb::kFull},
  };
  // Standard output, standard error, or both, each closed or a broken pipe.
  struct Handles {
    const char* name;
    Output output;
    Output errors;
  };
  const Handles kHandles[] = {
      {"output closed", Output::kClosed, Output::kCaptured},
      {"output a broken pipe", Output::kBrokenPipe, Output::kCaptured},
      {"errors closed", Output::kCaptured, Output::kClosed},
      {"errors a broken pipe", Output::kCaptured, Output::kBrokenPipe},
      {"both broken pipes", Output::kBrokenPipe, Output::kBrokenPipe},
  };
  for (const Handles& handles : kHandles) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(handles.name) + ": " + c.situation);
      Sandbox box;
      const std::vector<std::string> args =
          c.sample ? copySample(box, program)
                   : std::vector<std::string>{"missing"};
      if (c.before == Apb::kOld) box.write(kOutputFile, kOldApb);
      if (c.before == Apb::kDirectory) {
        std::filesystem::create_directory(box.path(kOutputFile));
      }
      if (c.before == Apb::kFull) {
        std::filesystem::create_symlink("/dev/full", box.path(kOutputFile));
      }
      RunOptions options;
      options.output = handles.output;
      options.errors = handles.errors;

      const RunResult run = runIn(box.dir(), program.exe, args, options);

      EXPECT_EQ(run.exitCode, c.exitCode);
      if (c.after == Apb::kOld) {
        EXPECT_EQ(box.read(kOutputFile), kOldApb);
      }
      if (c.after == Apb::kSample) {
        EXPECT_EQ(box.read(kOutputFile), sampleApb(program));
      }
      if (c.after == Apb::kDirectory) {
        EXPECT_TRUE(std::filesystem::is_empty(box.path(kOutputFile)));
      }
    }
  }
#endif
}

// An input is read through a window, so a file far larger than the memory
// the program may use converts; a line too long for that memory must end the
// run with a message, not a crash, and leave "APB" as it was.
TEST_P(FaultRun, ReportsRunningOutOfMemory) {
#ifdef E2E_SANITIZED_BUILD
  GTEST_SKIP() << "the sanitizers reserve terabytes of address space, so "
                  "a program cannot start under an address-space limit";
#endif
  if (runningUnderWine()) {
    GTEST_SKIP() << "Wine cannot start a program under a memory limit";
  }
  const Program& program = GetParam();
  constexpr uint64_t kLimit = uint64_t{128} << 20;
  enum class Given { kSample, kHugeFile, kManyRows, kHugeLine };
  struct Case {
    const char* name;
    Given input;
  };
  const Case kCases[] = {
      {"the sample fits in the limit", Given::kSample},
      {"a file of 1 GiB fits too (it holds no airport)", Given::kHugeFile},
      {"so do 64 Mi empty lines", Given::kManyRows},
      {"one line of 256 MiB does not", Given::kHugeLine},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Sandbox box;
    std::vector<std::string> args;
    switch (c.input) {
      case Given::kSample:
        args = copySample(box, program);
        break;
      case Given::kHugeFile:  // sparse where the file system allows
        box.write("huge", "");
        std::filesystem::resize_file(box.path("huge"), uint64_t{1} << 30);
        args = {"huge"};
        break;
      case Given::kManyRows:
        box.write("lines", std::string(size_t{64} << 20, '\n'));
        args = {"lines"};
        break;
      case Given::kHugeLine:
        box.write("line", std::string(size_t{256} << 20, 'x'));
        args = {"line"};
        break;
    }
    box.write(kOutputFile, kOldApb);
    RunOptions options;
    options.memoryLimit = kLimit;

    const RunResult run = runIn(box.dir(), program.exe, args, options);

    if (c.input == Given::kSample) {
      EXPECT_EQ(run.console, program.banner + std::string(kDone));
      EXPECT_EQ(run.exitCode, 0);
      EXPECT_EQ(box.read(kOutputFile), sampleApb(program));
    } else if (c.input != Given::kHugeLine) {
      EXPECT_EQ(run.console,
                program.banner + program.notValid + std::string(kDone));
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(box.read(kOutputFile), kOldApb);
    } else {
      EXPECT_EQ(run.console, program.banner + std::string(kOutOfMemory));
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(box.read(kOutputFile), kOldApb);
      // The JSON form says it on standard error as well, outcome last.
      args.insert(args.begin(), "--diagnostics=json");
      const RunResult json = runIn(box.dir(), program.exe, args, options);
      EXPECT_EQ(json.console, run.console);
      EXPECT_EQ(json.exitCode, 1);
      EXPECT_EQ(json.errors,
                "{\"type\":\"error\",\"program\":\"" + program.name +
                    "\",\"error\":\"out-of-memory\",\"message\":\"out of "
                    "memory\"}\n{\"type\":\"outcome\",\"program\":\"" +
                    program.name +
                    "\",\"outcome\":\"failed\",\"reason\":\"memory\","
                    "\"exit_code\":1}\n");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, FaultRun,
                         testing::ValuesIn(bothPrograms()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
