// converter: one Airbus airport file in, the AIRPORT2 file "APB" out.
#include <filesystem>
#include <vector>

#include "converter/reader.h"
#include "converter/writer.h"
#include "core/lines.h"
#include "core/run.h"

namespace {

int convert(const std::vector<std::filesystem::path>& arguments) {
  core::printBanner("Airport file converter: Airbus->VNF, v.0.9, 2020\n");
  if (arguments.empty()) {
    core::say("\nNo arguments. Quitting.\n");
    return 0;
  }
  // Only the first argument is an input; the rest are ignored.
  core::LineList lines;
  if (core::loadLines(arguments[0], lines, core::LoadVariant::kConverter)) {
    core::say("\nFile reading failed. Quitting.\n");
    return 0;
  }
  const core::WordTable table = core::splitWords(lines);
  std::vector<core::Airport> airports = converter::readAirbusAirports(table);
  if (airports.empty()) {
    core::say("\n Not a valid file.\n");
    return core::endWithDone();
  }
  return core::writeAirportsFile(airports, converter::writeAirport2);
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
