// trevik: one or more ANF airport files in, the AIRPORT1 file "APB" out.
//
// Every console text and exit code of the program is here, in the order a
// run meets them.
#include <filesystem>
#include <new>
#include <string_view>
#include <vector>

#include "apb/output_file.h"
#include "core/console.h"
#include "core/lines.h"
#include "core/platform.h"
#include "core/record_memory.h"
#include "trevik/reader.h"
#include "trevik/writer.h"

namespace {

constexpr std::string_view kBanner =
    "\n"
    "-------------------------------------------------\n"
    "Airport file converter: ANF->VARN, v.0.9, 2020\n"
    "-------------------------------------------------\n"
    "\n";

// The end of every run that gets this far: the key wait happens only on an
// interactive console, so scripts and CI never hang.
int done() {
  core::say("\n Done.\n");
  core::flushConsole();
  core::waitForKey();
  return 0;
}

int convert(const std::vector<std::filesystem::path>& arguments) {
  core::say(kBanner);
  core::flushConsole();
  if (arguments.empty()) {
    core::say("\n No arguments. Quitting.\n");
    return 0;
  }
  // Every file is loaded before any is split; the first that cannot be
  // opened ends the run, and later paths are never opened. The loader says
  // "File is not open" itself when it cannot open a file.
  std::vector<core::LineList> lines(arguments.size());
  for (size_t k = 0; k < arguments.size(); ++k) {
    if (core::loadLines(arguments[k], lines[k], core::LoadVariant::kTrevik)) {
      core::say("\n File reading failed. Quitting.\n");
      return 0;
    }
  }
  std::vector<core::WordTable> tables;
  tables.reserve(lines.size());
  for (const core::LineList& file : lines) {
    tables.push_back(core::splitWords(file));
  }
  std::vector<core::Airport> airports;
  trevik::readAnfAirports(tables, airports);
  if (airports.empty()) {
    core::say("\n Not a valid ANF file.\n");
    return done();
  }
  switch (apb::writeAirportsFile(airports, trevik::writeAirport1)) {
    case apb::Outcome::kNotOpened:
      core::say("\nFile is not open.\n");
      return 1;
    case apb::Outcome::kWriteFailed:
      core::say("\nFile writing failed.\n");
      return 1;
    case apb::Outcome::kWritten:
      break;
  }
  return done();
}

template <typename Char>
int run(int argc, Char** argv) {
  core::prepareProcess();
  core::useRecordArena();
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
