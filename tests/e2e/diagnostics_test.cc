// What the programs say on standard error: findings by file and line, the
// summary, the options, and the order of both streams where they meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

// The lines of text without those numbered in drop (from 1).
std::string withoutLines(const std::string& text, std::vector<size_t> drop) {
  std::string kept;
  size_t number = 1;
  for (size_t start = 0; start < text.size(); ++number) {
    const size_t end = std::min(text.find('\n', start), text.size() - 1);
    if (std::find(drop.begin(), drop.end(), number) == drop.end()) {
      kept += text.substr(start, end + 1 - start);
    }
    start = end + 1;
  }
  return kept;
}

// A sample with a line or two taken out, as a user's file may come: what
// standard error must then say, in order, and the exit code.
struct DiagnosticCase {
  const char* what;
  const Program& program;
  std::vector<std::string> inputs;  // each an example name
  std::vector<size_t> drop;         // lines taken out of "input"
  std::string errors;
  int exitCode;
};

TEST(Diagnostics, NameWhatABrokenSampleLeavesOut) {
  const Program& converter = converterProgram();
  const Program& trevik = trevikProgram();
  const DiagnosticCase cases[] = {
      {"an Airbus key line deleted",
       converter,
       {"input"},
       {20},
       "converter:input:4: airport LFXA left out: line 25 should be \"QFU\" "
       "but is \"Ident\"\n" +
           summary(converter, 1, 1, 2, 1),
       0},
      {"the last three End lines cut",
       converter,
       {"input"},
       {167, 168, 169},
       "converter:input:108: airport ENXB left out: line 167 should be "
       "\"End\" but is past the end of the file (166 lines)\n" +
           summary(converter, 1, 2, 3, 1),
       0},
      {"an ANF count line deleted, the file given twice around another",
       trevik,
       {"input", "south.anf", "input"},
       {14},
       "trevik:input:14: obstacle count 170 runs past the end of the file (4 "
       "lines follow)\n"
       "trevik:input:17: obstacle line should hold at least 2 words but has "
       "1; the missing ones read as 0\n" +
           summary(trevik, 5, 9, 17, 0),
       0},
  };
  for (const DiagnosticCase& c : cases) {
    SCOPED_TRACE(c.what);
    Sandbox box;
    box.write("input",
              withoutLines(exampleBytes(c.program.sample.front()), c.drop));
    for (const std::string& name : c.inputs) {
      if (name != "input") box.copyExample(name);
    }

    const RunResult run = runIn(box.dir(), c.program.exe, c.inputs);

    EXPECT_EQ(run.errors, c.errors);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.console, c.program.banner + std::string(kDone));
  }
}

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

TEST(Diagnostics, AnswerHelpAndVersionBeforeAnything) {
  for (const Program& program : bothPrograms()) {
    SCOPED_TRACE(program.name);
    const std::string version = program.name + " " PROGRAM_VERSION "\n";
    struct Case {
      std::vector<std::string> args;
      std::string console;  // or its first line, for the help text
      int exitCode;
    };
    const std::string usage = program.usage.substr(0, program.usage.find('\n'));
    const Case cases[] = {
        {{"--version"}, version, 0},
        {{"--version", "sample"}, version, 0},
        {{"--help"}, usage + "\n", 0},
        {{"-h"}, usage + "\n", 0},
        {{"--"}, program.banner + program.noArguments, 2},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.args.front());
      Sandbox box;
      const RunResult run = runIn(box.dir(), program.exe, c.args);
      if (c.args.front() == "--help" || c.args.front() == "-h") {
        EXPECT_TRUE(run.console.starts_with(c.console)) << run.console;
        EXPECT_NE(run.console.find("Exit status"), std::string::npos);
        EXPECT_EQ(run.errors, "");
      } else {
        EXPECT_EQ(run.console, c.console);
        EXPECT_EQ(run.errors, c.exitCode == 2 ? program.usage : "");
      }
      EXPECT_EQ(run.exitCode, c.exitCode);
      EXPECT_FALSE(box.isRegularFile(kOutputFile));
    }
    // After "--", a file may be called "--help".
    Sandbox box;
    box.write("--help", exampleBytes(program.sample.front()));
    const RunResult run = runIn(box.dir(), program.exe, {"--", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(box.isRegularFile(kOutputFile));
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
