// Reads the airports of an Airbus airport file by the row positions of its
// keys.
#include "converter/reader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/numbers.h"

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

// A key row: its key, and how a finding names its field.
struct Key {
  std::string_view key;
  std::string_view what;
};

// The marker row where an airport block stops closing, and what it should
// have held.
struct Miss {
  size_t row = 0;
  std::string_view expected;
  std::string_view why;  // for an "Obstacle" row: why its block does not count
};

constexpr std::string_view kRunwayMarker = "\"Runway\"";
constexpr std::string_view kQfuMarker = "\"QFU\"";
constexpr std::string_view kEndMarker = "\"End\"";
constexpr std::string_view kEndOrRunway = "\"End\" or \"Runway\"";

bool isKey(const WordTable& table, size_t row, std::string_view key) {
  return core::wordIs(table, row, 0, key);
}

std::string numberText(double value) {
  char text[core::kMaxNumberText];
  return {text, core::writeDecimal(text, value)};
}

// Reads one airport block at a time. What its key rows show waits beside
// it and reaches the findings only when the airport is written: a block
// that does not close is reported once, by its failing marker.
class AirportReader {
 public:
  explicit AirportReader(const WordTable& table) : table_(table) {}

  // Reads the airport block at row into airport (made empty); false when
  // one of its runway blocks does not close.
  bool read(size_t row, Airport& airport, core::Findings& findings);

 private:
  // The value of row when its key matches; nothing otherwise, after noting
  // that the field reads as value. A key row without a value gives an empty
  // value.
  template <typename Value>
  std::optional<std::string_view> valueOf(size_t row, const Key& key,
                                          const Value& value);
  // Notes a key row that holds another key; shows is what its field
  // reads as.
  void misplaced(size_t row, const Key& key, const std::string& shows);
  void readText(size_t row, const Key& key, TextField& field);
  // Number rows: a value that is not a number reads as 0 and is noted.
  void readDecimal(size_t row, const Key& key, double& field);
  void readInteger(size_t row, const Key& key, double& field);
  void notANumber(size_t row, const Key& key, std::string_view value);
  void readComment(size_t row, const Key& key, TextField& field);
  void readIdent(size_t row, TextField& field);
  void readAirportValues(size_t row, Airport& airport);
  void readRunwayValues(size_t row, Runway& runway);
  Obstacle readObstacle(size_t row);
  // Reads the obstacle blocks from row on; returns how many there are.
  size_t readObstacles(size_t row, Runway& runway);
  // Reads the runway blocks from row on; the marker that fails, if any.
  std::optional<Miss> readRunways(size_t row, Airport& airport);
  std::string leftOut(size_t row, const Miss& miss) const;

  const WordTable& table_;
  std::vector<core::Finding> pending_;  // of the airport being read
};

template <typename Value>
std::optional<std::string_view> AirportReader::valueOf(size_t row,
                                                       const Key& key,
                                                       const Value& value) {
  std::string_view words[2];
  const size_t n = core::rowWords(table_, row, words, 2);
  if (n != 0 && words[0] == key.key) return words[1];
  if constexpr (std::is_same_v<Value, double>) {
    misplaced(row, key, numberText(value));
  } else {
    misplaced(row, key, core::quoted(value));
  }
  return std::nullopt;
}

void AirportReader::misplaced(size_t row, const Key& key,
                              const std::string& shows) {
  pending_.push_back({row, kKey,
                      "key should be \"" + std::string(key.key) + "\" but is " +
                          core::describeRow(table_, row) + "; " +
                          std::string(key.what) + " reads as " + shows});
}

void AirportReader::readText(size_t row, const Key& key, TextField& field) {
  if (auto value = valueOf(row, key, field)) field.assign(*value);
}

void AirportReader::notANumber(size_t row, const Key& key,
                               std::string_view value) {
  pending_.push_back(
      {row, kNumber,
       std::string(key.what) +
           (value.empty() ? " has no value"
                          : " " + core::quoted(value) + " is not a number") +
           ", read as 0"});
}

void AirportReader::readDecimal(size_t row, const Key& key, double& field) {
  auto value = valueOf(row, key, field);
  if (!value) return;
  // Words come from the loaded input, so atofWord may read past them.
  field = core::atofWord(*value);
  // Only a word that reads as 0 can be no number: one compare per value.
  if (field == 0 && !core::beginsWithNumber(*value)) {
    notANumber(row, key, *value);
  }
}

// Whole numbers in the file; a fraction is dropped.
void AirportReader::readInteger(size_t row, const Key& key, double& field) {
  auto value = valueOf(row, key, field);
  if (!value) return;
  field = core::atoi(*value);
  if (field == 0 && !core::beginsWithInteger(*value)) {
    notANumber(row, key, *value);
  }
}

// One blank, then one blank before each word after the key.
void AirportReader::readComment(size_t row, const Key& key, TextField& field) {
  if (!isKey(table_, row, key.key)) {
    valueOf(row, key, field);
    return;
  }
  // All words in one walk of the row: a comment may hold millions of them.
  std::vector<std::string_view> words(table_.wordCount(row));
  core::rowWords(table_, row, words.data(), words.size());
  std::string comment(1, ' ');
  for (size_t col = 1; col < words.size(); ++col) {
    comment += ' ';
    comment += words[col];
  }
  field.assign(comment);
}

// "/" becomes "-" and the designator is cut to nine bytes.
void AirportReader::readIdent(size_t row, TextField& field) {
  auto value = valueOf(row, {"Ident", "the runway designator"}, field);
  if (!value) return;
  std::string ident(value->substr(0, kIdentLength));  // short: no heap block
  std::replace(ident.begin(), ident.end(), '/', '-');
  field.assign(ident);
}

Obstacle AirportReader::readObstacle(size_t row) {
  Obstacle obstacle;
  readDecimal(row + kDistance, {"Distance", "the obstacle distance"},
              obstacle.distance);
  readDecimal(row + kObstacleElevation, {"Elevation", "the obstacle elevation"},
              obstacle.elevation);
  // Optional: neither its absence nor its value is noted.
  std::string_view words[2];
  if (core::rowWords(table_, row + kLateral, words, 2) != 0 &&
      words[0] == "LateralDistance") {
    obstacle.lateralDistance = core::atofWord(words[1]);
  }
  return obstacle;
}

void AirportReader::readAirportValues(size_t row, Airport& airport) {
  readText(row + kName, {"Name", "the name"}, airport.name);
  readText(row + kState, {"State", "the state"}, airport.state);
  readText(row + kCity, {"City", "the city"}, airport.city);
  readText(row + kIcao, {"ICAO", "the ICAO code"}, airport.icao);
  readText(row + kIata, {"IATA", "the IATA code"}, airport.iata);
  readDecimal(row + kAirportElevation, {"Elevation", "the elevation"},
              airport.elevation);
  readText(row + kAirportDate, {"LastUpdate", "the date"}, airport.lastUpdate);
}

void AirportReader::readRunwayValues(size_t row, Runway& runway) {
  readInteger(row + kHeading, {"MagneticHeading", "the magnetic heading"},
              runway.magneticHeading);
  readText(row + kStrength, {"Strength", "the strength"}, runway.strength);
  readInteger(row + kWidth, {"Width", "the width"}, runway.width);
  readText(row + kRunwayDate, {"LastUpdate", "the runway's date"},
           runway.lastUpdate);
  readIdent(row + kIdent, runway.ident);
  readDecimal(row + kAsda, {"ASDA", "the ASDA"}, runway.asda);
  readDecimal(row + kToda, {"TODA", "the TODA"}, runway.toda);
  readDecimal(row + kTora, {"TORA", "the TORA"}, runway.tora);
  readDecimal(row + kLda, {"LDA", "the LDA"}, runway.lda);
  readDecimal(row + kSlope, {"Slope", "the slope"}, runway.slope);
  readDecimal(row + kThreshold,
              {"ThresholdElevation", "the threshold elevation"},
              runway.thresholdElevation);
  readComment(row + kToComments, {"TOComments", "the take-off comment"},
              runway.toComments);
  readComment(row + kLdComments, {"LDComments", "the landing comment"},
              runway.ldComments);
}

size_t AirportReader::readObstacles(size_t row, Runway& runway) {
  // Count the blocks first, so that the obstacles take exactly their room.
  size_t count = 0;
  while (count < kMaxObstacles &&
         isKey(table_, row + count * kObstacleRows, "Obstacle") &&
         isKey(table_, row + count * kObstacleRows + kObstacleEnd, "End")) {
    ++count;
  }
  runway.obstacles.reserve(count);
  for (size_t k = 0; k < count; ++k) {
    runway.obstacles.push_back(readObstacle(row + k * kObstacleRows));
  }
  return count;
}

std::optional<Miss> AirportReader::readRunways(size_t row, Airport& airport) {
  // The first runway must start where the airport's rows end; a later one
  // where the previous one's two "End" rows end, unless a third closes the
  // airport.
  std::string_view expected = kRunwayMarker;
  for (;;) {
    // Read in place: an airport that does not complete is dropped whole.
    Runway& runway = airport.runways.emplace_back();
    if (!isKey(table_, row, "Runway")) return Miss{row, expected, {}};
    if (!isKey(table_, row + kQfu, "QFU")) {
      return Miss{row + kQfu, kQfuMarker, {}};
    }
    readRunwayValues(row, runway);
    const size_t count = readObstacles(row + kFirstObstacle, runway);
    const size_t end = row + kFirstObstacle + count * kObstacleRows;
    if (!isKey(table_, end, "End")) {
      std::string_view why;
      if (isKey(table_, end, "Obstacle")) {
        why = count == kMaxObstacles ? "(the runway's 51st obstacle block)"
                                     : "(no \"End\" 7 lines below it)";
      }
      return Miss{end, kEndMarker, why};
    }
    if (!isKey(table_, end + 1, "End")) return Miss{end + 1, kEndMarker, {}};
    if (isKey(table_, end + 2, "End")) return std::nullopt;
    row = end + 2;
    expected = kEndOrRunway;
  }
}

std::string AirportReader::leftOut(size_t row, const Miss& miss) const {
  std::string_view words[2];
  const bool hasIcao =
      core::rowWords(table_, row + kIcao, words, 2) == 2 && words[0] == "ICAO";
  std::string text = "airport ";
  if (hasIcao) text += core::shown(words[1]) + ' ';
  text += "left out: line " + std::to_string(miss.row + 1) + " should be " +
          std::string(miss.expected) + " but is " +
          core::describeRow(table_, miss.row);
  if (!miss.why.empty()) text += ' ' + std::string(miss.why);
  return text;
}

bool AirportReader::read(size_t row, Airport& airport,
                         core::Findings& findings) {
  pending_.clear();
  readAirportValues(row, airport);
  if (const std::optional<Miss> miss =
          readRunways(row + kFirstRunway, airport)) {
    findings.note(row, kLeftOut, [&] { return leftOut(row, *miss); });
    return false;
  }
  for (core::Finding& finding : pending_) {
    findings.add(finding.row, finding.kind, std::move(finding.message));
  }
  size_t obstacles = 0;
  for (const Runway& runway : airport.runways) {
    obstacles += runway.obstacles.size();
  }
  findings.countRead(airport.runways.size(), obstacles);
  return true;
}

}  // namespace

std::string_view kindName(unsigned kind) {
  switch (kind) {
    case kLeftOut:
      return "airports left out";
    case kKey:
      return "keys out of place";
    case kNumber:
      return "numbers read as 0";
    default:
      return "findings";
  }
}

bool isAirportRow(const WordTable& table, size_t row) {
  return isKey(table, row, "Airport");
}

bool readAirbusAirport(const WordTable& table, size_t row, Airport& airport,
                       core::Findings& findings) {
  return AirportReader(table).read(row, airport, findings);
}

std::vector<Airport> readAirbusAirports(const WordTable& table,
                                        core::Findings& findings) {
  // Every "Airport" row starts a block of its own, whatever came before.
  std::vector<Airport> airports;
  for (size_t row = 0; row < table.rows(); ++row) {
    if (!isAirportRow(table, row)) continue;
    if (!readAirbusAirport(table, row, airports.emplace_back(), findings)) {
      airports.pop_back();
    }
  }
  return airports;
}

std::vector<Airport> readAirbusAirports(const WordTable& table) {
  core::Findings findings;
  return readAirbusAirports(table, findings);
}

}  // namespace converter
