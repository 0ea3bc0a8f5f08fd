// Where an obstacle stands as the AIRPORT2 obstacle line gives it: what the
// writer writes and the reader checks.
#ifndef CONVERTER_OBSTACLE_OFFSETS_H_
#define CONVERTER_OBSTACLE_OFFSETS_H_

#include "core/records.h"

namespace converter {

// The obstacle's height above the runway at the end of the take-off run,
// where the threshold is raised by the slope (in percent) over the TORA,
// and its distance beyond that point. One rounding per operation, in this
// order; the line rounds both.
struct ObstacleOffsets {
  double height = 0;
  double beyond = 0;
};
inline ObstacleOffsets offsetsOf(const core::Runway& runway,
                                 const core::Obstacle& obstacle) {
  const double endOfRun =
      runway.slope * 0.01 * runway.tora + runway.thresholdElevation;
  return {obstacle.elevation - endOfRun, obstacle.distance - runway.tora};
}

}  // namespace converter

#endif  // CONVERTER_OBSTACLE_OFFSETS_H_
