// Writes airports in the AIRPORT2 form.
#ifndef CONVERTER_WRITER_H_
#define CONVERTER_WRITER_H_

#include <span>

#include "apb/line_sink.h"
#include "core/records.h"

namespace converter {

// Writes every airport in order: "AIRPORT2", the airport line, and per runway
// "RWYU 0", the runway line, one line per obstacle (height and distance
// relative to the end of the take-off run) and the six "H" lines.
// The lines of a run of airports are the same wherever the run begins, so a
// file may be written a slice at a time.
void writeAirport2(apb::LineSink& out, std::span<const core::Airport> airports);

// Where an obstacle stands as its line gives it: its height above the runway
// at the end of the take-off run, where the threshold is raised by the slope
// (in percent) over the TORA, and its distance beyond that point. One
// rounding per operation, in this order; the line rounds both.
struct ObstacleOffsets {
  double height = 0;
  double beyond = 0;
};
ObstacleOffsets offsetsOf(const core::Runway& runway,
                          const core::Obstacle& obstacle);

}  // namespace converter

#endif  // CONVERTER_WRITER_H_
