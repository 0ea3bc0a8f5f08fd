// The one driver of both programs.
#include "driver/driver.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "apb/output_stream.h"
#include "core/command_line/command_line.h"
#include "core/findings/findings.h"
#include "core/reading/source.h"
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

// Answers a command line that asks for no conversion: help or version on
// standard output, or what is wrong with it on standard error.
std::optional<int> answerRequest(const Program& program,
                                 const CommandLine& line) {
  const std::string name(program.name);
  switch (line.request) {
    case CommandLine::Request::kHelp:
      core::say(usage(program) + "\n\n");
      core::say(program.about);
      core::say(kOptionsHelp);
      core::say(program.exitStatus);
      core::say(whereDocumentsAre(name));
      return closeOutput(name);
    case CommandLine::Request::kVersion:
      core::say(name + " " PROGRAM_VERSION "\n");
      return closeOutput(name);
    case CommandLine::Request::kWrong:
      core::sayError(name + ": " + line.wrong);
      core::sayError("Try '" + name + " --help'.");
      return 2;
    case CommandLine::Request::kConvert:
      break;
  }
  return std::nullopt;
}

// The end of a run that read its input: "\n Done.\n", then a key wait, but
// only on an interactive console that the run did not read as its input,
// so scripts and CI never hang.
int done(int code, const CommandLine& line) {
  core::say("\n Done.\n");
  core::flushConsole();
  const bool readInput =
      std::find(line.inputs.begin(), line.inputs.end(),
                std::filesystem::path(core::kStandardInput)) !=
      line.inputs.end();
  if (!readInput && core::stdinIsInteractive()) {
    core::sayError("Press any key to close.");
    core::waitForKey();
  }
  return code;
}

// Says what each input noticed, once per path however often it was given,
// then the summary of every input's reading (a path given twice counts
// twice); returns how many findings were said.
size_t sayFindings(const Program& program,
                   const std::vector<std::string>& paths,
                   std::vector<core::Findings>& findings,
                   const std::vector<size_t>& airports) {
  size_t said = 0;
  size_t read = 0;
  size_t runways = 0;
  size_t obstacles = 0;
  size_t leftOut = 0;
  std::unordered_set<std::string_view> saidPaths;
  for (size_t k = 0; k < paths.size(); ++k) {
    if (airports[k] == 0) {
      findings[k].add(core::Finding::kWholeFile, program.noAirportKind,
                      "no airport found");
    }
    read += airports[k];
    runways += findings[k].runwaysRead();
    obstacles += findings[k].obstaclesRead();
    leftOut += findings[k].total(program.leftOutKind);
    if (!saidPaths.insert(paths[k]).second) continue;
    core::sayFindings(program.name, paths[k], findings[k], program.kindName);
    // A finding not shown counts as a line.
    for (const unsigned kind : findings[k].kinds()) {
      said += findings[k].total(kind);
    }
  }
  core::sayError(
      core::readSummary(program.name, read, runways, obstacles, leftOut));
  return said;
}

// What --check and --strict make of a run whose standard error held said
// lines before its summary: with --check, the exit code; with --strict and
// any such line, the run fails. Nothing when the run goes on to put its
// output in place.
std::optional<int> judgeFindings(const Program& program,
                                 const CommandLine& line,
                                 const std::filesystem::path& output,
                                 size_t said) {
  if (line.check) return said == 0 ? 0 : 1;
  if (!line.strict || said == 0) return std::nullopt;
  core::sayError(std::string(program.name) +
                 ": --strict: " + std::to_string(said) +
                 (said == 1 ? " finding; \"" : " findings; \"") +
                 core::pathText(output) + "\" left as it was");
  return 1;
}

int convert(const Program& program, const CommandLine& line) {
  if (const auto answered = answerRequest(program, line)) return *answered;
  const std::filesystem::path target =
      line.output.value_or(std::filesystem::path(apb::kOutputFile));
  core::nameOutput(program.name, core::pathText(target));
  say(line, program.banner);
  core::flushConsole();
  if (line.inputs.empty()) {
    say(line, program.noArguments);
    core::sayError(usage(program));
    core::sayError("Try '" + std::string(program.name) + " --help'.");
    return 2;
  }
  size_t said = 0;
  std::span<const std::filesystem::path> inputs = line.inputs;
  if (program.firstInputOnly && inputs.size() > 1) {
    const size_t more = inputs.size() - 1;
    core::sayError(
        std::string(program.name) + ": only the first file is read; " +
        std::to_string(more) +
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
  apb::OutputStream output(target);
  core::FileSource source(inputs);
  engine::Result read =
      engine::convert(program.format, source, [&](std::string_view bytes) {
        if (!line.check) output.append(bytes);
      });
  if (read.failedInput) {
    say(line, program.notOpen);
    say(line, program.readingFailed);
    core::sayError(core::failureLine(program.name, "cannot open",
                                     paths[*read.failedInput], read.reason));
    return 1;
  }
  said += sayFindings(program, paths, read.findings, read.airports);
  if (std::all_of(read.airports.begin(), read.airports.end(),
                  [](size_t airports) { return airports == 0; })) {
    if (line.check) return 1;
    say(line, program.notValid);
    return done(1, line);
  }
  if (const auto judged = judgeFindings(program, line, target, said)) {
    return *judged;
  }
  if (!apb::putInPlace(output, program.name)) return 1;
  return done(0, line);
}

template <typename Char>
int runWith(const Program& program, int argc, Char** argv) {
  core::prepareProcess(program.name, apb::kOutputFile);
  CommandLine line;
  try {
    line = core::readCommandLine(core::commandLinePaths(argc, argv));
    return convert(program, line);
  } catch (const std::bad_alloc&) {
    if (line.check) {
      core::sayError(std::string(program.name) + ": out of memory");
    } else {
      core::say("\nOut of memory.\n");
    }
    return 1;
  }
}

}  // namespace

#ifdef _WIN32
int run(const Program& program, int argc, wchar_t** argv) {
  return runWith(program, argc, argv);
}
#else
int run(const Program& program, int argc, char** argv) {
  return runWith(program, argc, argv);
}
#endif

}  // namespace driver
