#include "core/command_line/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace core {
namespace {

using Request = CommandLine::Request;

struct LineCase {
  std::vector<std::string> args;
  Request request;
  std::vector<std::string> inputs = {};
  std::string output = {};  // empty: none
  bool check = false;
  bool strict = false;
  std::string wrong = {};
  bool json = false;  // --diagnostics=json read before any wrong argument
};

const LineCase kCases[] = {
    // Without an argument that begins with "-": every one is an input.
    {{"a", "b"}, Request::kConvert, {"a", "b"}},
    {{}, Request::kConvert},
    // Help and version end the reading, whatever follows.
    {{"--help", "-x"}, Request::kHelp},
    {{"a", "-h"}, Request::kHelp},
    {{"--version", "--help"}, Request::kVersion},
    {{"-x", "--help"},
     Request::kWrong,
     {},
     {},
     false,
     false,
     "unknown option '-x'"},
    // "--" ends the options: later arguments are paths, "-" still stdin.
    {{"--", "--help", "-o", "-"}, Request::kConvert, {"--help", "-o", "-"}},
    {{"a", "--", "--"}, Request::kConvert, {"a", "--"}},
    // The forms of -o, anywhere before "--"; the last one counts.
    {{"-o", "x", "a"}, Request::kConvert, {"a"}, "x"},
    {{"a", "-ox"}, Request::kConvert, {"a"}, "x"},
    {{"--output", "x", "a"}, Request::kConvert, {"a"}, "x"},
    {{"--output=x=y", "a"}, Request::kConvert, {"a"}, "x=y"},
    {{"-o", "x", "a", "-o", "y"}, Request::kConvert, {"a"}, "y"},
    {{"-o", "--check", "a"}, Request::kConvert, {"a"}, "--check"},
    {{"--check", "a", "--strict"}, Request::kConvert, {"a"}, {}, true, true},
    {{"-", "./-"}, Request::kConvert, {"-", "./-"}},
    // What is wrong with a line.
    {{"-v"}, Request::kWrong, {}, {}, false, false, "unknown option '-v'"},
    {{"-hv"}, Request::kHelp},
    {{"-vh"}, Request::kWrong, {}, {}, false, false, "unknown option '-v'"},
    {{"--out=x"},
     Request::kWrong,
     {},
     {},
     false,
     false,
     "unknown option '--out'"},
    {{"--check=yes"},
     Request::kWrong,
     {},
     {},
     false,
     false,
     "option '--check' takes no argument"},
    {{"a", "-o"},
     Request::kWrong,
     {"a"},
     {},
     false,
     false,
     "option '-o' needs a file name"},
    {{"--output="},
     Request::kWrong,
     {},
     {},
     false,
     false,
     "option '--output' needs a file name"},
    {{"-o", "-"},
     Request::kWrong,
     {},
     {},
     false,
     false,
     "option '-o' cannot write to standard output ('-'); name a file"},
    {{"-", "a", "-"},
     Request::kWrong,
     {"-", "a"},
     {},
     false,
     false,
     "'-' (standard input) may be given only once"},
    // The form of the diagnostics holds from where it is read.
    {{"--diagnostics=json", "a"},
     Request::kConvert,
     {"a"},
     {},
     false,
     false,
     {},
     true},
    {{"a", "--diagnostics", "json"},
     Request::kConvert,
     {"a"},
     {},
     false,
     false,
     {},
     true},
    {{"--diagnostics=json", "--diagnostics", "text", "a"},
     Request::kConvert,
     {"a"}},
    {{"--diagnostics=json", "--bogus"},
     Request::kWrong,
     {},
     {},
     false,
     false,
     "unknown option '--bogus'",
     true},
    {{"--bogus", "--diagnostics=json"},
     Request::kWrong,
     {},
     {},
     false,
     false,
     "unknown option '--bogus'"},
    {{"--diagnostics=JSON"},
     Request::kWrong,
     {},
     {},
     false,
     false,
     "option '--diagnostics' takes 'text' or 'json', not 'JSON'"},
    {{"a", "--diagnostics"},
     Request::kWrong,
     {"a"},
     {},
     false,
     false,
     "option '--diagnostics' needs an argument"},
};

TEST(ReadCommandLine, ReadsOptionsInTheGnuStyle) {
  for (const LineCase& c : kCases) {
    std::string shown;
    for (const std::string& arg : c.args) shown += " " + arg;
    SCOPED_TRACE(shown);
    const std::vector<std::filesystem::path> args(c.args.begin(), c.args.end());

    const CommandLine line = readCommandLine(args);

    EXPECT_EQ(line.request, c.request);
    EXPECT_EQ(line.diagnostics == CommandLine::Diagnostics::kJson, c.json);
    if (c.request != Request::kConvert) {
      EXPECT_EQ(line.wrong, c.wrong);
      continue;
    }
    std::vector<std::string> inputs;
    for (const auto& input : line.inputs) inputs.push_back(input.string());
    EXPECT_EQ(inputs, c.inputs);
    EXPECT_EQ(line.output.value_or("").string(), c.output);
    EXPECT_EQ(line.check, c.check);
    EXPECT_EQ(line.strict, c.strict);
  }
}

}  // namespace
}  // namespace core
