// Reads the airports of an Airbus airport file by the row positions of its
// keys.
#include "converter/reader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/numbers.h"
#include "core/row_blocks.h"

namespace converter {
namespace {

using core::Airport;
using core::Obstacle;
using core::Runway;
using core::WordTable;

// Rows counted from an "Airport" row.
constexpr size_t kName = 1, kState = 2, kCity = 3, kIcao = 4, kIata = 5,
                 kAirportElevation = 8, kAirportDate = 11, kFirstRunway = 12;
// Rows counted from a "Runway" row.
constexpr size_t kHeading = 1, kStrength = 3, kWidth = 5, kRunwayDate = 8,
                 kQfu = 9, kIdent = 10, kAsda = 11, kToda = 12, kTora = 13,
                 kLda = 14, kSlope = 15, kThreshold = 18, kToComments = 28,
                 kLdComments = 29, kFirstObstacle = 31;
// Rows counted from an "Obstacle" row.
constexpr size_t kDistance = 1, kObstacleElevation = 2, kLateral = 3,
                 kObstacleEnd = 7, kObstacleRows = 8;
constexpr size_t kMaxObstacles = 50;
constexpr size_t kIdentLength = 9;

// The type of the text fields of the records.
using TextField = decltype(Airport::icao);

bool isKey(const WordTable& table, size_t row, std::string_view key) {
  return core::wordIs(table, row, 0, key);
}

// The value of a row when its key matches; nothing otherwise. A key row
// without a value gives an empty value.
std::optional<std::string_view> valueOf(const WordTable& table, size_t row,
                                        std::string_view key) {
  std::string_view words[2];
  const size_t n = core::rowWords(table, row, words, 2);
  if (n == 0 || words[0] != key) return std::nullopt;
  return words[1];
}

void readText(const WordTable& table, size_t row, std::string_view key,
              TextField& field) {
  if (auto value = valueOf(table, row, key)) field.assign(*value);
}

void readDecimal(const WordTable& table, size_t row, std::string_view key,
                 double& field) {
  // Words come from the loaded input, so atofWord may read past them.
  if (auto value = valueOf(table, row, key)) field = core::atofWord(*value);
}

// Whole numbers in the file; a fraction is dropped.
void readInteger(const WordTable& table, size_t row, std::string_view key,
                 double& field) {
  if (auto value = valueOf(table, row, key)) field = core::atoi(*value);
}

// One blank, then one blank before each word after the key.
void readComment(const WordTable& table, size_t row, std::string_view key,
                 TextField& field) {
  if (!isKey(table, row, key)) return;
  // All words in one walk of the row: a comment may hold millions of them.
  std::vector<std::string_view> words(table.wordCount(row));
  core::rowWords(table, row, words.data(), words.size());
  std::string comment(1, ' ');
  for (size_t col = 1; col < words.size(); ++col) {
    comment += ' ';
    comment += words[col];
  }
  field.assign(comment);
}

// "/" becomes "-" and the designator is cut to nine bytes.
void readIdent(const WordTable& table, size_t row, TextField& field) {
  auto value = valueOf(table, row, "Ident");
  if (!value) return;
  std::string ident(value->substr(0, kIdentLength));  // short: no heap block
  std::replace(ident.begin(), ident.end(), '/', '-');
  field.assign(ident);
}

Obstacle readObstacle(const WordTable& table, size_t row) {
  Obstacle obstacle;
  readDecimal(table, row + kDistance, "Distance", obstacle.distance);
  readDecimal(table, row + kObstacleElevation, "Elevation", obstacle.elevation);
  readDecimal(table, row + kLateral, "LateralDistance",
              obstacle.lateralDistance);
  return obstacle;
}

// Reads the runway block at row; on success returns the row after its last
// obstacle block (where its closing "End" rows must stand).
std::optional<size_t> readRunway(const WordTable& table, size_t row,
                                 Runway& runway) {
  if (!isKey(table, row, "Runway") || !isKey(table, row + kQfu, "QFU")) {
    return std::nullopt;
  }
  readInteger(table, row + kHeading, "MagneticHeading", runway.magneticHeading);
  readText(table, row + kStrength, "Strength", runway.strength);
  readInteger(table, row + kWidth, "Width", runway.width);
  readText(table, row + kRunwayDate, "LastUpdate", runway.lastUpdate);
  readIdent(table, row + kIdent, runway.ident);
  readDecimal(table, row + kAsda, "ASDA", runway.asda);
  readDecimal(table, row + kToda, "TODA", runway.toda);
  readDecimal(table, row + kTora, "TORA", runway.tora);
  readDecimal(table, row + kLda, "LDA", runway.lda);
  readDecimal(table, row + kSlope, "Slope", runway.slope);
  readDecimal(table, row + kThreshold, "ThresholdElevation",
              runway.thresholdElevation);
  readComment(table, row + kToComments, "TOComments", runway.toComments);
  readComment(table, row + kLdComments, "LDComments", runway.ldComments);

  // Count the blocks first, so that the obstacles take exactly their room.
  const size_t first = row + kFirstObstacle;
  size_t count = 0;
  while (count < kMaxObstacles &&
         isKey(table, first + count * kObstacleRows, "Obstacle") &&
         isKey(table, first + count * kObstacleRows + kObstacleEnd, "End")) {
    ++count;
  }
  runway.obstacles.reserve(count);
  for (size_t k = 0; k < count; ++k) {
    runway.obstacles.push_back(readObstacle(table, first + k * kObstacleRows));
  }
  return first + count * kObstacleRows;
}

// Reads the airport block at row into airport (made empty); false when one
// of its runway blocks does not close.
bool readAirport(const WordTable& table, size_t row, Airport& airport) {
  readText(table, row + kName, "Name", airport.name);
  readText(table, row + kState, "State", airport.state);
  readText(table, row + kCity, "City", airport.city);
  readText(table, row + kIcao, "ICAO", airport.icao);
  readText(table, row + kIata, "IATA", airport.iata);
  readDecimal(table, row + kAirportElevation, "Elevation", airport.elevation);
  readText(table, row + kAirportDate, "LastUpdate", airport.lastUpdate);

  size_t runwayRow = row + kFirstRunway;
  for (;;) {
    // Read in place: an airport that does not complete is dropped whole.
    Runway& runway = airport.runways.emplace_back();
    const std::optional<size_t> end = readRunway(table, runwayRow, runway);
    // Two "End" rows close a runway, a third closes the airport too.
    if (!end || !isKey(table, *end, "End") || !isKey(table, *end + 1, "End")) {
      return false;
    }
    if (isKey(table, *end + 2, "End")) return true;
    runwayRow = *end + 2;
  }
}

}  // namespace

std::vector<Airport> readAirbusAirports(const WordTable& table) {
  // Every "Airport" row starts a block of its own, whatever came before.
  core::Found<Airport, core::NoFinding> found;
  core::readBlocks(
      table, [&table](size_t row) { return isKey(table, row, "Airport"); },
      [&table](size_t row, Airport& airport, std::vector<core::NoFinding>&) {
        return readAirport(table, row, airport);
      },
      found, core::Placing::kJoinPieces);
  return std::move(found.records);
}

}  // namespace converter
