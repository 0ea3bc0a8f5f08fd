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
#include "apb/output_stream.h"
#include "core/console.h"
#include "core/findings.h"
#include "core/platform.h"
#include "trevik/reader.h"
#include "trevik/writer.h"

namespace {

constexpr std::string_view kProgram = "trevik";
constexpr std::string_view kVersion = "trevik " PROGRAM_VERSION "\n";
constexpr std::string_view kUsage = "usage: trevik ANF_FILE...";

constexpr std::string_view kHelp =
    "usage: trevik ANF_FILE...\n"
    "\n"
    "Reads one or more ANF airport files, in the order given, and writes\n"
    "all their airports, in the AIRPORT1 form, to the file \"APB\" in the\n"
    "current directory, replacing it. Input without any airport leaves\n"
    "\"APB\" as it was.\n"
    "\n"
    "Standard output shows the banner and how the run ended. Standard error\n"
    "shows, one line each, what was passed over or read as 0 and where\n"
    "(trevik:FILE:LINE: MESSAGE), then a summary of what was read.\n"
    "\n"
    "Options, as the first argument only:\n"
    "  -h, --help  show this text\n"
    "  --version   show the version\n"
    "  --          take the next arguments as files, whatever their names\n"
    "\n"
    "Exit status:\n"
    "  0  \"APB\" was written (also when airports were passed over)\n"
    "  1  a file cannot be read, no file holds an airport, or \"APB\" cannot\n"
    "     be written\n"
    "  2  no file was given\n"
    "\n"
    "The README describes the formats and every message.\n";

constexpr std::string_view kBanner =
    "\n"
    "-------------------------------------------------\n"
    "Airport file converter: ANF->VARN, v.0.9, 2020\n"
    "-------------------------------------------------\n"
    "\n";

// The end of every run that reads its input: the key wait happens only on
// an interactive console, so scripts and CI never hang.
int done(int code) {
  core::say("\n Done.\n");
  core::flushConsole();
  if (core::stdinIsInteractive()) {
    core::sayError("Press any key to close.");
    core::waitForKey();
  }
  return code;
}

// Says what each file left out, once per path however often it was given.
void sayAllFindings(const std::vector<std::string>& paths,
                    const std::vector<core::Findings>& findings) {
  for (size_t k = 0; k < paths.size(); ++k) {
    const auto first = paths.begin() + static_cast<std::ptrdiff_t>(k);
    if (std::find(paths.begin(), first, paths[k]) != first) continue;
    core::sayFindings(kProgram, paths[k], findings[k], trevik::kindName);
  }
}

// The summary of every file's reading: a path given twice counts twice.
std::string summary(size_t airports,
                    const std::vector<core::Findings>& findings) {
  size_t runways = 0;
  size_t obstacles = 0;
  size_t passedOver = 0;
  for (const core::Findings& file : findings) {
    runways += file.runwaysRead();
    obstacles += file.obstaclesRead();
    passedOver += file.total(trevik::kPassedOver);
  }
  return core::readSummary(kProgram, airports, runways, obstacles, passedOver);
}

int convert(std::vector<std::filesystem::path> arguments) {
  switch (core::takeOptions(arguments)) {
    case core::Request::kHelp:
      core::say(kHelp);
      return 0;
    case core::Request::kVersion:
      core::say(kVersion);
      return 0;
    case core::Request::kConvert:
      break;
  }
  core::say(kBanner);
  core::flushConsole();
  if (arguments.empty()) {
    core::say("\n No arguments. Quitting.\n");
    core::sayError(kUsage);
    core::sayError("Try 'trevik --help'.");
    return 2;
  }
  // Each file is read once the one before it is read and checked; the
  // first that cannot be opened or read ends the run, and later paths are
  // never opened.
  std::vector<std::string> paths;
  paths.reserve(arguments.size());
  for (const std::filesystem::path& argument : arguments) {
    paths.push_back(core::pathText(argument));
  }
  apb::OutputStream outputFile;
  apb::InputsRead read =
      apb::convertAirports<trevik::isAnfLine, trevik::readAnfAirport,
                           trevik::writeAirport1>(
          arguments, core::Separators::kInWords, trevik::kFileMark, outputFile);
  if (read.failed < arguments.size()) {
    core::say("\nFile is not open.\n");
    core::say("\n File reading failed. Quitting.\n");
    core::sayError(core::failureLine(kProgram, "cannot open",
                                     paths[read.failed], read.reason));
    return 1;
  }
  size_t airports = 0;
  for (size_t k = 0; k < arguments.size(); ++k) {
    airports += read.kept[k];
    if (arguments.size() > 1 && read.kept[k] == 0) {
      read.findings[k].add(core::Finding::kWholeFile, trevik::kNoAirport,
                           "no airport found");
    }
  }
  sayAllFindings(paths, read.findings);
  core::sayError(summary(airports, read.findings));
  if (airports == 0) {
    core::say("\n Not a valid ANF file.\n");
    return done(1);
  }
  if (!apb::putInPlace(outputFile, kProgram)) return 1;
  return done(0);
}

template <typename Char>
int run(int argc, Char** argv) {
  core::prepareProcess(kProgram, apb::kOutputFile);
  try {
    return convert(core::commandLinePaths(argc, argv));
  } catch (const std::bad_alloc&) {
    core::say("\nOut of memory.\n");
    return 1;
  }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return run(argc, argv); }
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
