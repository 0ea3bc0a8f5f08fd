// The ANF worked example as records: what the reader makes of its six lines
// and what the AIRPORT1 writer turns into twelve.
#ifndef TESTS_SUPPORT_ANF_EXAMPLE_H_
#define TESTS_SUPPORT_ANF_EXAMPLE_H_

#include "core/records.h"

namespace tests {

inline core::Runway anfExampleRunway() {
  core::Runway runway;
  runway.ident = "09";
  runway.tora = 2500.4;
  runway.toda = 2700.5;
  runway.asda = 2500;
  runway.lda = 2300;
  runway.slope = 0.25;
  runway.width = 45;
  runway.magneticHeading = 90;
  runway.strength = "50";
  runway.toComments = " ";
  runway.ldComments = " ";
  runway.lastUpdate = " ";
  runway.thresholdElevation = 1234.5;
  runway.obstacles = {core::Obstacle{3100, 1300.6, -150.5},
                      core::Obstacle{4000, 1250, 0}};
  return runway;
}

inline core::Airport anfExampleAirport() {
  core::Airport airport;
  airport.icao = "ABCD";
  airport.name = "SAMPLEFIELD";
  airport.city = "SAMPLEFIELD";
  airport.state = " ";
  airport.iata = " ";
  airport.lastUpdate = " ";
  airport.elevation = 1234.5;
  airport.runways.push_back(anfExampleRunway());
  return airport;
}

}  // namespace tests

#endif  // TESTS_SUPPORT_ANF_EXAMPLE_H_
