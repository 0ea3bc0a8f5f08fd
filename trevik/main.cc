// trevik: one or more ANF airport files in, the AIRPORT1 file "APB" out.
#include <filesystem>
#include <vector>

#include "core/lines.h"
#include "core/run.h"
#include "trevik/reader.h"
#include "trevik/writer.h"

namespace {

int convert(const std::vector<std::filesystem::path>& arguments) {
  core::printBanner("Airport file converter: ANF->VARN, v.0.9, 2020\n");
  if (arguments.empty()) {
    core::say("\n No arguments. Quitting.\n");
    return 0;
  }
  // Every file is loaded before any is split; the first that cannot be
  // opened ends the run, and later paths are never opened.
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
    return core::endWithDone();
  }
  return core::writeAirportsFile(airports, trevik::writeAirport1);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  return core::runProgram(argc, argv, convert);
}
#else
int main(int argc, char** argv) {
  return core::runProgram(argc, argv, convert);
}
#endif
