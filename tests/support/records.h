// The records of the two worked examples, for the reader and writer tests
// and the micro-benchmarks: each test starts from one and changes what it
// is about.
#ifndef TESTS_SUPPORT_RECORDS_H_
#define TESTS_SUPPORT_RECORDS_H_

#include <utility>

#include "core/records.h"

namespace tests {

// The Airbus example's runway, without obstacles.
inline core::Runway airbusExampleRunway() {
  core::Runway runway;
  runway.ident = "09L";
  runway.toComments = "  WET RWY";
  runway.ldComments = " ";
  runway.strength = "50";
  runway.lastUpdate = "20200115";
  runway.width = 45;
  runway.magneticHeading = 93;
  runway.thresholdElevation = 100;
  runway.tora = 3000;
  runway.toda = 3200;
  runway.asda = 3000;
  runway.lda = 2800;
  runway.slope = 0.5;
  return runway;
}

// The Airbus example's airport with the given runways.
inline core::Airport airbusExampleAirport(std::vector<core::Runway> runways) {
  core::Airport airport;
  airport.icao = "ABCD";
  airport.iata = "XYZ";
  airport.name = "ALPHA";
  airport.city = "BETA";
  airport.state = "GAMMA";
  airport.lastUpdate = "20200115";
  airport.elevation = 123.5;
  airport.runways = std::move(runways);
  return airport;
}

// The ANF worked example: what the reader makes of its six lines and what
// the AIRPORT1 writer turns into twelve.
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

#endif  // TESTS_SUPPORT_RECORDS_H_
