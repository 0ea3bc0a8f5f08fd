// Reads the airports of ANF airport files by line and word position.
#include "trevik/reader.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/numbers.h"
#include "core/row_blocks.h"

namespace trevik {
namespace {

using core::Airport;
using core::Obstacle;
using core::Runway;
using core::wordAt;
using core::WordTable;

constexpr size_t kHeaderWords = 3;
constexpr size_t kRunwayWords = 7;
constexpr size_t kLateralWords = 3;
// ANF carries no width, remarks or dates.
constexpr double kRunwayWidth = 45;
constexpr std::string_view kNotCarried = " ";

bool isHeader(const WordTable& table, size_t row) {
  return table.wordCount(row) >= kHeaderWords &&
         core::wordIs(table, row, 0, "ANF") && table.wordCount(row + 1) >= 1 &&
         table.wordCount(row + 2) >= kRunwayWords;
}

// Words come from the loaded input, so atofWord may read past them.
double realAt(const WordTable& table, size_t row, size_t col) {
  return core::atofWord(wordAt(table, row, col));
}

// Ten times the designator's number (09L is 90), or 0 outside 0 to 359.
double headingOf(std::string_view designator) {
  const int64_t heading = int64_t{10} * core::atoi(designator);
  return heading < 0 || heading >= 360 ? 0 : static_cast<double>(heading);
}

// The number of obstacle lines of the runway at row that exist: the count
// of its count line, no more than the lines left in the file.
size_t obstaclesOf(const WordTable& table, size_t row) {
  const int32_t count = core::atoi(wordAt(table, row + 1, 0));
  const size_t first = row + 2;
  const size_t available = table.rows() > first ? table.rows() - first : 0;
  return std::min(static_cast<size_t>(std::max(count, 0)), available);
}

Obstacle readObstacle(const WordTable& table, size_t row) {
  std::string_view words[kLateralWords];
  const size_t n = core::rowWords(table, row, words, kLateralWords);
  Obstacle obstacle;
  obstacle.elevation = core::atofWord(words[0]);
  obstacle.distance = core::atofWord(words[1]);
  obstacle.lateralDistance = n >= kLateralWords ? core::atofWord(words[2]) : 0;
  return obstacle;
}

// Reads the runway at row, its count line and its obstacle lines (only those
// that exist); returns the row after the last obstacle line read.
size_t readRunway(const WordTable& table, size_t row, double elevation,
                  Runway& runway) {
  std::string_view words[kRunwayWords];
  core::rowWords(table, row, words, kRunwayWords);
  runway.ident.assign(words[0]);
  runway.tora = core::atofWord(words[1]);
  runway.toda = core::atofWord(words[2]);
  runway.asda = core::atofWord(words[3]);
  runway.lda = core::atofWord(words[4]);
  runway.slope = core::atofWord(words[5]);
  runway.strength.assign(words[6]);
  runway.magneticHeading = headingOf(words[0]);
  runway.width = kRunwayWidth;
  runway.thresholdElevation = elevation;
  runway.toComments = kNotCarried;
  runway.ldComments = kNotCarried;
  runway.lastUpdate = kNotCarried;

  const size_t obstacles = obstaclesOf(table, row);
  const size_t first = row + 2;
  runway.obstacles.reserve(obstacles);
  for (size_t i = 0; i < obstacles; ++i) {
    runway.obstacles.push_back(readObstacle(table, first + i));
  }
  return first + obstacles;
}

// The number of runways of the airport whose first runway line is row: the
// first is always read, a later one only while its line has all seven words.
size_t runwaysFrom(const WordTable& table, size_t row) {
  size_t runways = 0;
  do {
    ++runways;
    row += 2 + obstaclesOf(table, row);
  } while (table.wordCount(row) >= kRunwayWords);
  return runways;
}

void readAirport(const WordTable& table, size_t header, Airport& airport) {
  std::string_view words[kHeaderWords];
  core::rowWords(table, header, words, kHeaderWords);
  airport.icao.assign(words[1]);
  airport.name.assign(words[2]);
  airport.city = airport.name;
  airport.iata = kNotCarried;
  airport.state = kNotCarried;
  airport.lastUpdate = kNotCarried;
  airport.elevation = realAt(table, header + 1, 0);

  size_t row = header + 2;
  const size_t runways = runwaysFrom(table, row);
  airport.runways.resize(runways);
  for (Runway& runway : airport.runways) {
    row = readRunway(table, row, airport.elevation, runway);
  }
}

}  // namespace

void readAnfAirports(const std::vector<WordTable>& tables,
                     std::vector<Airport>& airports) {
  // Every line is a possible header, also those an airport just used.
  core::Found<Airport, core::NoFinding> found{std::move(airports), {}};
  for (const WordTable& table : tables) {
    core::readBlocks(
        table, [&table](size_t row) { return isHeader(table, row); },
        [&table](size_t row, Airport& airport, std::vector<core::NoFinding>&) {
          readAirport(table, row, airport);
          return true;
        },
        found, core::Placing::kInPlace);
  }
  airports = std::move(found.records);
}

}  // namespace trevik
