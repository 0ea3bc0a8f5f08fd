// Console text and the command line, the same on every system.
#ifndef CORE_SYSTEM_CONSOLE_H_
#define CORE_SYSTEM_CONSOLE_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace core {

// The input path that stands for standard input; a file of that name is
// given as "./-".
constexpr std::string_view kStandardInput = "-";

// Writes console text to standard output; a console that went away does not
// stop the run.
void say(std::string_view text);

// Writes one line (line and a line feed) to standard error, after passing
// on what was said to standard output, so that the two keep their order
// where they meet. Never fails the run.
void sayError(std::string_view line) noexcept;

// The line that says why a file could not be used:
// "PROGRAM: WHAT "PATH": REASON" (WHAT as "cannot open").
std::string failureLine(std::string_view program, std::string_view what,
                        std::string_view path, const std::error_code& reason);

// Passes what was said on to the console now (before a long step or a key
// wait).
void flushConsole();

// Passes what was said on and closes standard output, for a run whose text
// there is all it gives (the help, the version): false, with the system's
// reason, when a write or the close failed, so the text was lost.
bool closeStandardOutput(std::error_code& reason);

// The paths of a command line: every argument after the program name, as
// given (wide characters on Windows).
template <typename Char>
std::vector<std::filesystem::path> commandLinePaths(int argc, Char** argv) {
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) paths.emplace_back(argv[i]);
  return paths;
}

}  // namespace core

#endif  // CORE_SYSTEM_CONSOLE_H_
