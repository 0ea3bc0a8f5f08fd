// Runway lines that the AIRPORT1 and AIRPORT2 forms write alike.
#ifndef CORE_RUNWAY_LINES_H_
#define CORE_RUNWAY_LINES_H_

#include "core/line_sink.h"
#include "core/records.h"

namespace core {

// Writes the runway line up to its obstacle count, without ending the line:
// the quoted ident, the fixed 0, the rounded TORA, TODA, ASDA and LDA, the
// slope three times and the number of obstacles, separated by blanks.
void writeRunwayItems(LineSink& out, const Runway& runway);

// Writes the six "H" lines that close every runway: take-off and landing
// remarks, bearing strength, width, magnetic heading and date.
void writeCommentLines(LineSink& out, const Runway& runway);

}  // namespace core

#endif  // CORE_RUNWAY_LINES_H_
