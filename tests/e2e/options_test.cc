// The options scripts use: -o for the output, --check to read only,
// --strict to fail on anything said, "-" for standard input, and what a
// wrong command line gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

// What standard output holds.
enum class Console { kNothing, kBanner, kDone, kNotOpen };

struct OptionCase {
  const char* name;
  // "SAMPLE" stands for the program's sample files, "BROKEN" for a file
  // with one finding, "MANY" for BROKEN 60 times over.
  std::vector<std::string> args;
  int exitCode;
  Console console;
  // Standard error after the lines of the input's reading; "PROGRAM"
  // stands for the program's name.
  std::string errorsEnd;
  std::string written = {};  // the file that gets the sample's "APB", if any
};

// The sandbox of every case: the samples, BROKEN, an old "APB", a folder.
void prepare(const Sandbox& box, const Program& program) {
  copySample(box, program);
  box.write("broken", program.name == "converter"
                          ? [] {
                              std::string bytes =
                                  exampleBytes("airports.airbus.txt");
                              bytes.replace(bytes.find("TORA=4200;"), 10,
                                            "TORA=4200m;");
                              return bytes;
                            }()
                          : std::string("ANF EXMP EXAMPLE\n120.5\n"
                                        "09 2500 2800 2600 2400 0.4 50\n0\n"
                                        "27 2500 2500 2500 2300 -0.4\n0\n"));
  std::string many;
  for (int k = 0; k < 60; ++k) many += box.read("broken");
  box.write("many", many);
  box.write(kOutputFile, kOldApb);
  std::filesystem::create_directory(box.path("out"));
}

std::vector<std::string> expand(const std::vector<std::string>& args,
                                const Program& program) {
  std::vector<std::string> out;
  for (const std::string& arg : args) {
    if (arg == "SAMPLE") {
      out.insert(out.end(), program.sample.begin(), program.sample.end());
    } else {
      out.push_back(arg == "BROKEN" ? "broken" : arg == "MANY" ? "many" : arg);
    }
  }
  return out;
}

std::string named(std::string text, const Program& program) {
  for (size_t at; (at = text.find("PROGRAM")) != std::string::npos;) {
    text.replace(at, 7, program.name);
  }
  return text;
}

std::set<std::string> filesIn(const Sandbox& box) {
  std::set<std::string> names;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(box.dir())) {
    names.insert(entry.path().lexically_relative(box.dir()).generic_string());
  }
  return names;
}

std::string consoleOf(Console console, const Program& program) {
  switch (console) {
    case Console::kNothing:
      return "";
    case Console::kBanner:
      return program.banner;
    case Console::kDone:
      return program.banner + std::string(kDone);
    case Console::kNotOpen:
      return program.banner + std::string(kOutputNotOpen);
  }
  return "";
}

const std::string kTry = "Try 'PROGRAM --help'.\n";

const OptionCase kCases[] = {
    {"-o FILE",
     {"-o", "out/result", "SAMPLE"},
     0,
     Console::kDone,
     "",
     "out/result"},
    {"-oFILE", {"-oout/result", "SAMPLE"}, 0, Console::kDone, "", "out/result"},
    {"--output FILE after the inputs",
     {"SAMPLE", "--output", "out/result"},
     0,
     Console::kDone,
     "",
     "out/result"},
    {"--output=FILE",
     {"--output=out/result", "SAMPLE"},
     0,
     Console::kDone,
     "",
     "out/result"},
    {"the last -o wins",
     {"-o", "first", "SAMPLE", "-o", "out/result"},
     0,
     Console::kDone,
     "",
     "out/result"},
    {"-o onto a folder",
     {"-o", "out", "SAMPLE"},
     1,
     Console::kNotOpen,
     // The system's reason follows.
     "PROGRAM: cannot create \"out\": "},
    {"--check", {"--check", "SAMPLE"}, 0, Console::kNothing, ""},
    {"--check ignores -o",
     {"--check", "-o", "out/result", "SAMPLE"},
     0,
     Console::kNothing,
     ""},
    {"--check with a finding", {"--check", "BROKEN"}, 1, Console::kNothing, ""},
    {"--strict without findings",
     {"--strict", "SAMPLE"},
     0,
     Console::kDone,
     "",
     "APB"},
    {"--strict with a finding",
     {"--strict", "BROKEN"},
     1,
     Console::kBanner,
     "PROGRAM: --strict: 1 finding; \"APB\" left as it was\n"},
    {"--strict counts the findings not shown",
     {"--strict", "MANY"},
     1,
     Console::kBanner,
     "PROGRAM: --strict: 60 findings; \"APB\" left as it was\n"},
    {"--strict names the output",
     {"--strict", "--output=out/result", "BROKEN"},
     1,
     Console::kBanner,
     "PROGRAM: --strict: 1 finding; \"out/result\" left as it was\n"},
    {"an unknown short option",
     {"SAMPLE", "-v"},
     2,
     Console::kNothing,
     "PROGRAM: unknown option '-v'\n" + kTry},
    {"an unknown long option",
     {"--verbose", "SAMPLE"},
     2,
     Console::kNothing,
     "PROGRAM: unknown option '--verbose'\n" + kTry},
    {"an argument to a flag",
     {"--check=x", "SAMPLE"},
     2,
     Console::kNothing,
     "PROGRAM: option '--check' takes no argument\n" + kTry},
    {"-o without a file",
     {"SAMPLE", "-o"},
     2,
     Console::kNothing,
     "PROGRAM: option '-o' needs a file name\n" + kTry},
    {"--output= without a file",
     {"--output=", "SAMPLE"},
     2,
     Console::kNothing,
     "PROGRAM: option '--output' needs a file name\n" + kTry},
    {"-o onto standard output",
     {"-o", "-", "SAMPLE"},
     2,
     Console::kNothing,
     "PROGRAM: option '-o' cannot write to standard output ('-'); name a "
     "file\n" +
         kTry},
    {"standard input twice",
     {"-", "-"},
     2,
     Console::kNothing,
     "PROGRAM: '-' (standard input) may be given only once\n" + kTry},
};

class Options : public testing::TestWithParam<Program> {};

TEST_P(Options, DoWhatTheHelpSays) {
  const Program& program = GetParam();
  for (const OptionCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Sandbox box;
    prepare(box, program);
    const std::set<std::string> before = filesIn(box);

    const RunResult run =
        runIn(box.dir(), program.exe, expand(c.args, program));

    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.console, consoleOf(c.console, program));
    const std::string end = named(c.errorsEnd, program);
    if (c.console == Console::kNotOpen) {
      EXPECT_NE(run.errors.find(program.sampleSummary + end), std::string::npos)
          << run.errors;
    } else if (c.exitCode == 2) {
      EXPECT_EQ(run.errors, end);
    } else if (std::count(c.args.begin(), c.args.end(), "SAMPLE") != 0) {
      EXPECT_EQ(run.errors, program.sampleSummary + end);
    } else {
      EXPECT_TRUE(run.errors.ends_with(end)) << run.errors;
    }
    if (!c.written.empty()) {
      EXPECT_EQ(box.read(c.written), sampleApb(program));
    }
    if (c.written != "APB") {
      EXPECT_EQ(box.read(kOutputFile), kOldApb);
    }
    // Nothing else is made: no temporary file, no file of an earlier -o.
    std::set<std::string> after = filesIn(box);
    if (!before.contains(c.written)) after.erase(c.written);
    EXPECT_EQ(after, before);
  }
}

// "-" reads standard input, wherever it stands and named "-" in findings,
// and the output may be one of the inputs.
TEST_P(Options, ReadStandardInputAndWriteOverAnInput) {
  const Program& program = GetParam();
  Sandbox box;
  prepare(box, program);
  RunOptions options;
  options.input = Input::kPipe;
  options.inputBytes = box.read("broken");
  std::vector<std::string> args = {"-"};
  if (program.name == "trevik") args = {"north.anf", "-", "south.anf"};

  RunResult run = runIn(box.dir(), program.exe, args, options);

  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.errors.starts_with(program.name + ":-:")) << run.errors;
  EXPECT_NE(box.read(kOutputFile), kOldApb);

  const std::string input = program.sample.front();
  run = runIn(box.dir(), program.exe, {"-o", input, input});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(box.read(input).starts_with(
      program.name == "trevik" ? "AIRPORT1" : "AIRPORT2"));
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Options,
                         testing::ValuesIn(bothPrograms()));

}  // namespace
}  // namespace e2e
