// trevik: one or more ANF airport files in, the AIRPORT1 file "APB" out.
//
// Every console text and exit code of the program is here, in the order a
// run meets them, but for those of "APB"'s outcome, which both programs
// share (apb::putInPlace). Standard output keeps its historical texts; what was
// left out, and why a run failed, goes to standard error.
#include <algorithm>
#include <filesystem>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "apb/conversion.h"
#include "apb/driver.h"
#include "apb/output_stream.h"
#include "core/command_line.h"
#include "core/console.h"
#include "core/findings.h"
#include "core/platform.h"
#include "trevik/reader.h"
#include "trevik/unread_lines.h"
#include "trevik/writer.h"

namespace {

constexpr std::string_view kProgram = "trevik";
constexpr std::string_view kVersion = "trevik " PROGRAM_VERSION "\n";
constexpr std::string_view kUsage = "usage: trevik [OPTION]... ANF_FILE...";

// The help text: what the program does, the options both programs share,
// and its exit status.
constexpr std::string_view kHelpStart =
    "usage: trevik [OPTION]... ANF_FILE...\n"
    "\n"
    "Reads one or more ANF airport files (\"-\": standard input), in the\n"
    "order given, and writes all their airports, in the AIRPORT1 form, to\n"
    "the file \"APB\" in the current directory, replacing it. Input without\n"
    "any airport leaves \"APB\" as it was.\n"
    "\n"
    "Standard output shows the banner and how the run ended. Standard error\n"
    "shows, one line each, what was left out or not read as it stands, and\n"
    "where (trevik:FILE:LINE: MESSAGE), then a summary of what was read.\n"
    "\n";
constexpr std::string_view kHelpEnd =
    "Exit status:\n"
    "  0  \"APB\" was written (also when airports were left out, unless\n"
    "     --strict); with --check, standard error held the summary alone\n"
    "  1  a file cannot be read, no file holds an airport, or \"APB\" cannot\n"
    "     be written; with --check or --strict, standard error held more\n"
    "  2  no file was given, or the command line is wrong\n"
    "\n";

constexpr std::string_view kBanner =
    "\n"
    "-------------------------------------------------\n"
    "Airport file converter: ANF->VARN, v.0.9, 2020\n"
    "-------------------------------------------------\n"
    "\n";

// Says what each file left out, once per path however often it was given;
// returns how many findings that is.
size_t sayAllFindings(const std::vector<std::string>& paths,
                      const std::vector<core::Findings>& findings) {
  size_t said = 0;
  for (size_t k = 0; k < paths.size(); ++k) {
    const auto first = paths.begin() + static_cast<std::ptrdiff_t>(k);
    if (std::find(paths.begin(), first, paths[k]) != first) continue;
    core::sayFindings(kProgram, paths[k], findings[k], trevik::kindName);
    said += apb::findingCount(findings[k]);
  }
  return said;
}

// The summary of every file's reading: a path given twice counts twice.
std::string summary(size_t airports,
                    const std::vector<core::Findings>& findings) {
  size_t runways = 0;
  size_t obstacles = 0;
  size_t leftOut = 0;
  for (const core::Findings& file : findings) {
    runways += file.runwaysRead();
    obstacles += file.obstaclesRead();
    leftOut += file.total(trevik::kLeftOut);
  }
  return core::readSummary(kProgram, airports, runways, obstacles, leftOut);
}

int convert(const core::CommandLine& line) {
  if (const auto answered = apb::answerRequest(
          line, kProgram, {kHelpStart, kHelpEnd}, kVersion)) {
    return *answered;
  }
  const std::filesystem::path target = apb::outputOf(line, kProgram);
  apb::say(line, kBanner);
  core::flushConsole();
  if (line.inputs.empty()) {
    apb::say(line, "\n No arguments. Quitting.\n");
    core::sayError(kUsage);
    core::sayError("Try 'trevik --help'.");
    return 2;
  }
  // Each file is read once the one before it is read and checked; the
  // first that cannot be opened or read ends the run, and later paths are
  // never opened.
  std::vector<std::string> paths;
  paths.reserve(line.inputs.size());
  for (const std::filesystem::path& input : line.inputs) {
    paths.push_back(core::pathText(input));
  }
  apb::OutputStream outputFile(target);
  apb::InputsRead read =
      apb::convertAirports<trevik::isAnfLine, trevik::readAnfAirport,
                           trevik::writeAirport1, trevik::UnreadLines>(
          line.inputs, core::Separators::kInWords, trevik::kFileMark,
          line.check ? nullptr : &outputFile);
  if (read.failed < line.inputs.size()) {
    apb::say(line, "\nFile is not open.\n");
    apb::say(line, "\n File reading failed. Quitting.\n");
    core::sayError(core::failureLine(kProgram, "cannot open",
                                     paths[read.failed], read.reason));
    return 1;
  }
  size_t airports = 0;
  for (size_t k = 0; k < line.inputs.size(); ++k) {
    airports += read.kept[k];
    if (read.kept[k] == 0) {
      read.findings[k].add(core::Finding::kWholeFile, trevik::kNoAirport,
                           "no airport found");
    }
  }
  const size_t said = sayAllFindings(paths, read.findings);
  core::sayError(summary(airports, read.findings));
  if (airports == 0) {
    if (line.check) return 1;
    apb::say(line, "\n Not a valid ANF file.\n");
    return apb::done(1, line);
  }
  if (const auto judged = apb::judgeFindings(line, kProgram, target, said)) {
    return *judged;
  }
  if (!apb::putInPlace(outputFile, kProgram)) return 1;
  return apb::done(0, line);
}

template <typename Char>
int run(int argc, Char** argv) {
  core::prepareProcess(kProgram, apb::kOutputFile);
  core::CommandLine line;
  try {
    line = core::readCommandLine(core::commandLinePaths(argc, argv));
    return convert(line);
  } catch (const std::bad_alloc&) {
    if (line.check) {
      core::sayError("trevik: out of memory");
    } else {
      core::say("\nOut of memory.\n");
    }
    return 1;
  }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return run(argc, argv); }
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
