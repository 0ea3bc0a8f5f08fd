// Writes airports in the AIRPORT2 form.
#include "converter/writer.h"

#include "apb/runway_lines.h"
#include "core/numbers.h"

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

// The obstacle's height above the runway at the end of the take-off run,
// where the threshold is raised by the slope (in percent) over the TORA, and
// its distance beyond that point. One rounding per operation, in this order.
void writeObstacleLine(LineSink& out, const Runway& runway,
                       const Obstacle& obstacle) {
  const double endOfRun =
      runway.slope * 0.01 * runway.tora + runway.thresholdElevation;
  const double height = obstacle.elevation - endOfRun;
  const double beyond = obstacle.distance - runway.tora;
  char* p = out.reserve(3 * core::kMaxNumberText);
  p = core::writeInteger(p, roundToInt(height));
  *p++ = ' ';
  p = core::writeInteger(p, roundToInt(beyond));
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

ObstacleOffsets offsetsOf(const Runway& runway, const Obstacle& obstacle) {
  const double endOfRun =
      runway.slope * 0.01 * runway.tora + runway.thresholdElevation;
  return {obstacle.elevation - endOfRun, obstacle.distance - runway.tora};
}

void writeAirport2(LineSink& out, std::span<const Airport> airports) {
  for (const Airport& airport : airports) {
    out.text("AIRPORT2").endLine();
    writeAirportLine(out, airport);
    for (const Runway& runway : airport.runways) writeRunway(out, runway);
  }
}

}  // namespace converter
