// Runway lines that the AIRPORT1 and AIRPORT2 forms write alike.
#include "apb/runway_lines.h"

#include "core/numbers/numbers.h"

namespace apb {

using core::kMaxNumberText;
using core::roundToInt;
using core::Runway;
using core::writeDecimal;

void writeRunwayItems(LineSink& out, const Runway& runway) {
  out.text("'").text(runway.ident).text("' 0 ");
  out.integer(roundToInt(runway.tora)).text(" ");
  out.integer(roundToInt(runway.toda)).text(" ");
  out.integer(roundToInt(runway.asda)).text(" ");
  out.integer(roundToInt(runway.lda)).text(" ");
  // The slope three times: its text once.
  char slope[kMaxNumberText + 1];
  char* end = writeDecimal(slope, runway.slope);
  *end++ = ' ';
  const std::string_view item(slope, static_cast<size_t>(end - slope));
  out.text(item).text(item).text(item);
  out.count(runway.obstacles.size());
}

void writeCommentLines(LineSink& out, const Runway& runway) {
  out.text("H TAKEOFF: ").text(runway.toComments).endLine();
  out.text("H LANDING: ").text(runway.ldComments).endLine();
  out.text("H RUNWAY BEARING STRENGTH: PCN ").text(runway.strength).endLine();
  out.text("H RUNWAY WIDTH: ").decimal(runway.width).endLine();
  out.text("H MAGNETIC HEADING: ").decimal(runway.magneticHeading).endLine();
  out.text("H DATE: ").text(runway.lastUpdate).endLine();
}

}  // namespace apb
