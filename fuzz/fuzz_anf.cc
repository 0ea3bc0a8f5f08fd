// Any bytes as one to four ANF files, converted through a window the input
// chooses (fuzz/input.h, which also says where the files are cut): nothing
// may crash or read outside a file, and the conversion must give what the
// default window gives on one thread, with the rows of the text file rules
// and well-formed findings and "APB" (fuzz/checks.h).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/checks.h"
#include "fuzz/input.h"
#include "trevik/format.h"

namespace {

using fuzz::check;

// What the reader promises of every airport it keeps.
void checkAirport(const core::Airport& airport) {
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

// An airport starts at a header: "ANF" and at least two more words.
bool isHeader(const std::vector<std::string>& words) {
  return words.size() >= 3 && words[0] == "ANF";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fuzz::checkConversion({trevik::kFormat, "AIRPORT1", checkAirport, isHeader},
                        fuzz::decode(bytes, fuzz::Files::kSeveral));
  return 0;
}
