// Reads the airports of an Airbus airport file by the row positions of its
// keys.
#ifndef CONVERTER_READER_H_
#define CONVERTER_READER_H_

#include <iterator>
#include <string_view>

#include "core/findings/findings.h"
#include "core/reading/word_table.h"
#include "core/records.h"

namespace converter {

// The kinds of findings of an Airbus file, in the order a row's are shown.
enum FindingKind : unsigned {
  kLeftOut,     // an airport block that does not close, at its "Airport" row
  kKey,         // a key row of a written airport that holds another key
  kNumber,      // a number key row whose value is no number, read as 0
  kTextAfter,   // a number value with text after its number
  kOutOfRange,  // a number beyond what its field can be written as
  kFileMark,    // text after Ctrl-Z, a NUL byte (from the engine)
  kNoAirport,   // a file that gives no airport (from the driver)
};

// How each kind is named, by FindingKind. A file never has more of the
// kinds after kOutOfRange than are shown.
inline constexpr core::KindName kKindNames[] = {
    {"left-out", "airports left out", core::kAirportFact},
    {"key", "keys out of place", core::kNumberFacts},
    {"number", "numbers read as 0", core::kNumberFacts},
    {"text-after", "numbers with text after them", core::kNumberFacts},
    {"out-of-range", "numbers out of range", core::kNumberFacts},
    {"file-mark", "findings"},
    {"no-airport", "findings"},
};
static_assert(std::size(kKindNames) == kNoAirport + 1);

// True when row starts an airport block: its first word is "Airport".
bool isAirportRow(const core::WordTable& table, size_t row);

// Reads the airport block whose "Airport" row is row into airport (made
// empty), forward from row only; missing rows and words read as nothing (an
// empty text or 0). False, with its kLeftOut finding naming the first
// marker row that failed, when the block does not close with three "End"
// rows; else end is the row after them, and findings get each key row that
// holds another key (the optional "LateralDistance" excepted), each number
// key row whose value is not a number, has text after its number or is
// beyond what its field can be written as, and each obstacle line value
// that comes out beyond what it can be written as; its runways and
// obstacles are counted as read.
bool readAirbusAirport(const core::WordTable& table, size_t row,
                       core::Airport& airport, core::Findings& findings,
                       size_t& end);

}  // namespace converter

#endif  // CONVERTER_READER_H_
