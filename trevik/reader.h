// Reads the airports of ANF airport files by line and word position.
#ifndef TREVIK_READER_H_
#define TREVIK_READER_H_

#include <iterator>
#include <string_view>

#include "core/findings/findings.h"
#include "core/reading/word_table.h"
#include "core/records.h"

namespace trevik {

// The kinds of findings of an ANF file, in the order a line's are shown.
enum FindingKind : unsigned {
  kLeftOut,        // an "ANF" header of 3 or more words that starts no airport
  kTwoWordHeader,  // an "ANF" line of exactly two words
  kCount,          // an obstacle count that is not what it is read as
  kShortObstacle,  // an obstacle line of fewer than two words
  kNumber,         // a number word that is no number, read as 0
  kTextAfter,      // a number word with text after its number
  kOutOfRange,     // a number beyond what its field can be written as
  kUnread,         // lines that no airport reads, where data may have been
  kFileMark,       // text after Ctrl-Z, a NUL byte (from the engine)
  kNoAirport,      // a file that gives no airport
};

// How each kind is named, by FindingKind. A file never has more of the
// kinds after kUnread than are shown.
inline constexpr core::KindName kKindNames[] = {
    {"left-out", "airports left out", core::kAirportFact},
    {"two-word-header", "two-word \"ANF\" lines"},
    {"count", "obstacle counts", core::kNumberFacts},
    {"short-obstacle", "short obstacle lines", core::kAirportFact},
    {"number", "numbers read as 0", core::kNumberFacts},
    {"text-after", "numbers with text after them", core::kNumberFacts},
    {"out-of-range", "numbers out of range", core::kNumberFacts},
    {"unread", "runs of lines that no airport reads", core::kAirportFact},
    {"file-mark", "findings"},
    {"no-airport", "findings"},
};
static_assert(std::size(kKindNames) == kNoAirport + 1);

// True when row may start an airport: its first word is "ANF" and at least
// one more word follows.
bool isAnfLine(const core::WordTable& table, size_t row);

// Reads the airport whose header is at row into airport (made empty),
// forward from row only: a header is a line of at least three words whose
// first is "ANF", followed by a line of at least one word and a runway line
// of at least seven. Missing words read as 0; never reads outside the
// file's lines or a line's words. False, with the reason noted, for an
// "ANF" line that is no header; else end is the row after its last line,
// and what it does not read as it stands goes to findings, with its
// runways and obstacles counted as read.
bool readAnfAirport(const core::WordTable& table, size_t header,
                    core::Airport& airport, core::Findings& findings,
                    size_t& end);

}  // namespace trevik

#endif  // TREVIK_READER_H_
