// Writes airports in the AIRPORT1 form.
#ifndef TREVIK_WRITER_H_
#define TREVIK_WRITER_H_

#include "apb/line_sink.h"
#include "core/records.h"

namespace trevik {

// Writes an airport: "AIRPORT1", the quoted airport line, and per runway
// "RWYS", the runway line, one line per obstacle (values as stored) and the
// six "H" lines.
void writeAirport1(apb::LineSink& out, const core::Airport& airport);

}  // namespace trevik

#endif  // TREVIK_WRITER_H_
