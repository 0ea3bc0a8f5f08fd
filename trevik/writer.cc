// Writes airports in the AIRPORT1 form.
#include "trevik/writer.h"

#include "apb/runway_lines.h"
#include "core/numbers/numbers.h"

namespace trevik {
namespace {

using apb::LineSink;
using core::Airport;
using core::Obstacle;
using core::roundToInt;
using core::Runway;

void writeAirportLine(LineSink& out, const Airport& airport) {
  out.text("'").text(airport.icao).text("' '").text(airport.name);
  out.text("' '").text(airport.city).text(",").text(airport.state);
  out.text("' 'FFLOLO' ").integer(roundToInt(airport.elevation)).endLine();
}

// Elevation first, although the record lists the distance first.
void writeObstacleLine(LineSink& out, const Obstacle& obstacle) {
  char* p = out.reserve(3 * core::kMaxNumberText);
  p = core::writeInteger(p, roundToInt(obstacle.elevation));
  *p++ = ' ';
  p = core::writeInteger(p, roundToInt(obstacle.distance));
  *p++ = ' ';
  p = core::writeInteger(p, roundToInt(obstacle.lateralDistance));
  out.commit(p);
  out.endLine();
}

void writeRunway(LineSink& out, const Runway& runway) {
  out.text("RWYS").endLine();
  apb::writeRunwayItems(out, runway);
  out.endLine();
  for (const Obstacle& obstacle : runway.obstacles) {
    writeObstacleLine(out, obstacle);
  }
  apb::writeCommentLines(out, runway);
}

}  // namespace

void writeAirport1(LineSink& out, const Airport& airport) {
  out.text("AIRPORT1").endLine();
  writeAirportLine(out, airport);
  for (const Runway& runway : airport.runways) writeRunway(out, runway);
}

}  // namespace trevik
