// Reads the airports of ANF airport files by line and word position.
#include "trevik/reader.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/numbers.h"

namespace trevik {
namespace {

using core::Airport;
using core::Obstacle;
using core::Runway;
using core::WordTable;
using core::wordAt;

constexpr size_t kHeaderWords = 3;
constexpr size_t kRunwayWords = 7;
constexpr size_t kLateralWords = 3;
// ANF carries no width, remarks or dates.
constexpr double kRunwayWidth = 45;
const std::string kNotCarried = " ";

bool isHeader(const WordTable& table, size_t row) {
  return table.wordCount(row) >= kHeaderWords && wordAt(table, row, 0) == "ANF" &&
         table.wordCount(row + 1) >= 1 &&
         table.wordCount(row + 2) >= kRunwayWords;
}

double realAt(const WordTable& table, size_t row, size_t col) {
  return core::atof(wordAt(table, row, col));
}

// Ten times the designator's number (09L is 90), or 0 outside 0 to 359.
double headingOf(std::string_view designator) {
  const int64_t heading = int64_t{10} * core::atoi(designator);
  return heading < 0 || heading >= 360 ? 0 : static_cast<double>(heading);
}

Obstacle readObstacle(const WordTable& table, size_t row) {
  Obstacle obstacle;
  obstacle.elevation = realAt(table, row, 0);
  obstacle.distance = realAt(table, row, 1);
  if (table.wordCount(row) >= kLateralWords) {
    obstacle.lateralDistance = realAt(table, row, 2);
  }
  return obstacle;
}

// Reads the runway at row, its count line and its obstacle lines (only those
// that exist); returns the row after the last obstacle line read.
size_t readRunway(const WordTable& table, size_t row, double elevation,
                  Runway& runway) {
  runway.ident.assign(wordAt(table, row, 0));
  runway.tora = realAt(table, row, 1);
  runway.toda = realAt(table, row, 2);
  runway.asda = realAt(table, row, 3);
  runway.lda = realAt(table, row, 4);
  runway.slope = realAt(table, row, 5);
  runway.strength.assign(wordAt(table, row, 6));
  runway.magneticHeading = headingOf(runway.ident);
  runway.width = kRunwayWidth;
  runway.thresholdElevation = elevation;
  runway.toComments = kNotCarried;
  runway.ldComments = kNotCarried;
  runway.lastUpdate = kNotCarried;

  const int32_t count = core::atoi(wordAt(table, row + 1, 0));
  const size_t first = row + 2;
  const size_t available = table.rows() > first ? table.rows() - first : 0;
  const size_t obstacles =
      std::min(static_cast<size_t>(std::max(count, 0)), available);
  runway.obstacles.reserve(obstacles);
  for (size_t i = 0; i < obstacles; ++i) {
    runway.obstacles.push_back(readObstacle(table, first + i));
  }
  return first + obstacles;
}

Airport readAirport(const WordTable& table, size_t header) {
  Airport airport;
  airport.icao.assign(wordAt(table, header, 1));
  airport.name.assign(wordAt(table, header, 2));
  airport.city = airport.name;
  airport.iata = kNotCarried;
  airport.state = kNotCarried;
  airport.lastUpdate = kNotCarried;
  airport.elevation = realAt(table, header + 1, 0);

  // The first runway line is always read; a later one only while it has
  // all seven words.
  size_t row = header + 2;
  do {
    Runway runway;
    row = readRunway(table, row, airport.elevation, runway);
    airport.runways.push_back(std::move(runway));
  } while (table.wordCount(row) >= kRunwayWords);
  return airport;
}

}  // namespace

void readAnfAirports(const std::vector<WordTable>& tables,
                     std::vector<Airport>& airports) {
  for (const WordTable& table : tables) {
    // Every line is a possible header, also those an airport just used.
    for (size_t row = 0; row < table.rows(); ++row) {
      if (isHeader(table, row)) airports.push_back(readAirport(table, row));
    }
  }
}

}  // namespace trevik
