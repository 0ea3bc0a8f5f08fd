// Writes airports in the AIRPORT2 form.
#ifndef CONVERTER_WRITER_H_
#define CONVERTER_WRITER_H_

#include "apb/line_sink.h"
#include "core/records.h"

namespace converter {

// Writes an airport: "AIRPORT2", the airport line, and per runway "RWYU 0",
// the runway line, one line per obstacle (height and distance relative to
// the end of the take-off run) and the six "H" lines.
void writeAirport2(apb::LineSink& out, const core::Airport& airport);

}  // namespace converter

#endif  // CONVERTER_WRITER_H_
