// Reads the airports of ANF airport files by line and word position.
#ifndef TREVIK_READER_H_
#define TREVIK_READER_H_

#include <vector>

#include "core/lines.h"
#include "core/records.h"

namespace trevik {

// Appends one airport per airport header found, file by file in the order
// given and line by line within a file. A header is a line of at least three
// words whose first is "ANF", followed by a line of at least one word and a
// runway line of at least seven. Missing words read as 0; never reads outside
// a file's lines or a line's words, never reports.
void readAnfAirports(const std::vector<core::WordTable>& tables,
                     std::vector<core::Airport>& airports);

}  // namespace trevik

#endif  // TREVIK_READER_H_
