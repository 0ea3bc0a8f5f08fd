// The command line both programs take: options in the GNU style, then the
// input paths.
#ifndef CORE_COMMAND_LINE_COMMAND_LINE_H_
#define CORE_COMMAND_LINE_COMMAND_LINE_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace core {

// What a command line asks for.
struct CommandLine {
  enum class Request { kConvert, kHelp, kVersion, kWrong };
  Request request = Request::kConvert;
  // The input paths in the order given; "-" stands for standard input.
  std::vector<std::filesystem::path> inputs;
  std::optional<std::filesystem::path> output;  // -o FILE, the last one
  bool check = false;                           // --check
  bool strict = false;                          // --strict
  // --diagnostics: how standard error says things, as lines of text for
  // people or as one JSON object a line for programs.
  enum class Diagnostics { kText, kJson };
  Diagnostics diagnostics = Diagnostics::kText;
  std::string wrong;  // for kWrong: what is wrong, as "unknown option '-v'"
};

// Reads the arguments after the program name. Options may stand anywhere
// before "--", after which every argument is a path: -h and --help, and
// --version, end the reading at once (a later argument is not looked at);
// -o FILE, -oFILE, --output FILE and --output=FILE; --check; --strict;
// --diagnostics FORMAT and --diagnostics=FORMAT (text or json), which holds
// for what is said after it, so a wrong argument before it is said as text.
// "-" is standard input wherever it stands, at most once. An unknown
// option, a missing or unexpected option argument, an output of "-", or
// "-" twice make the line kWrong. Without any argument that begins with
// "-", every argument is an input path.
CommandLine readCommandLine(std::vector<std::filesystem::path> arguments);

}  // namespace core

#endif  // CORE_COMMAND_LINE_COMMAND_LINE_H_
