#include "converter/writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/records.h"

namespace converter {
namespace {

using core::Airport;
using core::Obstacle;
using core::Runway;

// The example airport: one runway with two obstacles.
Airport exampleAirport() {
  Runway runway = tests::airbusExampleRunway();
  runway.obstacles = {Obstacle{3500, 140, 50}, Obstacle{2800, 90.25, -20.5}};
  return tests::airbusExampleAirport({runway});
}

std::string written(const std::vector<Airport>& airports) {
  apb::LineSink sink;
  for (const Airport& airport : airports) writeAirport2(sink, airport);
  return std::string(sink.view());
}

constexpr const char* kRunwayEnd =
    "H RUNWAY BEARING STRENGTH: PCN 50\r\n"
    "H RUNWAY WIDTH: 45\r\n"
    "H MAGNETIC HEADING: 93\r\n"
    "H DATE: 20200115\r\n";

TEST(WriteAirport2, WritesTheExampleByteForByte) {
  EXPECT_EQ(written({exampleAirport()}),
            std::string("AIRPORT2\r\n"
                        "ABCD ALPHA BETA,GAMMA MMLOLO 124 XYZ\r\n"
                        "RWYU 0\r\n"
                        "'09L' 0 3000 3200 3000 2800 0.5 0.5 0.5 2 0\r\n"
                        "25 500 50\r\n"
                        "-25 -200 -21\r\n"
                        "H TAKEOFF:   WET RWY\r\n"
                        "H LANDING:  \r\n") +
                kRunwayEnd);
}

TEST(WriteAirport2, WritesFieldsAsStored) {
  Airport airport = exampleAirport();
  airport.elevation = -2.5;
  airport.state = "";
  airport.runways[0].obstacles.clear();
  airport.runways[0].ident = "";
  EXPECT_EQ(written({airport}),
            std::string("AIRPORT2\r\n"
                        "ABCD ALPHA BETA, MMLOLO -3 XYZ\r\n"
                        "RWYU 0\r\n"
                        "'' 0 3000 3200 3000 2800 0.5 0.5 0.5 0 0\r\n"
                        "H TAKEOFF:   WET RWY\r\n"
                        "H LANDING:  \r\n") +
                kRunwayEnd);
}

TEST(WriteAirport2, RoundsObstacleHeightsHalfAwayFromZero) {
  // The runway end stands at 0.5 * 0.01 * 3000 + 100 = 115.
  struct Case {
    double elevation;
    const char* line;
  };
  const Case cases[] = {{115.5, "1 0 0"}, {114.5, "-1 0 0"}, {115, "0 0 0"}};
  for (const Case& c : cases) {
    Airport airport = exampleAirport();
    airport.runways[0].obstacles = {Obstacle{3000, c.elevation, 0}};
    EXPECT_NE(written({airport}).find(std::string("\r\n") + c.line + "\r\n"),
              std::string::npos)
        << c.line;
  }
}

TEST(WriteAirport2, ComputesHeightOneRoundingAtATime) {
  // Rounded after each operation the runway end is 12.8205000...01 and the
  // height exactly 0.5, written as 1; a fused multiply-add gives a height
  // just below 0.5, written as 0.
  Airport airport = exampleAirport();
  Runway& runway = airport.runways[0];
  runway.slope = 0.01;
  runway.tora = 3205;
  runway.thresholdElevation = 12.5;
  runway.obstacles = {Obstacle{3205, 13.3205, 0}};
  EXPECT_NE(written({airport}).find("\r\n1 0 0\r\n"), std::string::npos);
}

TEST(WriteAirport2, WritesSlopesInTheDefaultForm) {
  struct Case {
    double slope;
    const char* text;
  };
  const Case cases[] = {
      {0.12345678, "0.123457"}, {-0.8, "-0.8"}, {0, "0"}, {0.00001, "1e-005"}};
  for (const Case& c : cases) {
    Airport airport = exampleAirport();
    airport.runways[0].slope = c.slope;
    airport.runways[0].obstacles.clear();
    std::string want = " 2800 ";  // the slope stands three times
    for (int k = 0; k < 3; ++k) (want += c.text) += ' ';
    want += "0 0\r\n";
    EXPECT_NE(written({airport}).find(want), std::string::npos) << c.text;
  }
}

TEST(WriteAirport2, WritesAirportsBackToBack) {
  Airport bare = exampleAirport();
  bare.runways.clear();
  EXPECT_EQ(written({bare, bare}),
            "AIRPORT2\r\nABCD ALPHA BETA,GAMMA MMLOLO 124 XYZ\r\n"
            "AIRPORT2\r\nABCD ALPHA BETA,GAMMA MMLOLO 124 XYZ\r\n");
}

}  // namespace
}  // namespace converter
