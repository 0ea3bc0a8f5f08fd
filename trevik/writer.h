// Writes airports in the AIRPORT1 form.
#ifndef TREVIK_WRITER_H_
#define TREVIK_WRITER_H_

#include <span>

#include "apb/line_sink.h"
#include "core/records.h"

namespace trevik {

// Writes every airport in order: "AIRPORT1", the quoted airport line, and per
// runway "RWYS", the runway line, one line per obstacle (values as stored)
// and the six "H" lines.
// The lines of a run of airports are the same wherever the run begins, so a
// file may be written a slice at a time.
void writeAirport1(apb::LineSink& out, std::span<const core::Airport> airports);

}  // namespace trevik

#endif  // TREVIK_WRITER_H_
