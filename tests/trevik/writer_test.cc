#include "trevik/writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/records.h"

namespace trevik {
namespace {

using core::Airport;
using core::Obstacle;
using core::Runway;

Runway exampleRunway() { return tests::anfExampleRunway(); }
Airport exampleAirport() { return tests::anfExampleAirport(); }

std::string written(const std::vector<Airport>& airports) {
  apb::LineSink sink;
  for (const Airport& airport : airports) writeAirport1(sink, airport);
  return std::string(sink.view());
}

constexpr const char* kExampleComments =
    "H TAKEOFF:  \r\n"
    "H LANDING:  \r\n"
    "H RUNWAY BEARING STRENGTH: PCN 50\r\n"
    "H RUNWAY WIDTH: 45\r\n"
    "H MAGNETIC HEADING: 90\r\n"
    "H DATE:  \r\n";

TEST(WriteAirport1, WritesTheExampleByteForByte) {
  EXPECT_EQ(written({exampleAirport()}),
            std::string("AIRPORT1\r\n"
                        "'ABCD' 'SAMPLEFIELD' 'SAMPLEFIELD, ' 'FFLOLO' 1235\r\n"
                        "RWYS\r\n"
                        "'09' 0 2500 2701 2500 2300 0.25 0.25 0.25 2\r\n"
                        "1301 3100 -151\r\n"
                        "1250 4000 0\r\n") +
                kExampleComments);
}

TEST(WriteAirport1, WritesEveryRunwayInOrder) {
  Airport airport = exampleAirport();
  Runway second = exampleRunway();
  second.ident = "27";
  second.slope = 0.00001;
  second.magneticHeading = 270;
  second.toComments = "";
  second.obstacles.clear();
  airport.runways.push_back(second);
  airport.state = "";
  EXPECT_EQ(written({airport}),
            std::string("AIRPORT1\r\n"
                        "'ABCD' 'SAMPLEFIELD' 'SAMPLEFIELD,' 'FFLOLO' 1235\r\n"
                        "RWYS\r\n"
                        "'09' 0 2500 2701 2500 2300 0.25 0.25 0.25 2\r\n"
                        "1301 3100 -151\r\n"
                        "1250 4000 0\r\n") +
                kExampleComments +
                "RWYS\r\n"
                "'27' 0 2500 2701 2500 2300 1e-005 1e-005 1e-005 0\r\n"
                "H TAKEOFF: \r\n"
                "H LANDING:  \r\n"
                "H RUNWAY BEARING STRENGTH: PCN 50\r\n"
                "H RUNWAY WIDTH: 45\r\n"
                "H MAGNETIC HEADING: 270\r\n"
                "H DATE:  \r\n");
}

TEST(WriteAirport1, WritesAnAirportWithoutRunwaysAsTwoLines) {
  Airport airport = exampleAirport();
  airport.runways.clear();
  airport.elevation = -0.5;
  airport.name = "O'HARE";
  EXPECT_EQ(written({airport, airport}),
            "AIRPORT1\r\n'ABCD' 'O'HARE' 'SAMPLEFIELD, ' 'FFLOLO' -1\r\n"
            "AIRPORT1\r\n'ABCD' 'O'HARE' 'SAMPLEFIELD, ' 'FFLOLO' -1\r\n");
}

}  // namespace
}  // namespace trevik
