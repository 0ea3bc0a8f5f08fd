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
#include "apb/driver.h"
#include "apb/output_stream.h"
#include "converter/reader.h"
#include "converter/writer.h"
#include "core/command_line.h"
#include "core/console.h"
#include "core/findings.h"
#include "core/platform.h"

namespace {

constexpr std::string_view kProgram = "converter";
constexpr std::string_view kVersion = "converter " PROGRAM_VERSION "\n";
constexpr std::string_view kUsage = "usage: converter [OPTION]... AIRBUS_FILE";

// The help text: what the program does, the options both programs share,
// and its exit status.
constexpr std::string_view kHelpStart =
    "usage: converter [OPTION]... AIRBUS_FILE\n"
    "\n"
    "Reads one Airbus airport file (\"-\": standard input) and writes its\n"
    "airports, in the AIRPORT2 form, to the file \"APB\" in the current\n"
    "directory, replacing it. An input without any complete airport leaves\n"
    "\"APB\" as it was. Only the first file is read.\n"
    "\n"
    "Standard output shows the banner and how the run ended. Standard error\n"
    "shows, one line each, what was left out or not read as it stands, and\n"
    "where (converter:FILE:LINE: MESSAGE), then a summary of what was read.\n"
    "\n";
constexpr std::string_view kHelpEnd =
    "Exit status:\n"
    "  0  \"APB\" was written (also when airports were left out, unless\n"
    "     --strict); with --check, standard error held the summary alone\n"
    "  1  the file cannot be read, holds no airport, or \"APB\" cannot be\n"
    "     written; with --check or --strict, standard error held more\n"
    "  2  no file was given, or the command line is wrong\n"
    "\n";

constexpr std::string_view kBanner =
    "\n"
    "-------------------------------------------------\n"
    "Airport file converter: Airbus->VNF, v.0.9, 2020\n"
    "-------------------------------------------------\n"
    "\n";

int convert(const core::CommandLine& line) {
  if (const auto answered = apb::answerRequest(
          line, kProgram, {kHelpStart, kHelpEnd}, kVersion)) {
    return *answered;
  }
  const std::filesystem::path target = apb::outputOf(line, kProgram);
  apb::say(line, kBanner);
  core::flushConsole();
  if (line.inputs.empty()) {
    apb::say(line, "\nNo arguments. Quitting.\n");
    core::sayError(kUsage);
    core::sayError("Try 'converter --help'.");
    return 2;
  }
  // Only the first argument is an input; the rest are ignored, but said.
  size_t said = 0;
  if (line.inputs.size() > 1) {
    const size_t more = line.inputs.size() - 1;
    core::sayError(
        "converter: only the first file is read; " + std::to_string(more) +
        (more == 1 ? " more argument ignored" : " more arguments ignored"));
    ++said;
  }
  const std::string path = core::pathText(line.inputs[0]);
  apb::OutputStream outputFile(target);
  apb::InputsRead read = apb::convertAirports<converter::isAirportRow,
                                              converter::readAirbusAirport,
                                              converter::writeAirport2>(
      {line.inputs.data(), 1}, core::Separators::kBlanks, converter::kFileMark,
      line.check ? nullptr : &outputFile);
  if (read.failed == 0) {
    apb::say(line, "\nFile is not open\n");
    apb::say(line, "\nFile reading failed. Quitting.\n");
    core::sayError(
        core::failureLine(kProgram, "cannot open", path, read.reason));
    return 1;
  }
  core::Findings& findings = read.findings[0];
  if (read.kept[0] == 0) {
    findings.add(core::Finding::kWholeFile, converter::kNoAirport,
                 "no airport found");
  }
  core::sayFindings(kProgram, path, findings, converter::kindName);
  core::sayError(core::readSummary(
      kProgram, read.kept[0], findings.runwaysRead(), findings.obstaclesRead(),
      findings.total(converter::kLeftOut)));
  said += apb::findingCount(findings);
  if (read.kept[0] == 0) {
    if (line.check) return 1;
    apb::say(line, "\n Not a valid file.\n");
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
      core::sayError("converter: out of memory");
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
