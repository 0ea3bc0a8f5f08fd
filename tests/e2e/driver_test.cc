// Every outcome of a run that both programs share: console text, exit code
// and what happens to "APB", for each way a run can end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

// An "APB" from an earlier run, longer than any new one, so that a new file
// written over it without emptying it first would keep a tail of it.
std::string oldApb() {
  std::string bytes;
  for (int i = 0; i < 1000; ++i)
    bytes += "OLD LINE " + std::to_string(i) + "\r\n";
  return bytes;
}

enum class Given {
  kNothing,
  kMissingFile,
  kDirectory,
  kEmptyFile,
  kNoAirport,
  kSample
};
enum class OldApb { kNone, kFile, kDirectory };
enum class NewApb { kUntouched, kSample, kStillDirectory };

struct DriverCase {
  const char* situation;
  Given input;
  OldApb before;
  std::string (*console)(const Program&);  // text after the banner
  // Standard error, whole; or its start, where the system's reason for a
  // failure follows (its wording differs between systems).
  std::string (*errors)(const Program&);
  bool reasonFollows;
  int exitCode;
  NewApb after;
};

// Standard error for a file of that name without any airport.
std::string noAirportIn(const Program& p, const std::string& file) {
  return p.name + ":" + file + ": no airport found\n" + summary(p, 0, 0, 0, 0);
}

const DriverCase kDriverCases[] = {
    {"no argument", Given::kNothing, OldApb::kFile,
     [](const Program& p) { return p.noArguments; },
     [](const Program& p) { return p.usage; }, false, 2, NewApb::kUntouched},
    {"input does not exist", Given::kMissingFile, OldApb::kFile,
     [](const Program& p) { return p.cannotRead; },
     [](const Program& p) {
       return p.name + ": cannot open \"missing.txt\": ";
     },
     true, 1, NewApb::kUntouched},
    {"input is a directory", Given::kDirectory, OldApb::kFile,
     [](const Program& p) { return p.cannotRead; },
     [](const Program& p) { return p.name + ": cannot open \"folder\": "; },
     true, 1, NewApb::kUntouched},
    {"input is empty", Given::kEmptyFile, OldApb::kFile,
     [](const Program& p) { return p.notValid + std::string(kDone); },
     [](const Program& p) { return noAirportIn(p, "empty.txt"); }, false, 1,
     NewApb::kUntouched},
    {"input holds no airport", Given::kNoAirport, OldApb::kFile,
     [](const Program& p) { return p.notValid + std::string(kDone); },
     [](const Program& p) {
       // trevik reads "ANF is not here" as a header with nothing after it.
       return p.name == "trevik"
                  ? "trevik:notes.txt:2: airport is left out: line 4 "
                    "should be a runway line of 7 words but is past the end "
                    "of the file (3 lines)\n"
                    "trevik:notes.txt: no airport found\n" +
                        summary(p, 0, 0, 0, 1)
                  : noAirportIn(p, "notes.txt");
     },
     false, 1, NewApb::kUntouched},
    {"APB is a directory", Given::kSample, OldApb::kDirectory,
     [](const Program&) { return std::string(kOutputNotOpen); },
     [](const Program& p) {
       return p.sampleSummary + p.name + ": cannot create \"APB\": ";
     },
     true, 1, NewApb::kStillDirectory},
    {"success replaces an old APB", Given::kSample, OldApb::kFile,
     [](const Program&) { return std::string(kDone); },
     [](const Program& p) { return p.sampleSummary; }, false, 0,
     NewApb::kSample},
    {"success creates APB", Given::kSample, OldApb::kNone,
     [](const Program&) { return std::string(kDone); },
     [](const Program& p) { return p.sampleSummary; }, false, 0,
     NewApb::kSample},
};

// Puts the input of a case into the sandbox; returns the arguments.
std::vector<std::string> prepareInput(const Sandbox& box,
                                      const Program& program, Given input) {
  switch (input) {
    case Given::kNothing:
      return {};
    case Given::kMissingFile:
      return {"missing.txt"};
    case Given::kDirectory:
      std::filesystem::create_directory(box.path("folder"));
      return {"folder"};
    case Given::kEmptyFile:
      box.write("empty.txt", "");
      return {"empty.txt"};
    case Given::kNoAirport:
      box.write("notes.txt", "Remarks=none;\r\nANF is not here\r\nEnd;\r\n");
      return {"notes.txt"};
    case Given::kSample:
      for (const std::string& name : program.sample) box.copyExample(name);
      return program.sample;
  }
  return {};
}

class DriverRun : public testing::TestWithParam<Program> {};

TEST_P(DriverRun, EndsEachSituationAsDocumented) {
  const Program& program = GetParam();
  for (const DriverCase& c : kDriverCases) {
    SCOPED_TRACE(c.situation);
    Sandbox box;
    const std::vector<std::string> args = prepareInput(box, program, c.input);
    if (c.before == OldApb::kFile) box.write(kOutputFile, oldApb());
    if (c.before == OldApb::kDirectory) {
      std::filesystem::create_directory(box.path(kOutputFile));
    }

    const RunResult run = runIn(box.dir(), program.exe, args);

    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.console, program.banner + c.console(program));
    if (c.reasonFollows) {
      // The start, then the reason and a line feed.
      const std::string start = c.errors(program);
      EXPECT_TRUE(run.errors.starts_with(start)) << run.errors;
      EXPECT_GT(run.errors.size(), start.size() + 1);
      EXPECT_EQ(run.errors.find('\n', start.size()), run.errors.size() - 1)
          << run.errors;
    } else {
      EXPECT_EQ(run.errors, c.errors(program));
    }
    EXPECT_EQ(run.exitCode, c.exitCode);
    switch (c.after) {
      case NewApb::kUntouched:
        EXPECT_EQ(box.read(kOutputFile), oldApb());
        break;
      case NewApb::kSample:
        EXPECT_EQ(box.read(kOutputFile), sampleApb(program));
        break;
      case NewApb::kStillDirectory:
        EXPECT_TRUE(std::filesystem::is_directory(box.path(kOutputFile)));
        EXPECT_TRUE(std::filesystem::is_empty(box.path(kOutputFile)));
        break;
    }
  }
}

// A run must never wait for a key unless a person sits at a terminal: each
// of these would hang until the timeout if the program read standard input.
TEST_P(DriverRun, NeverWaitsWithoutATerminal) {
  const Program& program = GetParam();
  struct InputCase {
    const char* name;
    Input input;
  };
  std::vector<InputCase> inputs = {{"null device", Input::kNullDevice},
                                   {"empty pipe", Input::kEmptyPipe},
                                   {"file", Input::kFile}};
#ifndef _WIN32
  inputs.push_back({"closed", Input::kClosed});
#endif
  for (const InputCase& in : inputs) {
    for (const bool valid : {true, false}) {
      SCOPED_TRACE(std::string(in.name) + (valid ? ", valid" : ", not valid"));
      Sandbox box;
      box.write("keys.txt", "y\r\n \r\nq");
      const std::vector<std::string> args = prepareInput(
          box, program, valid ? Given::kSample : Given::kNoAirport);
      RunOptions options;
      options.input = in.input;
      options.inputFile = "keys.txt";
      options.timeout = std::chrono::seconds(20);

      const RunResult run = runIn(box.dir(), program.exe, args, options);

      ASSERT_FALSE(run.timedOut) << "waited for a key";
      EXPECT_EQ(run.console, program.banner + (valid ? "" : program.notValid) +
                                 std::string(kDone));
      EXPECT_EQ(run.exitCode, valid ? 0 : 1);
    }
  }
}

// Input paths are taken exactly as given, blanks and non-ASCII letters too.
TEST_P(DriverRun, OpensInputNamesWithBlanksAndAccents) {
  const Program& program = GetParam();
  Sandbox box;
  std::vector<std::string> args;
  for (const std::string& name : program.sample) {
    const std::string renamed = "my \xC3\xA9t\xC3\xA9 " + name;  // "my été "
    box.write(renamed, exampleBytes(name));
    args.push_back(renamed);
  }

  const RunResult run = runIn(box.dir(), program.exe, args);

  EXPECT_EQ(run.console, program.banner + std::string(kDone));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(box.read(kOutputFile), sampleApb(program));
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, DriverRun,
                         testing::ValuesIn(bothPrograms()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
