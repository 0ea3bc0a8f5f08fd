// A run from its command line, read, to its outcome: the steps both
// programs share, wherever the inputs come from.
#include "driver/conversion.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "apb/output_stream.h"
#include "core/command_line/command_line.h"
#include "core/findings/findings.h"
#include "core/system/console.h"
#include "core/system/platform.h"

namespace driver {
namespace {

using core::CommandLine;

// The part of both programs' help that lists the options.
constexpr std::string_view kOptionsHelp =
    "Options:\n"
    "  -o, --output=FILE  write FILE instead of \"APB\"\n"
    "      --check        read and report only: write no file, print nothing\n"
    "                     on standard output\n"
    "      --strict       fail, leaving the output as it was, when standard\n"
    "                     error holds more than the summary\n"
    "      --diagnostics=FORMAT\n"
    "                     what standard error says: text (the default), or\n"
    "                     json, one JSON object a line\n"
    "  -h, --help         show this text\n"
    "      --version      show the version\n"
    "      --             take the next arguments as files, whatever their\n"
    "                     names\n"
    "\n";

std::string usage(const Program& program) {
  return "usage: " + std::string(program.name) + " [OPTION]... " +
         std::string(program.operands);
}

// Says text on standard output, but for --check, which prints nothing there.
void say(const CommandLine& line, std::string_view text) {
  if (!line.check) core::say(text);
}

// Ends a run whose text on standard output is all it gives: a lost text is
// "PROGRAM: write error: REASON" and exit 1, as with the system's own tools.
int closeOutput(Diagnostics& diagnostics) {
  std::error_code reason;
  if (core::closeStandardOutput(reason)) return 0;
  diagnostics.standardOutputClosed();
  diagnostics.error("write-error", "write error: " + reason.message());
  diagnostics.outcome({"failed", "standard-output", 1, {}, {}});
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

// Answers a command line that asks for no conversion: help or version on
// standard output, or what is wrong with it on standard error.
std::optional<int> answerRequest(const Program& program,
                                 const CommandLine& line,
                                 Diagnostics& diagnostics) {
  const std::string name(program.name);
  switch (line.request) {
    case CommandLine::Request::kHelp:
      core::say(usage(program) + "\n\n");
      core::say(program.about);
      core::say(kOptionsHelp);
      core::say(program.exitStatus);
      core::say(whereDocumentsAre(name));
      return closeOutput(diagnostics);
    case CommandLine::Request::kVersion:
      core::say(name + " " PROGRAM_VERSION "\n");
      return closeOutput(diagnostics);
    case CommandLine::Request::kWrong:
      diagnostics.usage(line.wrong);
      diagnostics.outcome({"failed", "usage", 2, {}, {}});
      return 2;
    case CommandLine::Request::kConvert:
      break;
  }
  return std::nullopt;
}

// The end of a run that read its input: its outcome, "\n Done.\n", then a
// key wait, but only on an interactive console that the run did not read
// as its input, so scripts and CI never hang.
int done(const Outcome& outcome, const CommandLine& line,
         const Diagnostics& diagnostics) {
  diagnostics.outcome(outcome);
  core::say("\n Done.\n");
  core::flushConsole();
  const bool readInput =
      std::find(line.inputs.begin(), line.inputs.end(),
                std::filesystem::path(core::kStandardInput)) !=
      line.inputs.end();
  if (!readInput && core::stdinIsInteractive()) {
    diagnostics.prompt();
    core::waitForKey();
  }
  return outcome.exitCode;
}

// Says what each input noticed, once per path however often it was given,
// then the summary of every input's reading (a path given twice counts
// twice); returns how many findings were said.
size_t sayFindings(const Program& program, const Diagnostics& diagnostics,
                   const std::vector<std::string>& paths,
                   std::vector<core::Findings>& findings,
                   const std::vector<size_t>& airports) {
  size_t said = 0;
  ReadTotals totals;
  std::vector<PathRead> read;
  std::unordered_set<std::string_view> saidPaths;
  for (size_t k = 0; k < paths.size(); ++k) {
    if (airports[k] == 0) {
      findings[k].add(core::Finding::kWholeFile, program.noAirportKind,
                      "no airport found");
    }
    totals.airports += airports[k];
    totals.runways += findings[k].runwaysRead();
    totals.obstacles += findings[k].obstaclesRead();
    totals.leftOut += findings[k].total(program.leftOutKind);
    if (!saidPaths.insert(paths[k]).second) continue;
    diagnostics.findings(paths[k], findings[k]);
    // Only the JSON form's summary names each path.
    if (diagnostics.json()) read.push_back({paths[k], &findings[k]});
    // A finding not shown counts as a line.
    for (const unsigned kind : findings[k].kinds()) {
      said += findings[k].total(kind);
    }
  }
  diagnostics.summary(totals, read);
  return said;
}

// Puts "APB" (the target) in place and says how that went: on standard
// output "\nFile is not open.\n" or "\nFile writing failed.\n", on standard
// error why ("cannot create "APB": REASON", "cannot write ...") and when it
// was written in place. False when it was not written.
bool putInPlace(Io& output, const std::string& target, const CommandLine& line,
                const Diagnostics& diagnostics) {
  apb::Report report;
  const apb::Outcome outcome = output.finish(report);
  if (report.inPlaceBecause) {
    diagnostics.notice("written-in-place",
                       "\"" + target + "\" written in place, not replaced: " +
                           report.inPlaceBecause.message(),
                       target);
  }
  if (outcome == apb::Outcome::kWritten) return true;
  const bool opened = outcome == apb::Outcome::kWriteFailed;
  say(line, opened ? "\nFile writing failed.\n" : "\nFile is not open.\n");
  diagnostics.fileError(opened ? "cannot-write" : "cannot-create",
                        opened ? "cannot write" : "cannot create", target,
                        report.reason);
  return false;
}

}  // namespace

int convert(const Program& program, const CommandLine& line,
            Diagnostics& diagnostics, Io& io) {
  if (const auto answered = answerRequest(program, line, diagnostics)) {
    return *answered;
  }
  const std::filesystem::path target =
      line.output.value_or(std::filesystem::path(apb::kOutputFile));
  const std::string targetText = core::pathText(target);
  const Diagnostics::InterruptTexts interrupt =
      diagnostics.interruptTexts(targetText, core::kLongestInterruptText);
  core::sayOnInterrupt(interrupt.before, interrupt.after, interrupt.inPlace);
  say(line, program.banner);
  core::flushConsole();
  if (line.inputs.empty()) {
    say(line, program.noArguments);
    diagnostics.usage(usage(program));
    diagnostics.outcome({"failed", "usage", 2, {}, {}});
    return 2;
  }
  // How a run that read its inputs ends, for its last object.
  const auto ending = [&](std::string_view outcome, std::string_view reason,
                          int code, std::string message = {}) {
    return Outcome{outcome, reason, code, targetText, std::move(message)};
  };
  size_t said = 0;
  std::span<const std::filesystem::path> inputs = line.inputs;
  if (program.firstInputOnly && inputs.size() > 1) {
    const size_t more = inputs.size() - 1;
    diagnostics.notice(
        "arguments-ignored",
        "only the first file is read; " + std::to_string(more) +
            (more == 1 ? " more argument ignored" : " more arguments ignored"));
    ++said;
    inputs = inputs.first(1);
  }
  std::vector<std::string> paths;
  paths.reserve(inputs.size());
  for (const std::filesystem::path& input : inputs) {
    paths.push_back(core::pathText(input));
  }
  // Each input is read once the one before it is read and checked; the
  // first that cannot be opened or read ends the run, and later paths are
  // never opened.
  engine::Result read = engine::convert(program.format, io.open(target, inputs),
                                        [&](std::string_view bytes) {
                                          if (!line.check) io.append(bytes);
                                        });
  if (read.failedInput) {
    say(line, program.notOpen);
    say(line, program.readingFailed);
    diagnostics.fileError("cannot-open", "cannot open",
                          paths[*read.failedInput], read.reason);
    diagnostics.outcome(ending("failed", "input", 1));
    return 1;
  }
  said +=
      sayFindings(program, diagnostics, paths, read.findings, read.airports);
  const bool noAirport =
      std::all_of(read.airports.begin(), read.airports.end(),
                  [](size_t airports) { return airports == 0; });
  if (line.check) {
    const int code = noAirport || said > 0 ? 1 : 0;
    diagnostics.outcome(ending("checked", {}, code));
    return code;
  }
  if (noAirport) {
    say(line, program.notValid);
    return done(ending("nothing-to-write", {}, 1), line, diagnostics);
  }
  if (line.strict && said > 0) {
    diagnostics.outcome(
        ending("failed", "strict", 1,
               "--strict: " + std::to_string(said) +
                   (said == 1 ? " finding; \"" : " findings; \"") + targetText +
                   "\" left as it was"));
    return 1;
  }
  if (!putInPlace(io, targetText, line, diagnostics)) {
    diagnostics.outcome(ending("failed", "output", 1));
    return 1;
  }
  return done(ending("written", {}, 0), line, diagnostics);
}

}  // namespace driver
