// Reads the airports of an Airbus airport file by the row positions of its
// keys.
#ifndef CONVERTER_READER_H_
#define CONVERTER_READER_H_

#include <vector>

#include "core/lines.h"
#include "core/records.h"

namespace converter {

// Every airport block of the table that closes with three "End" rows, in file
// order. A block that does not close is dropped and the scan goes on at the
// row after its "Airport" row. Missing rows and words read as nothing (an
// empty text or 0); never reads outside the table, never reports.
std::vector<core::Airport> readAirbusAirports(const core::WordTable& table);

}  // namespace converter

#endif  // CONVERTER_READER_H_
