// Runway lines that the AIRPORT1 and AIRPORT2 forms write alike.
#ifndef APB_RUNWAY_LINES_H_
#define APB_RUNWAY_LINES_H_

#include "apb/line_sink.h"
#include "core/records.h"

namespace apb {

// Writes the runway line up to its obstacle count, without ending the line:
// the quoted ident, the fixed 0, the rounded TORA, TODA, ASDA and LDA, the
// slope three times and the number of obstacles, separated by blanks.
void writeRunwayItems(LineSink& out, const core::Runway& runway);

// Writes the six "H" lines that close every runway: take-off and landing
// remarks, bearing strength, width, magnetic heading and date.
void writeCommentLines(LineSink& out, const core::Runway& runway);

}  // namespace apb

#endif  // APB_RUNWAY_LINES_H_
