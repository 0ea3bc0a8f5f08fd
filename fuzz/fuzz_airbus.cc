// Any bytes as an Airbus airport file: load, split, read, write AIRPORT2.
// Nothing may crash or read outside the input; the lines and words must be
// those of the file rules, and the output must be well-formed CR LF lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/reader.h"
#include "converter/writer.h"
#include "core/lines.h"
#include "fuzz/checks.h"

namespace {

using fuzz::check;

// What the reader promises of every airport it returns.
void checkAirports(const std::vector<core::Airport>& airports) {
  for (const core::Airport& airport : airports) {
    check(!airport.runways.empty(), "airport without a runway");
    for (const core::Runway& runway : airport.runways) {
      check(runway.obstacles.size() <= 50, "more than 50 obstacles");
      const std::string_view ident = runway.ident;
      check(ident.size() <= 9, "ident longer than nine bytes");
      check(ident.find('/') == std::string_view::npos, "'/' in ident");
      for (std::string_view comment : {std::string_view(runway.toComments),
                                       std::string_view(runway.ldComments)}) {
        check(comment.empty() || comment[0] == ' ',
              "comment does not start with a blank");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const core::LineList lines =
      core::linesFromBytes(bytes, core::Separators::kBlanks);
  const core::WordTable table = core::splitWords(lines);
  fuzz::checkLinesAndWords(bytes, core::Separators::kBlanks, lines, table);

  core::Findings findings;
  const std::vector<core::Airport> airports =
      converter::readAirbusAirports(table, findings);
  core::addFileMarks(lines, converter::kFileMark, findings);
  fuzz::checkFindings(findings, table, converter::kFileMark);
  checkAirports(airports);
  const std::string out = fuzz::writeBoth(converter::writeAirport2, airports);
  fuzz::checkOutputShape(out, "AIRPORT2", airports);
  return 0;
}
