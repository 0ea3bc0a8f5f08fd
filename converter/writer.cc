// Writes airports in the AIRPORT2 form.
#include "converter/writer.h"

#include "apb/runway_lines.h"
#include "converter/obstacle_offsets.h"
#include "core/numbers/numbers.h"

namespace converter {
namespace {

using apb::LineSink;
using core::Airport;
using core::Obstacle;
using core::roundToInt;
using core::Runway;

void writeAirportLine(LineSink& out, const Airport& airport) {
  out.text(airport.icao).text(" ").text(airport.name).text(" ");
  out.text(airport.city).text(",").text(airport.state).text(" MMLOLO ");
  out.integer(roundToInt(airport.elevation)).text(" ").text(airport.iata);
  out.endLine();
}

// The obstacle's height and distance from the end of the take-off run, and
// its lateral distance, rounded.
void writeObstacleLine(LineSink& out, const Runway& runway,
                       const Obstacle& obstacle) {
  const ObstacleOffsets offsets = offsetsOf(runway, obstacle);
  char* p = out.reserve(3 * core::kMaxNumberText);
  p = core::writeInteger(p, roundToInt(offsets.height));
  *p++ = ' ';
  p = core::writeInteger(p, roundToInt(offsets.beyond));
  *p++ = ' ';
  p = core::writeInteger(p, roundToInt(obstacle.lateralDistance));
  out.commit(p);
  out.endLine();
}

void writeRunway(LineSink& out, const Runway& runway) {
  out.text("RWYU 0").endLine();
  apb::writeRunwayItems(out, runway);
  out.text(" 0").endLine();
  for (const Obstacle& obstacle : runway.obstacles) {
    writeObstacleLine(out, runway, obstacle);
  }
  apb::writeCommentLines(out, runway);
}

}  // namespace

void writeAirport2(LineSink& out, const Airport& airport) {
  out.text("AIRPORT2").endLine();
  writeAirportLine(out, airport);
  for (const Runway& runway : airport.runways) writeRunway(out, runway);
}

}  // namespace converter
