// What the programs say where tests/cases cannot show it: the order of both
// streams where they meet, the version, a standard output that is gone.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

// Standard output is passed on before each line of standard error, so a
// log that takes both shows them in the order they happened.
TEST(Diagnostics, FollowStandardOutputInOrder) {
  for (const Program& program : bothPrograms()) {
    SCOPED_TRACE(program.name);
    Sandbox box;
    box.write("empty", "");
    RunOptions options;
    options.mergeErrors = true;

    const RunResult run = runIn(box.dir(), program.exe, {"empty"}, options);

    EXPECT_EQ(run.console, program.banner + program.name +
                               ":empty: no airport found\n" +
                               summary(program, 0, 0, 0, 0) + program.notValid +
                               std::string(kDone));
    EXPECT_EQ(run.exitCode, 1);
  }
}

// The version comes from the build and the help's last lines differ by
// platform, so these stay out of tests/cases.
TEST(Diagnostics, AnswerHelpAndVersionBeforeAnything) {
  for (const Program& program : bothPrograms()) {
    const std::string usage = program.usage.substr(0, program.usage.find('\n'));
    const std::vector<std::string> cases[] = {
        {"--version"}, {"--version", "sample"}, {"--help"}, {"-h"}};
    for (const std::vector<std::string>& args : cases) {
      SCOPED_TRACE(program.name + " " + args.back());
      Sandbox box;
      const RunResult run = runIn(box.dir(), program.exe, args);
      if (args.front() == "--version") {
        EXPECT_EQ(run.console, program.name + " " PROGRAM_VERSION "\n");
      } else {
        EXPECT_TRUE(run.console.starts_with(usage + "\n")) << run.console;
      }
      EXPECT_EQ(run.errors, "");
      EXPECT_EQ(run.exitCode, 0);
      EXPECT_FALSE(box.isRegularFile(kOutputFile));
    }
  }
}

#ifndef _WIN32
// Help and version are all such a run gives: when standard output cannot take
// them, the run says so and fails, as the system's own tools do.
TEST(Diagnostics, SayWhenHelpOrVersionIsLost) {
  for (const Program& program : bothPrograms()) {
    for (const char* option : {"--help", "--version"}) {
      SCOPED_TRACE(program.name + " " + option);
      Sandbox box;
      RunOptions options;
      options.output = Output::kBrokenPipe;

      const RunResult run = runIn(box.dir(), program.exe, {option}, options);

      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(run.errors,
                program.name + ": write error: " +
                    std::error_code(EPIPE, std::generic_category()).message() +
                    "\n");
    }
  }
}
#endif

}  // namespace
}  // namespace e2e
