// Console text and the command line, the same on every system.
#ifndef CORE_CONSOLE_H_
#define CORE_CONSOLE_H_

#include <filesystem>
#include <string_view>
#include <vector>

namespace core {

// Writes console text to standard output; a console that went away does not
// stop the run.
void say(std::string_view text);

// Passes what was said on to the console now (before a long step or a key
// wait).
void flushConsole();

// The paths of a command line: every argument after the program name, as
// given (wide characters on Windows).
template <typename Char>
std::vector<std::filesystem::path> commandLinePaths(int argc, Char** argv) {
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) paths.emplace_back(argv[i]);
  return paths;
}

}  // namespace core

#endif  // CORE_CONSOLE_H_
