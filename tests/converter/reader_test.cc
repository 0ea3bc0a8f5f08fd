#include "converter/reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "converter/format.h"
#include "tests/support/convert.h"
#include "tests/support/findings.h"
#include "tests/support/print_records.h"
#include "tests/support/records.h"

namespace converter {
namespace {

using core::Airport;
using core::Obstacle;
using core::Runway;
using Rows = std::vector<std::string>;

// Rows 0-11 of an airport block; unexamined rows hold other keys.
Rows airportHead() {
  return {"Airport=ABCD;", "Name=ALPHA;",     "State=GAMMA;",
          "City=BETA;",    "ICAO=ABCD;",      "IATA=XYZ;",
          "Latitude=1.5;", "Longitude=-2.5;", "Elevation=123.5;",
          "Variation=-1;", "TimeZone=+1;",    "LastUpdate=20200115;"};
}

// Rows R to R+30 of a runway block.
Rows runwayHead() {
  Rows rows = {"Runway=1;",
               "MagneticHeading=93.9;",
               "Length=3000;",
               "Strength=50;",
               "Surface=ASP;",
               "Width=45.7;",
               "Lights=Y;",
               "ILS=Y;",
               "LastUpdate=20200116;",
               "QFU=93;",
               "Ident=09L/A;",
               "ASDA=3000;",
               "TODA=3200;",
               "TORA=3000;",
               "LDA=2800;",
               "Slope=0.5;",
               "Lat=1;",
               "Lon=2;",
               "ThresholdElevation=100;"};
  for (int i = 0; i < 9; ++i) rows.push_back("Remark=none;");
  rows.push_back("TOComments=WET  RWY;");
  rows.push_back("LDComments;");
  rows.push_back("Source=AIP;");
  return rows;
}

Rows obstacleBlock(int distance) {
  return {"Obstacle=1;",    "Distance=" + std::to_string(distance) + ";",
          "Elevation=140;", "LateralDistance=-20.5;",
          "Type=Mast;",     "Lit=Y;",
          "Ref=AIP;",       "End;"};
}

void append(Rows& rows, const Rows& more) {
  rows.insert(rows.end(), more.begin(), more.end());
}

// One runway with the given number of obstacle blocks and its closing rows;
// a third "End" when it closes the airport.
Rows runwayBlock(int obstacles, bool lastOfAirport) {
  Rows rows = runwayHead();
  for (int k = 0; k < obstacles; ++k) append(rows, obstacleBlock(3500 + k));
  append(rows, {"End;", "End;"});
  if (lastOfAirport) rows.push_back("End;");
  return rows;
}

Rows minimalFile() {
  Rows rows = airportHead();
  append(rows, runwayBlock(0, true));
  return rows;
}

std::vector<Airport> read(const Rows& rows, core::Findings& findings) {
  tests::AirportsRead read = tests::readAirports(kFormat, {rows});
  findings = std::move(read.findings.at(0));
  return read.airports;
}

std::vector<Airport> read(const Rows& rows) {
  core::Findings findings;
  return read(rows, findings);
}

std::vector<std::string> findingsOf(const Rows& rows) {
  core::Findings findings;
  read(rows, findings);
  return tests::findingLines(findings);
}

Runway expectedRunway(int obstacles) {
  Runway runway = tests::airbusExampleRunway();
  runway.ident = "09L-A";
  runway.lastUpdate = "20200116";
  for (int k = 0; k < obstacles; ++k) {
    runway.obstacles.push_back(Obstacle{3500.0 + k, 140, -20.5});
  }
  return runway;
}

Airport expectedAirport(std::vector<Runway> runways) {
  return tests::airbusExampleAirport(std::move(runways));
}

TEST(ReadAirbusAirports, ReadsTheSmallestCompleteFile) {
  const Rows rows = minimalFile();
  ASSERT_EQ(rows.size(), 46u);
  EXPECT_EQ(read(rows),
            std::vector<Airport>{expectedAirport({expectedRunway(0)})});
}

TEST(ReadAirbusAirports, ReadsUpToFiftyObstacleBlocks) {
  for (int obstacles : {1, 2, 50}) {
    Rows rows = airportHead();
    append(rows, runwayBlock(obstacles, true));
    EXPECT_EQ(
        read(rows),
        std::vector<Airport>{expectedAirport({expectedRunway(obstacles)})})
        << obstacles;
  }
  Rows rows = airportHead();
  append(rows, runwayBlock(51, true));  // the 51st block cannot close
  EXPECT_TRUE(read(rows).empty());
}

TEST(ReadAirbusAirports, KeepsRunwaysAndAirportsInFileOrder) {
  Rows rows = airportHead();
  append(rows, runwayBlock(1, false));
  append(rows, runwayBlock(0, true));
  const Rows once = rows;
  append(rows, once);  // the same airport twice: both are kept
  const Airport airport =
      expectedAirport({expectedRunway(1), expectedRunway(0)});
  EXPECT_EQ(read(rows), (std::vector<Airport>{airport, airport}));
}

TEST(ReadAirbusAirports, ReadsEveryAirportOfALargeFileOnceInOrder) {
  // 5000 blocks of 46 rows: ranges of rows end inside blocks.
  constexpr size_t kAirports = 5000;
  Rows rows;
  for (size_t k = 0; k < kAirports; ++k) {
    Rows block = minimalFile();
    block[4] = "ICAO=A" + std::to_string(k) + ";";
    append(rows, block);
  }
  const std::vector<Airport> airports = read(rows);
  ASSERT_EQ(airports.size(), kAirports);
  Airport want = expectedAirport({expectedRunway(0)});
  size_t wrong = 0;
  for (size_t k = 0; k < kAirports; ++k) {
    want.icao = "A" + std::to_string(k);
    wrong += airports[k] == want ? 0 : 1;
  }
  EXPECT_EQ(wrong, 0u);
}

// Replaces row `row` of the minimal file and returns the one airport read.
Airport readWith(size_t row, const std::string& text) {
  Rows rows = minimalFile();
  rows[row] = text;
  const std::vector<Airport> airports = read(rows);
  EXPECT_EQ(airports.size(), 1u) << text;
  return airports.empty() ? Airport{} : airports[0];
}

TEST(ReadAirbusAirports, ReadsValuesByTheirOwnRules) {
  EXPECT_EQ(readWith(1, "Name=Two Words;").name, "Two");
  EXPECT_EQ(readWith(1, "name=X;").name, "");  // keys match exactly
  EXPECT_EQ(readWith(1, "Names=X;").name, "");
  EXPECT_EQ(readWith(1, "Name;").name, "");
  EXPECT_EQ(readWith(1, "").name, "");
  EXPECT_EQ(readWith(8, "Elevation=abc;").elevation, 0);
  EXPECT_EQ(readWith(8, "Elevation;").elevation, 0);
  EXPECT_EQ(readWith(12 + 5, "Width=60;").runways[0].width, 60);
  EXPECT_EQ(
      readWith(12 + 1, "MagneticHeading=-7.9;").runways[0].magneticHeading, -7);
  EXPECT_EQ(readWith(12 + 10, "Ident=27R/BRAVO12;").runways[0].ident,
            "27R-BRAVO");
  EXPECT_EQ(readWith(12 + 10, "Ident=1/2/3/4/5/6;").runways[0].ident,
            "1-2-3-4-5");
  EXPECT_EQ(readWith(12 + 10, "Ident;").runways[0].ident, "");
  EXPECT_EQ(readWith(12 + 28, "TOComments;").runways[0].toComments, " ");
  EXPECT_EQ(readWith(12 + 28, "TOComments=A=B;C;").runways[0].toComments,
            "  A B C");
  EXPECT_EQ(readWith(12 + 28, "Remark=x;").runways[0].toComments, "");
  EXPECT_EQ(readWith(12 + 13, "TORA;").runways[0].tora, 0);
  EXPECT_EQ(readWith(12 + 13, "TORA=12.5m;").runways[0].tora, 12.5);
}

TEST(ReadAirbusAirports, ReadsCommentsOfMillionsOfWords) {
  // Each word found by its own walk of the row would take hours here.
  std::string row = "TOComments=";
  for (int i = 0; i < 1'000'000; ++i) row += "W ";
  EXPECT_EQ(readWith(12 + 28, row).runways[0].toComments.size(), 2'000'001u);
}

TEST(ReadAirbusAirports, ReadsOptionalLateralDistance) {
  Rows rows = airportHead();
  append(rows, runwayBlock(3, true));
  const size_t firstBlock = 12 + 31;
  rows[firstBlock + 3] = "LateralDistance;";  // no value: 0
  rows[firstBlock + 8 + 3] = "Remark=5;";     // no key: stays 0
  rows[firstBlock + 16 + 2] = "Height=9;";    // a missing key does not leak
  const std::vector<Airport> airports = read(rows);
  ASSERT_EQ(airports.size(), 1u);
  const auto& obstacles = airports[0].runways[0].obstacles;
  ASSERT_EQ(obstacles.size(), 3u);
  EXPECT_EQ(obstacles[0], (Obstacle{3500, 140, 0}));
  EXPECT_EQ(obstacles[1], (Obstacle{3501, 140, 0}));
  EXPECT_EQ(obstacles[2], (Obstacle{3502, 0, -20.5}));
}

TEST(ReadAirbusAirports, NumbersDoNotLeakIntoTheNextRunway) {
  Rows rows = airportHead();
  append(rows, runwayBlock(0, false));
  Rows second = runwayBlock(0, true);
  second[13] = "Remark=x;";  // no TORA row
  append(rows, second);
  const std::vector<Airport> airports = read(rows);
  ASSERT_EQ(airports.size(), 1u);
  EXPECT_EQ(airports[0].runways[0].tora, 3000);
  EXPECT_EQ(airports[0].runways[1].tora, 0);
}

TEST(ReadAirbusAirports, DropsBlocksThatDoNotClose) {
  struct Case {
    const char* what;
    size_t row;
    std::string text;
  };
  const Case cases[] = {
      {"no Runway marker", 12, "Runways=1;"},
      {"no QFU marker", 12 + 9, "QFU2=1;"},
      {"no closing End", 12 + 31, "Done;"},
      {"one closing End", 12 + 32, "Done;"},
      {"row shifted", 12 + 20, ""},  // still matches: only markers steer
  };
  for (const Case& c : cases) {
    Rows rows = minimalFile();
    if (c.text.empty()) {
      rows.erase(rows.begin() + static_cast<long>(c.row));
    } else {
      rows[c.row] = c.text;
    }
    Rows withGoodAirport = rows;
    append(withGoodAirport, minimalFile());
    EXPECT_TRUE(read(rows).empty()) << c.what;
    // The scan goes on after a broken block and finds the next airport.
    EXPECT_EQ(read(withGoodAirport).size(), 1u) << c.what;
  }
}

TEST(ReadAirbusAirports, StopsAtTheEndOfTheTable) {
  Rows rows = minimalFile();
  for (size_t keep = 0; keep < rows.size(); ++keep) {
    const Rows cut(rows.begin(), rows.begin() + static_cast<long>(keep));
    EXPECT_TRUE(read(cut).empty()) << keep;
  }
  EXPECT_TRUE(read({"Airport"}).empty());
}

TEST(ReadAirbusAirports, StartsABlockAtEveryAirportRow) {
  // An "Airport" row in an unexamined row of a complete block starts an
  // airport of its own, which cannot complete here.
  Rows rows = minimalFile();
  rows[6] = "Airport=inner;";
  EXPECT_EQ(read(rows).size(), 1u);
}

// A change to the smallest complete file (rows 0-45, "Runway" at 12,
// "QFU" at 21, the closing rows at 43-45): a row replaced, or removed
// when text is null; then the findings, as "LINE: MESSAGE".
struct FindingCase {
  const char* what;
  size_t row;
  const char* text;
  std::vector<std::string> want;
};

Rows changed(Rows rows, const FindingCase& c) {
  if (c.text == nullptr) {
    rows.erase(rows.begin() + static_cast<long>(c.row));
  } else {
    rows[c.row] = c.text;
  }
  return rows;
}

TEST(ReadAirbusAirports, NamesTheMarkerThatLeavesAnAirportOut) {
  const FindingCase cases[] = {
      {"a line missing before QFU",
       16,
       nullptr,
       {"1: airport ABCD left out: line 22 should be \"QFU\" but is "
        "\"Ident\""}},
      {"the Runway marker misspelt",
       12,
       "runway=1;",
       {"1: airport ABCD left out: line 13 should be \"Runway\" but is "
        "\"runway\""}},
      {"the first closing End replaced",
       43,
       "",
       {"1: airport ABCD left out: line 44 should be \"End\" but is an "
        "empty line"}},
      {"the second closing End replaced",
       44,
       "Endx;",
       {"1: airport ABCD left out: line 45 should be \"End\" but is "
        "\"Endx\""}},
      {"the third closing End missing",
       45,
       nullptr,
       {"1: airport ABCD left out: line 46 should be \"End\" or \"Runway\" "
        "but is past the end of the file (45 lines)"}},
      {"no ICAO code to name it by",
       4,
       "Icao=ABCD;",
       {"1: airport left out: line 46 should be \"End\" or \"Runway\" but "
        "is \"Next\""}},
  };
  for (const FindingCase& c : cases) {
    Rows rows = changed(minimalFile(), c);
    if (c.row == 4) rows[45] = "Next;";
    EXPECT_EQ(findingsOf(rows), c.want) << c.what;
  }
  // Cut before its last three rows, as a truncated copy.
  const Rows rows = minimalFile();
  EXPECT_EQ(findingsOf(Rows(rows.begin(), rows.end() - 3)),
            std::vector<std::string>{
                "1: airport ABCD left out: line 44 should be \"End\" but is "
                "past the end of the file (43 lines)"});
}

TEST(ReadAirbusAirports, SaysWhyAnObstacleBlockDoesNotCount) {
  Rows rows = airportHead();
  append(rows, runwayBlock(1, true));
  rows[12 + 31 + 7] = "Fin;";
  EXPECT_EQ(findingsOf(rows),
            std::vector<std::string>{
                "1: airport ABCD left out: line 44 should be \"End\" but is "
                "\"Obstacle\" (no \"End\" 7 lines below it)"});
  rows = airportHead();
  append(rows, runwayBlock(51, true));
  EXPECT_EQ(findingsOf(rows),
            std::vector<std::string>{
                "1: airport ABCD left out: line 444 should be \"End\" but is "
                "\"Obstacle\" (the runway's 51st obstacle block)"});
}

TEST(ReadAirbusAirports, NotesKeysOfWrittenAirportsThatReadAsNothing) {
  const FindingCase cases[] = {
      {"a key in lower case",
       1,
       "name=ALPHA;",
       {"2: key should be \"Name\" but is \"name\"; the name reads as "
        "\"\""}},
      {"an empty key row",
       3,
       "",
       {"4: key should be \"City\" but is an empty line; the city reads as "
        "\"\""}},
      {"a number key shifted",
       8,
       "Variation=-1;",
       {"9: key should be \"Elevation\" but is \"Variation\"; the elevation "
        "reads as 0"}},
      {"a comment key misspelt",
       40,
       "TOComment=WET;",
       {"41: key should be \"TOComments\" but is \"TOComment\"; the take-off "
        "comment reads as \"\""}},
      {"a value that is no number",
       8,
       "Elevation=abc;",
       {"9: the elevation \"abc\" is not a number, read as 0"}},
      {"an integer that is no number",
       17,
       "Width=.5;",
       {"18: the width \".5\" is not a number, read as 0"}},
      {"a number key without a value",
       23,
       "ASDA;",
       {"24: the ASDA has no value, read as 0"}},
      {"numbers that are numbers", 23, "ASDA=-.5e1;", {}},
      {"an unexamined row", 6, "Anything=at all;", {}},
  };
  for (const FindingCase& c : cases) {
    EXPECT_EQ(findingsOf(changed(minimalFile(), c)), c.want) << c.what;
  }
}

TEST(ReadAirbusAirports, ReportsALeftOutAirportOnlyByItsMarker) {
  Rows rows = minimalFile();
  rows[1] = "name=ALPHA;";
  rows[21] = "Qfu=93;";
  EXPECT_EQ(findingsOf(rows),
            std::vector<std::string>{
                "1: airport ABCD left out: line 22 should be \"QFU\" but is "
                "\"Qfu\""});
}

TEST(ReadAirbusAirports, NeverNotesTheOptionalLateralDistanceMissing) {
  Rows rows = airportHead();
  append(rows, runwayBlock(2, true));
  rows[12 + 31 + 3] = "Lateral=5;";
  rows[12 + 31 + 8 + 3] = "LateralDistance=x;";
  EXPECT_TRUE(findingsOf(rows).empty());
}

TEST(ReadAirbusAirports, NotesNumbersNotReadAsTheyStand) {
  const FindingCase cases[] = {
      {"a decimal comma",
       8,
       "Elevation=1,5;",
       {"9: the elevation \"1,5\" reads as 1"}},
      {"a unit after the number",
       25,
       "TORA=3000m;",
       {"26: the TORA \"3000m\" reads as 3000"}},
      {"a whole-number field rounds its fraction", 17, "Width=45.7e0;", {}},
      {"text after a whole number",
       17,
       "Width=45m;",
       {"18: the width \"45m\" reads as 45"}},
      {"a heading beyond a whole number's range",
       13,
       "MagneticHeading=99999999999;",
       {"14: the magnetic heading \"99999999999\" is out of range, written "
        "as 2.14748e+009"}},
      {"a whole number at its range's end",
       13,
       "MagneticHeading=-2147483648;",
       {}},
      {"a TORA beyond a whole number's range",
       25,
       "TORA=3e9;",
       {"26: the TORA \"3e9\" is out of range, written as 2147483647"}},
      {"a slope beyond any number",
       27,
       "Slope=1e400;",
       {"28: the slope \"1e400\" is out of range, written as inf"}},
  };
  for (const FindingCase& c : cases) {
    EXPECT_EQ(findingsOf(changed(minimalFile(), c)), c.want) << c.what;
  }
}

TEST(ReadAirbusAirports, NotesObstacleLinesBeyondTheirRange) {
  Rows airport = airportHead();
  append(airport, runwayBlock(1, true));
  // Rows of the runway's threshold and of its obstacle's values.
  constexpr size_t kThreshold = 12 + 18, kDistance = 12 + 31 + 1,
                   kElevation = kDistance + 1, kLateral = kDistance + 2;
  struct Case {
    const char* what;
    std::vector<std::pair<size_t, std::string>> rows;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"a threshold beyond any number",
       {{kThreshold, "ThresholdElevation=1e400;"}},
       {"46: the obstacle's height above the end of the take-off run is out "
        "of range, written as -2147483648"}},
      {"infinities that cancel",
       {{kThreshold, "ThresholdElevation=1e400;"},
        {kElevation, "Elevation=1e400;"}},
       {"46: the obstacle's height above the end of the take-off run comes "
        "out as NaN, written as 0"}},
      {"a distance far beyond the runway",
       {{kDistance, "Distance=5e9;"}},
       {"45: the obstacle's distance beyond the end of the take-off run is "
        "out of range, written as 2147483647"}},
      {"a lateral distance with a unit",
       {{kLateral, "LateralDistance=5m;"}},
       {"47: the lateral distance \"5m\" reads as 5"}},
      {"a lateral distance beyond its range",
       {{kLateral, "LateralDistance=-7e9;"}},
       {"47: the lateral distance \"-7e9\" is out of range, written as "
        "-2147483648"}},
  };
  for (const Case& c : cases) {
    Rows rows = airport;
    for (const auto& [row, text] : c.rows) rows[row] = text;
    EXPECT_EQ(findingsOf(rows), c.want) << c.what;
  }
}

}  // namespace
}  // namespace converter
