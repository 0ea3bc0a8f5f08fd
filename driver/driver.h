// The one driver of both programs: a run from the command line to "APB" in
// place, with every console text and exit code the two share. A program
// brings its own texts and its format as a Program.
#ifndef DRIVER_DRIVER_H_
#define DRIVER_DRIVER_H_

#include <span>
#include <string_view>

#include "core/findings/findings.h"
#include "engine/engine.h"

namespace driver {

// A program: its name, its own texts and its format.
struct Program {
  std::string_view name;      // begins every line on standard error
  std::string_view operands;  // what the usage line names after the options
  // The help: what the program does (after the usage line) and its exit
  // status (after the options).
  std::string_view about;
  std::string_view exitStatus;
  std::string_view banner;
  // Its texts on standard output: no input named; an input that cannot be
  // read (two texts); no airport in any input.
  std::string_view noArguments;
  std::string_view notOpen;
  std::string_view readingFailed;
  std::string_view notValid;
  bool firstInputOnly = false;  // reads the first input, ignores the rest
  engine::Format format;
  // The kinds of its findings that the driver counts or adds, and the
  // names of all of them, by kind number.
  unsigned leftOutKind = 0;
  unsigned noAirportKind = 0;
  std::span<const core::KindName> kinds;
};

// Runs program on its command line and returns the exit code: 0 when
// "APB" was written, 1 when no input or no airport could be read or "APB"
// could not be written, 2 for a wrong command line; --help, --version,
// --check and --strict as the help says.
#ifdef _WIN32
int run(const Program& program, int argc, wchar_t** argv);
#else
int run(const Program& program, int argc, char** argv);
#endif

}  // namespace driver

#endif  // DRIVER_DRIVER_H_
