// What both drivers do alike around a conversion: the command line's
// requests, the end of a run, and what --check and --strict make of what
// a run said.
#ifndef APB_DRIVER_H_
#define APB_DRIVER_H_

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

#include "core/command_line.h"
#include "core/findings.h"

namespace apb {

// The part of both programs' help that lists the options.
constexpr std::string_view kOptionsHelp =
    "Options:\n"
    "  -o, --output=FILE  write FILE instead of \"APB\"\n"
    "      --check        read and report only: write no file, print nothing\n"
    "                     on standard output\n"
    "      --strict       fail, leaving the output as it was, when standard\n"
    "                     error holds more than the summary\n"
    "  -h, --help         show this text\n"
    "      --version      show the version\n"
    "      --             take the next arguments as files, whatever their\n"
    "                     names\n"
    "\n";

// A program's help: what comes before kOptionsHelp, and after it.
struct Help {
  std::string_view start;
  std::string_view end;
};

// Answers a command line that asks for no conversion: help or version on
// standard output (exit 0; a failed write or close of standard output is
// "PROGRAM: write error: REASON" on standard error and exit 1), or, for a wrong
// one, "PROGRAM: WHAT" and "Try 'PROGRAM --help'." on standard error (exit 2).
// Nothing for a line that asks for a conversion.
std::optional<int> answerRequest(const core::CommandLine& line,
                                 std::string_view program, Help help,
                                 std::string_view version);

// The file a run writes: the file of -o, else "APB". From now on an
// interrupt names it.
std::filesystem::path outputOf(const core::CommandLine& line,
                               std::string_view program);

// Says text on standard output, but for --check, which prints nothing there.
void say(const core::CommandLine& line, std::string_view text);

// The end of a run that read its input: "\n Done.\n", then a key wait, but
// only on an interactive console that the run did not read as its input,
// so scripts and CI never hang.
int done(int code, const core::CommandLine& line);

// How many findings the findings hold, the hidden ones too: the lines they
// give on standard error before the summary, a hidden one counted as a line.
size_t findingCount(const core::Findings& findings);

// What --check and --strict make of a run whose standard error held said
// lines before its summary: with --check, the exit code (0 when it held
// the summary alone, else 1); with --strict and any such line, the run
// fails, saying "PROGRAM: --strict: N findings; "OUTPUT" left as it was"
// (exit 1). Nothing when the run goes on to put its output in place.
std::optional<int> judgeFindings(const core::CommandLine& line,
                                 std::string_view program,
                                 const std::filesystem::path& output,
                                 size_t said);

}  // namespace apb

#endif  // APB_DRIVER_H_
