// converter: one Airbus airport file in, the AIRPORT2 file "APB" out.
//
// Every console text and exit code of the program is here, in the order a
// run meets them.
#include <filesystem>
#include <new>
#include <string_view>
#include <vector>

#include "apb/output_file.h"
#include "converter/reader.h"
#include "converter/writer.h"
#include "core/console.h"
#include "core/lines.h"
#include "core/platform.h"
#include "core/record_memory.h"

namespace {

constexpr std::string_view kBanner =
    "\n"
    "-------------------------------------------------\n"
    "Airport file converter: Airbus->VNF, v.0.9, 2020\n"
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
    core::say("\nNo arguments. Quitting.\n");
    return 0;
  }
  // Only the first argument is an input; the rest are ignored. The loader
  // says "File is not open" itself when it cannot open the file.
  core::LineList lines;
  if (core::loadLines(arguments[0], lines, core::LoadVariant::kConverter)) {
    core::say("\nFile reading failed. Quitting.\n");
    return 0;
  }
  const core::WordTable table = core::splitWords(lines);
  const std::vector<core::Airport> airports =
      converter::readAirbusAirports(table);
  if (airports.empty()) {
    core::say("\n Not a valid file.\n");
    return done();
  }
  switch (apb::writeAirportsFile(airports, converter::writeAirport2)) {
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
