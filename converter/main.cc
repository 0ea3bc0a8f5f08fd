// converter: one Airbus airport file in, the AIRPORT2 file "APB" out.
//
// Every console text and exit code of the program is here, in the order a
// run meets them, but for those of "APB"'s outcome, which both programs
// share (apb::putInPlace). Standard output keeps its historical texts; what was
// left out, and why a run failed, goes to standard error.
#include <filesystem>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "apb/conversion.h"
#include "apb/output_stream.h"
#include "converter/reader.h"
#include "converter/writer.h"
#include "core/console.h"
#include "core/findings.h"
#include "core/platform.h"

namespace {

constexpr std::string_view kProgram = "converter";
constexpr std::string_view kVersion = "converter " PROGRAM_VERSION "\n";
constexpr std::string_view kUsage = "usage: converter AIRBUS_FILE";

constexpr std::string_view kHelp =
    "usage: converter AIRBUS_FILE\n"
    "\n"
    "Reads one Airbus airport file and writes its airports, in the AIRPORT2\n"
    "form, to the file \"APB\" in the current directory, replacing it. An\n"
    "input without any complete airport leaves \"APB\" as it was. Only the\n"
    "first argument is read.\n"
    "\n"
    "Standard output shows the banner and how the run ended. Standard error\n"
    "shows, one line each, what was left out or read as 0 and where\n"
    "(converter:FILE:LINE: MESSAGE), then a summary of what was read.\n"
    "\n"
    "Options, as the first argument only:\n"
    "  -h, --help  show this text\n"
    "  --version   show the version\n"
    "  --          take the next argument as the file, whatever its name\n"
    "\n"
    "Exit status:\n"
    "  0  \"APB\" was written (also when airports were left out)\n"
    "  1  the file cannot be read, holds no airport, or \"APB\" cannot be\n"
    "     written\n"
    "  2  no file was given\n"
    "\n"
    "The README describes the formats and every message.\n";

constexpr std::string_view kBanner =
    "\n"
    "-------------------------------------------------\n"
    "Airport file converter: Airbus->VNF, v.0.9, 2020\n"
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
    core::say("\nNo arguments. Quitting.\n");
    core::sayError(kUsage);
    core::sayError("Try 'converter --help'.");
    return 2;
  }
  // Only the first argument is an input; the rest are ignored.
  const std::string path = core::pathText(arguments[0]);
  apb::OutputStream outputFile;
  const apb::InputsRead read =
      apb::convertAirports<converter::isAirportRow,
                           converter::readAirbusAirport,
                           converter::writeAirport2>(
          {arguments.data(), 1}, core::Separators::kBlanks,
          converter::kFileMark, outputFile);
  if (read.failed == 0) {
    core::say("\nFile is not open\n");
    core::say("\nFile reading failed. Quitting.\n");
    core::sayError(
        core::failureLine(kProgram, "cannot open", path, read.reason));
    return 1;
  }
  const core::Findings& findings = read.findings[0];
  core::sayFindings(kProgram, path, findings, converter::kindName);
  core::sayError(core::readSummary(
      kProgram, read.kept[0], findings.runwaysRead(), findings.obstaclesRead(),
      findings.total(converter::kLeftOut)));
  if (read.kept[0] == 0) {
    core::say("\n Not a valid file.\n");
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
