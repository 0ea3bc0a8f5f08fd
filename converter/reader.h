// Reads the airports of an Airbus airport file by the row positions of its
// keys.
#ifndef CONVERTER_READER_H_
#define CONVERTER_READER_H_

#include <string_view>
#include <vector>

#include "core/findings.h"
#include "core/records.h"
#include "core/word_table.h"

namespace converter {

// The kinds of findings of an Airbus file, in the order a row's are shown.
enum FindingKind : unsigned {
  kLeftOut,     // an airport block that does not close, at its "Airport" row
  kKey,         // a key row of a written airport that holds another key
  kNumber,      // a number key row whose value is no number, read as 0
  kTextAfter,   // a number value with text after its number
  kOutOfRange,  // a number beyond what its field can be written as
  kFileMark,    // text after Ctrl-Z, a NUL byte (from the loader)
  kNoAirport,   // a file that gives no airport (from the driver)
};

// How "N more KIND not shown" names a kind.
std::string_view kindName(unsigned kind);

// True when row starts an airport block: its first word is "Airport".
bool isAirportRow(const core::WordTable& table, size_t row);

// Reads the airport block whose "Airport" row is row into airport (made
// empty), forward from row only. False, with its kLeftOut finding, when the
// block does not close with three "End" rows; else end is the row after
// them, and what its key rows show goes to findings, with its runways and
// obstacles counted as read.
bool readAirbusAirport(const core::WordTable& table, size_t row,
                       core::Airport& airport, core::Findings& findings,
                       size_t& end);

// Every airport block of the table that closes with three "End" rows, in file
// order. A block that does not close is dropped and the scan goes on at the
// row after its "Airport" row. Missing rows and words read as nothing (an
// empty text or 0); never reads outside the table. What is left out or read
// as 0 goes to findings: one kLeftOut per dropped block, naming the first
// marker row that failed; for the airports kept, each key row that holds
// another key (the optional "LateralDistance" excepted), each number key
// row whose value is not a number, has text after its number or is beyond
// what its field can be written as, and each obstacle line value that comes
// out beyond what it can be written as.
std::vector<core::Airport> readAirbusAirports(const core::WordTable& table,
                                              core::Findings& findings);
// The same, for callers that want only the airports.
std::vector<core::Airport> readAirbusAirports(const core::WordTable& table);

}  // namespace converter

#endif  // CONVERTER_READER_H_
