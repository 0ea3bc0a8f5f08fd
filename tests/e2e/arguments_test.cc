// How each program treats its list of input paths: converter converts the
// first and ignores the rest, saying so; trevik loads every one in order and
// stops at the first that cannot be opened, before touching "APB".
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tests/e2e/process_support.h"
#include "tests/e2e/programs_support.h"
#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

struct ArgumentsCase {
  const char* name;
  std::vector<std::string> args;
  std::string console;  // after the banner
  // Test data files that, joined, are the new "APB"; none: left untouched
  // (and the run fails).
  std::vector<std::string> apb;
  std::string errors = {};  // standard error, where the case is about it
};

// Every kind of path the cases name: the examples, an empty file, a file
// without airports, a directory, and "trap", which hangs any program that
// opens it.
void prepare(const Sandbox& box) {
  for (const char* name : {"airports.airbus.txt", "north.anf", "south.anf"}) {
    box.copyExample(name);
  }
  box.write("empty", "");
  box.write("notes", "no airport\r\nin this file\r\n");
  std::filesystem::create_directory(box.path("folder"));
  box.makeTrap("trap");
  box.write(kOutputFile, kOldApb);
}

// How the system words the reason a missing file cannot be opened, with
// the line feed that ends the diagnostic.
std::string missingReason() {
  return std::error_code(ENOENT, std::generic_category()).message() + "\n";
}

void runCases(const Program& program, const std::vector<ArgumentsCase>& cases) {
  for (const ArgumentsCase& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox box;
    prepare(box);
    RunOptions options;
    options.timeout = std::chrono::seconds(20);

    const RunResult run = runIn(box.dir(), program.exe, c.args, options);

    ASSERT_FALSE(run.timedOut) << "opened a path it must not open";
    EXPECT_EQ(run.console, program.banner + c.console);
    EXPECT_EQ(run.exitCode, c.apb.empty() ? 1 : 0);
    if (!c.errors.empty()) {
      EXPECT_EQ(run.errors, c.errors);
    }
    std::string apb;
    for (const std::string& part : c.apb) apb += dataBytes(part);
    EXPECT_EQ(box.read(kOutputFile), c.apb.empty() ? kOldApb : apb);
  }
}

TEST(ConverterArguments, ConvertsOnlyTheFirstPath) {
  const Program& converter = converterProgram();
  const std::string done(kDone);
  const std::string airbus = "airports.airbus.txt";
  const std::string out = "airports.airbus.apb";
  runCases(
      converter,
      {{"a trap after the input", {airbus, "trap"}, done, {out}},
       {"a missing path and a trap after the input",
        {airbus, "missing", "trap"},
        done,
        {out}},
       {"a directory after the input",
        {airbus, "folder"},
        done,
        {out},
        // Said before the rest.
        "converter: only the first file is read; 1 more argument ignored\n" +
            converter.sampleSummary},
       {"the same path twice gives its airports once",
        {airbus, airbus},
        done,
        {out}},
       {"a missing first path", {"missing", airbus}, converter.cannotRead, {}},
       {"an empty first path",
        {"empty", airbus},
        converter.notValid + done,
        {}}});
}

TEST(TrevikArguments, ReadsEveryPathInOrder) {
  const Program& trevik = trevikProgram();
  const std::string done(kDone);
  runCases(trevik, {{"two files in order",
                     {"north.anf", "south.anf"},
                     done,
                     {"north.apb", "south.apb"}},
                    {"two files in reverse order",
                     {"south.anf", "north.anf"},
                     done,
                     {"south.apb", "north.apb"}},
                    {"the same path twice",
                     {"north.anf", "north.anf"},
                     done,
                     {"north.apb", "north.apb"}},
                    {"an empty file before a valid one",
                     {"empty", "north.anf"},
                     done,
                     {"north.apb"}},
                    {"an empty file after a valid one",
                     {"north.anf", "empty"},
                     done,
                     {"north.apb"}},
                    {"files without airports around a valid one",
                     {"notes", "south.anf", "notes"},
                     done,
                     {"south.apb"},
                     // Said once for the path, counted for each file.
                     "trevik:notes: no airport found\n"
                     "trevik: read 1 airport, 3 runways, 3 obstacles; "
                     "left out 0 airports\n"},
                    {"only files without airports",
                     {"empty", "notes"},
                     trevik.notValid + done,
                     {}}});
}

TEST(TrevikArguments, StopsAtTheFirstPathThatCannotBeOpened) {
  const Program& trevik = trevikProgram();
  runCases(trevik,
           {{"second of three missing",
             {"north.anf", "missing", "trap"},
             trevik.cannotRead,
             {},
             // Names the path that stopped the run.
             "trevik: cannot open \"missing\": " + missingReason()},
            {"first missing", {"missing", "trap"}, trevik.cannotRead, {}},
            {"second a directory",
             {"north.anf", "folder", "trap"},
             trevik.cannotRead,
             {}},
            {"last missing",
             {"north.anf", "south.anf", "missing"},
             trevik.cannotRead,
             {}}});
}

}  // namespace
}  // namespace e2e
