// What both drivers do alike around a conversion.
#include "apb/driver.h"

#include <cstdio>
#include <string>

#include "apb/output_stream.h"
#include "core/console.h"
#include "core/line_reader.h"
#include "core/platform.h"

namespace apb {

namespace {

// Ends a run whose text on standard output is all it gives: a lost text is
// "PROGRAM: write error: REASON" and exit 1, as with the system's own tools.
int closeOutput(std::string_view program) {
  std::error_code reason;
  if (core::closeStandardOutput(reason)) return 0;
  // Straight to standard error: standard output is closed now.
  core::writeError(std::string(program) + ": write error: " + reason.message() +
                   "\n");
  std::fflush(stderr);
  return 1;
}

// The last lines of the help: where the manual and the documents are once
// installed (the package puts them beside the programs).
std::string whereDocumentsAre(std::string_view program) {
  const std::string name(program);
#ifdef _WIN32
  return "Manual: " + name +
         ".txt beside the program, with README.md, formats.md (every\n"
         "format and message) and the samples in examples\\.\n";
#else
  return "Manual: man " + name +
         ". The README, the format reference (formats.md) and the\n"
         "samples are in share/doc/airport-converters beside the program's "
         "bin\nfolder (/usr/share/doc/airport-converters for /usr/bin).\n";
#endif
}

}  // namespace

std::optional<int> answerRequest(const core::CommandLine& line,
                                 std::string_view program, Help help,
                                 std::string_view version) {
  switch (line.request) {
    case core::CommandLine::Request::kHelp:
      core::say(help.start);
      core::say(kOptionsHelp);
      core::say(help.end);
      core::say(whereDocumentsAre(program));
      return closeOutput(program);
    case core::CommandLine::Request::kVersion:
      core::say(version);
      return closeOutput(program);
    case core::CommandLine::Request::kWrong:
      core::sayError(std::string(program) + ": " + line.wrong);
      core::sayError("Try '" + std::string(program) + " --help'.");
      return 2;
    case core::CommandLine::Request::kConvert:
      break;
  }
  return std::nullopt;
}

std::filesystem::path outputOf(const core::CommandLine& line,
                               std::string_view program) {
  std::filesystem::path output =
      line.output.value_or(std::filesystem::path(kOutputFile));
  core::nameOutput(program, core::pathText(output));
  return output;
}

void say(const core::CommandLine& line, std::string_view text) {
  if (!line.check) core::say(text);
}

int done(int code, const core::CommandLine& line) {
  core::say("\n Done.\n");
  core::flushConsole();
  bool readInput = false;
  for (const auto& input : line.inputs) {
    readInput =
        readInput || input == std::filesystem::path(core::kStandardInput);
  }
  if (!readInput && core::stdinIsInteractive()) {
    core::sayError("Press any key to close.");
    core::waitForKey();
  }
  return code;
}

size_t findingCount(const core::Findings& findings) {
  size_t count = 0;
  for (const unsigned kind : findings.kinds()) count += findings.total(kind);
  return count;
}

std::optional<int> judgeFindings(const core::CommandLine& line,
                                 std::string_view program,
                                 const std::filesystem::path& output,
                                 size_t said) {
  if (line.check) return said == 0 ? 0 : 1;
  if (!line.strict || said == 0) return std::nullopt;
  core::sayError(std::string(program) + ": --strict: " + std::to_string(said) +
                 (said == 1 ? " finding; \"" : " findings; \"") +
                 core::pathText(output) + "\" left as it was");
  return 1;
}

}  // namespace apb
