// Any bytes as an Airbus airport file, converted through a window the input
// chooses (fuzz/input.h): nothing may crash or read outside the input, and
// the conversion must give what the default window gives on one thread,
// with the rows of the text file rules and well-formed findings and "APB"
// (fuzz/checks.h).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/format.h"
#include "fuzz/checks.h"
#include "fuzz/input.h"

namespace {

using fuzz::check;

// What the reader promises of every airport it keeps.
void checkAirport(const core::Airport& airport) {
  check(!airport.runways.empty(), "airport without a runway");
  for (const core::Runway& runway : airport.runways) {
    check(runway.obstacles.size() <= 50, "more than 50 obstacles");
    const std::string_view ident = runway.ident;
    check(ident.size() <= 9, "ident longer than nine bytes");
    check(ident.find('/') == std::string_view::npos, "'/' in ident");
    for (const std::string_view comment :
         {std::string_view(runway.toComments),
          std::string_view(runway.ldComments)}) {
      check(comment.empty() || comment[0] == ' ',
            "comment does not start with a blank");
    }
  }
}

// An airport block starts at an "Airport" row.
bool startsBlock(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "Airport";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fuzz::checkConversion(
      {converter::kFormat, "AIRPORT2", checkAirport, startsBlock},
      fuzz::decode(bytes, fuzz::Files::kOne));
  return 0;
}
