// Every case of tests/cases, run by its program in a sandbox: exit code,
// standard output, standard error and the output file, byte for byte; no
// other file made.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "tests/e2e/cases_support.h"
#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

std::set<std::string> filesIn(const Sandbox& box) {
  std::set<std::string> names;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(box.dir())) {
    names.insert(entry.path().lexically_relative(box.dir()).generic_string());
  }
  return names;
}

class Cases : public testing::TestWithParam<std::string> {};

TEST_P(Cases, GiveWhatTheCaseExpects) {
  const Case c = readCase(CASES_DIR, GetParam(), EXAMPLES_DIR);
  SCOPED_TRACE(c.about);
#ifdef _WIN32
  if (c.posixOnly) {
    GTEST_SKIP() << "posix-only: a name or message Windows cannot give";
  }
#endif
  Sandbox box;
  box.write(kOutputFile, kOldApb);
  for (const std::string& dir : c.dirs) {
    std::filesystem::create_directory(box.path(dir));
  }
  for (const auto& [name, bytes] : c.files) box.write(name, bytes);
  const std::set<std::string> before = filesIn(box);
  const bool outputWasThere = box.isRegularFile(c.output);
  const std::string outputBefore = box.read(c.output);
  RunOptions options;
  if (c.input) {
    options.input = Input::kPipe;
    options.inputBytes = *c.input;
  }
  const Program& program =
      c.program == "converter" ? converterProgram() : trevikProgram();

  const RunResult run = runIn(box.dir(), program.exe, c.args, options);

  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, c.exitCode);
  EXPECT_EQ(run.console, c.console);
  EXPECT_EQ(run.errors, c.errors);
  EXPECT_EQ(box.isRegularFile(c.output), outputWasThere || c.apb);
  EXPECT_EQ(box.read(c.output), c.apb.value_or(outputBefore));
  if (c.output != kOutputFile) {
    EXPECT_EQ(box.read(kOutputFile), kOldApb);
  }
  std::set<std::string> expected = before;
  if (c.apb) expected.insert(c.output);
  EXPECT_EQ(filesIn(box), expected) << "no file is made but the output";
}

// Test names allow letters, digits and underscores only.
std::string testName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name) {
    if (c == '-') c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(All, Cases, testing::ValuesIn(caseNames(CASES_DIR)),
                         testName);

}  // namespace
}  // namespace e2e
