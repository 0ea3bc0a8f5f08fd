// The outer steps both programs share: console text, "APB", key wait, exit.
#ifndef CORE_RUN_H_
#define CORE_RUN_H_

#include <filesystem>
#include <functional>
#include <new>
#include <span>
#include <string_view>
#include <vector>

#include "core/line_sink.h"
#include "core/platform.h"
#include "core/record_memory.h"
#include "core/records.h"

namespace core {

// The file every run writes, in the current working directory.
constexpr std::string_view kOutputFile = "APB";

// Writes console text; a console that went away does not stop the run.
void say(std::string_view text);

// Writes the banner with its title line and flushes standard output.
void printBanner(std::string_view title);

// Prints "\n Done.\n", waits for a key on an interactive console, returns 0.
int endWithDone();

// Creates or empties "APB", lets write fill it and closes it. Reports a file
// that cannot be opened (exit code 1), a failed write or close (exit code 1),
// or success through endWithDone().
int writeOutputFile(const std::function<void(LineSink&)>& write);

// writeOutputFile for a program's airports: "APB" gets the lines that
// write(sink, airports) gives, written a slice of airports at a time on
// every core and joined in airport order.
int writeAirportsFile(std::span<const Airport> airports,
                      void (*write)(LineSink& sink,
                                    std::span<const Airport> airports));

// Runs a program body on the paths of the command line (everything after the
// program name) and turns running out of memory into a message and exit 1.
template <typename Char, typename Body>
int runProgram(int argc, Char** argv, Body body) {
  prepareProcess();
  useRecordArena();
  try {
    std::vector<std::filesystem::path> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return body(arguments);
  } catch (const std::bad_alloc&) {
    say("\nOut of memory.\n");
    return 1;
  }
}

}  // namespace core

#endif  // CORE_RUN_H_
