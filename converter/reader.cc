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

#include "converter/writer.h"
#include "core/number_findings.h"
#include "core/numbers.h"

namespace converter {
namespace {

using core::Airport;
using core::Obstacle;
using core::Runway;
using core::WordTable;
using core::Written;

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
  bool read(size_t row, Airport& airport, core::Findings& findings,
            size_t& end);

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
  // Number rows: a value that is not a number reads as 0 and is noted, as
  // is text after a number and a value its field cannot be written as.
  void readDecimal(size_t row, const Key& key, double& field,
                   Written written);
  void readInteger(size_t row, const Key& key, double& field);
  void notANumber(size_t row, const Key& key, std::string_view value);
  void noteNumber(size_t row, const core::NumberWord& number);
  // Notes the values of the obstacle lines of runway, whose obstacle
  // blocks start at row, that come out beyond what the line can hold.
  void checkOffsets(size_t row, const Runway& runway);
  void readComment(size_t row, const Key& key, TextField& field);
  void readIdent(size_t row, TextField& field);
  void readAirportValues(size_t row, Airport& airport);
  void readRunwayValues(size_t row, Runway& runway);
  Obstacle readObstacle(size_t row);
  // Reads the obstacle blocks from row on; returns how many there are.
  size_t readObstacles(size_t row, Runway& runway);
  // Reads the runway blocks from row on; the marker that fails, if any,
  // else end is the row after the three "End" rows.
  std::optional<Miss> readRunways(size_t row, Airport& airport, size_t& end);
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

void AirportReader::noteNumber(size_t row, const core::NumberWord& number) {
  core::Findings found;
  core::noteNumberWord(number, row, {kTextAfter, kOutOfRange}, found);
  for (core::Finding& finding : found.shown()) {
    pending_.push_back(std::move(finding));
  }
}

void AirportReader::readDecimal(size_t row, const Key& key, double& field,
                                Written written) {
  auto value = valueOf(row, key, field);
  if (!value) return;
  // Words come from the loaded input, so atofWord may read past them.
  bool whole = true;
  field = core::atofWord(*value, whole);
  const core::NumberWord number{key.what, *value, field, whole, written};
  if (whole && core::fitsField(number)) return;
  if (field == 0 && !core::beginsWithNumber(*value)) {
    notANumber(row, key, *value);
  } else {
    noteNumber(row, number);
  }
}

// Whole numbers in the file; a fraction is dropped.
void AirportReader::readInteger(size_t row, const Key& key, double& field) {
  auto value = valueOf(row, key, field);
  if (!value) return;
  const int32_t number = core::atoi(*value);
  field = number;
  if (number == 0 && !core::beginsWithInteger(*value)) {
    notANumber(row, key, *value);
  } else if (number == INT32_MAX || number == INT32_MIN ||
             !core::isDecimalNumber(*value)) {
    noteNumber(row, {key.what, *value, field, true, Written::kWhole});
  }
}

void AirportReader::checkOffsets(size_t row, const Runway& runway) {
  for (const Obstacle& obstacle : runway.obstacles) {
    const ObstacleOffsets offsets = offsetsOf(runway, obstacle);
    const std::pair<double, size_t> values[] = {
        {offsets.height, row + kObstacleElevation},
        {offsets.beyond, row + kDistance}};
    constexpr std::string_view kNames[] = {
        "the obstacle's height above the end of the take-off run",
        "the obstacle's distance beyond the end of the take-off run"};
    for (size_t k = 0; k < 2; ++k) {
      const double value = values[k].first;
      if (core::fitsRounded(value)) continue;
      pending_.push_back(
          {values[k].second, kOutOfRange,
           std::string(kNames[k]) +
               (value != value ? " comes out as NaN, written as 0"
                               : " is out of range, written as " +
                                     core::writtenText(value,
                                                       Written::kRounded))});
    }
    row += kObstacleRows;
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
  // Both are written only through what the obstacle line derives from them
  // (checkOffsets).
  readDecimal(row + kDistance, {"Distance", "the obstacle distance"},
              obstacle.distance, Written::kIndirectly);
  readDecimal(row + kObstacleElevation, {"Elevation", "the obstacle elevation"},
              obstacle.elevation, Written::kIndirectly);
  // Optional: neither its absence nor a value that is no number at all is
  // noted (an empty one is common), but a number not read as it stands is.
  std::string_view words[2];
  if (core::rowWords(table_, row + kLateral, words, 2) != 0 &&
      words[0] == "LateralDistance") {
    bool whole = true;
    obstacle.lateralDistance = core::atofWord(words[1], whole);
    if ((!whole && core::beginsWithNumber(words[1])) ||
        !core::fitsRounded(obstacle.lateralDistance)) {
      noteNumber(row + kLateral, {"the lateral distance", words[1],
                                  obstacle.lateralDistance, whole});
    }
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
              airport.elevation, Written::kRounded);
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
  readDecimal(row + kAsda, {"ASDA", "the ASDA"}, runway.asda,
              Written::kRounded);
  readDecimal(row + kToda, {"TODA", "the TODA"}, runway.toda,
              Written::kRounded);
  readDecimal(row + kTora, {"TORA", "the TORA"}, runway.tora,
              Written::kRounded);
  readDecimal(row + kLda, {"LDA", "the LDA"}, runway.lda, Written::kRounded);
  readDecimal(row + kSlope, {"Slope", "the slope"}, runway.slope,
              Written::kDecimal);
  readDecimal(row + kThreshold,
              {"ThresholdElevation", "the threshold elevation"},
              runway.thresholdElevation, Written::kIndirectly);
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

std::optional<Miss> AirportReader::readRunways(size_t row, Airport& airport,
                                              size_t& end) {
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
    checkOffsets(row + kFirstObstacle, runway);
    end = row + kFirstObstacle + count * kObstacleRows;
    if (!isKey(table_, end, "End")) {
      std::string_view why;
      if (isKey(table_, end, "Obstacle")) {
        why = count == kMaxObstacles ? "(the runway's 51st obstacle block)"
                                     : "(no \"End\" 7 lines below it)";
      }
      return Miss{end, kEndMarker, why};
    }
    if (!isKey(table_, end + 1, "End")) return Miss{end + 1, kEndMarker, {}};
    if (isKey(table_, end + 2, "End")) {
      end += 3;
      return std::nullopt;
    }
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
                         core::Findings& findings, size_t& end) {
  pending_.clear();
  readAirportValues(row, airport);
  if (const std::optional<Miss> miss =
          readRunways(row + kFirstRunway, airport, end)) {
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
    case kTextAfter:
      return "numbers with text after them";
    case kOutOfRange:
      return "numbers out of range";
    default:
      return "findings";
  }
}

bool isAirportRow(const WordTable& table, size_t row) {
  return isKey(table, row, "Airport");
}

bool readAirbusAirport(const WordTable& table, size_t row, Airport& airport,
                       core::Findings& findings, size_t& end) {
  return AirportReader(table).read(row, airport, findings, end);
}

std::vector<Airport> readAirbusAirports(const WordTable& table,
                                        core::Findings& findings) {
  // Every "Airport" row starts a block of its own, whatever came before.
  std::vector<Airport> airports;
  for (size_t row = 0; row < table.rows(); ++row) {
    if (!isAirportRow(table, row)) continue;
    size_t end = 0;
    if (!readAirbusAirport(table, row, airports.emplace_back(), findings,
                           end)) {
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
