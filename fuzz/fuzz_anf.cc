// Any bytes as one to three ANF files: load, split, read, write AIRPORT1.
// The first byte chooses the number of files and the next two bytes per
// further file where the rest of the input is cut. Nothing may crash or read
// outside a file; lines, words and output shape are checked as for Airbus.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/lines.h"
#include "fuzz/checks.h"
#include "trevik/reader.h"
#include "trevik/writer.h"

namespace {

using fuzz::check;

// Cuts the input into one to three files as its first bytes say.
std::vector<std::string_view> cutFiles(std::string_view input) {
  if (input.empty()) return {input};
  const size_t files = static_cast<uint8_t>(input[0]) % 3 + 1;
  const size_t header = 1 + 2 * (files - 1);
  if (input.size() < header) return {input.substr(1)};
  const std::string_view rest = input.substr(header);
  std::vector<size_t> cuts;
  for (size_t k = 0; k + 1 < files; ++k) {
    const size_t at =
        static_cast<uint8_t>(input[1 + 2 * k]) |
        static_cast<size_t>(static_cast<uint8_t>(input[2 + 2 * k])) << 8;
    cuts.push_back(at % (rest.size() + 1));
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.push_back(rest.size());
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (size_t cut : cuts) {
    pieces.push_back(rest.substr(start, cut - start));
    start = cut;
  }
  return pieces;
}

// What the reader promises of every airport it returns.
void checkAirports(const std::vector<core::Airport>& airports,
                   size_t headerLines) {
  check(airports.size() <= headerLines, "more airports than header lines");
  for (const core::Airport& airport : airports) {
    check(!airport.runways.empty(), "airport without a runway");
    check(std::string_view(airport.iata) == " " &&
              std::string_view(airport.state) == " ",
          "fields not carried");
    for (const core::Runway& runway : airport.runways) {
      check(runway.width == 45, "width is not 45");
      const double heading = runway.magneticHeading;
      check(heading >= 0 && heading < 360 &&
                heading == static_cast<double>(static_cast<int>(heading)),
            "magnetic heading out of 0 to 359");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<core::LineList> lines;
  std::vector<core::WordTable> tables;
  size_t headerLines = 0;
  for (std::string_view file : cutFiles(input)) {
    lines.push_back(core::linesFromBytes(file, core::Separators::kInWords));
    tables.push_back(core::splitWords(lines.back()));
    fuzz::checkLinesAndWords(file, core::Separators::kInWords, lines.back(),
                             tables.back());
    for (size_t row = 0; row < tables.back().rows(); ++row) {
      if (core::wordAt(tables.back(), row, 0) == "ANF") ++headerLines;
    }
  }

  std::vector<core::Airport> airports;
  std::vector<core::Findings> findings;
  trevik::readAnfAirports(tables, airports, findings);
  check(findings.size() == tables.size(), "findings not one per file");
  for (size_t k = 0; k < tables.size(); ++k) {
    core::addFileMarks(lines[k], trevik::kFileMark, findings[k]);
    fuzz::checkFindings(findings[k], tables[k], trevik::kFileMark);
  }
  checkAirports(airports, headerLines);
  const std::string out = fuzz::writeBoth(trevik::writeAirport1, airports);
  fuzz::checkOutputShape(out, "AIRPORT1", airports);
  return 0;
}
