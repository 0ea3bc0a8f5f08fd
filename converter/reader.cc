// Reads the airports of an Airbus airport file by the row positions of its
// keys.
#include "converter/reader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "converter/key_rows.h"
#include "core/findings/quoting.h"

namespace converter {
namespace {

using core::Airport;
using core::Obstacle;
using core::Runway;
using core::WordTable;
using enum core::Written;
// The key lines, and how their values are read.
using namespace detail;

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

// Reads one airport block at a time, its values through KeyRows.
class AirportReader {
 public:
  explicit AirportReader(const WordTable& table)
      : table_(table), keys_(table) {}

  // Reads the airport block at row into airport (made empty); false when
  // one of its runway blocks does not close.
  bool read(size_t row, Airport& airport, core::Findings& findings,
            size_t& end);

 private:
  void readAirportValues(size_t row, Airport& airport);
  void readRunwayValues(size_t row, Runway& runway);
  Obstacle readObstacle(size_t row);
  // Reads the obstacle blocks from row on; returns how many there are.
  size_t readObstacles(size_t row, Runway& runway);
  // Reads the runway blocks from row on; the marker that fails, if any,
  // else end is the row after the three "End" rows.
  std::optional<Miss> readRunways(size_t row, Airport& airport, size_t& end);
  // The ICAO code of the airport block at row, when its line holds its key
  // and a code.
  std::optional<std::string_view> icaoOf(size_t row) const;
  std::string leftOut(std::optional<std::string_view> icao,
                      const Miss& miss) const;

  const WordTable& table_;
  KeyRows keys_;
};

Obstacle AirportReader::readObstacle(size_t row) {
  Obstacle obstacle;
  // Both are written only through what the obstacle line derives from them
  // (checkOffsets).
  keys_.readDecimal(row, keyLine(kObstacle, "Distance"), obstacle.distance,
                    kIndirectly);
  keys_.readDecimal(row, keyLine(kObstacle, "Elevation"), obstacle.elevation,
                    kIndirectly);
  keys_.readLateral(row, keyLine(kObstacle, "LateralDistance"),
                    obstacle.lateralDistance);
  return obstacle;
}

void AirportReader::readAirportValues(size_t row, Airport& airport) {
  keys_.readText(row, keyLine(kAirport, "Name"), airport.name);
  keys_.readText(row, keyLine(kAirport, "State"), airport.state);
  keys_.readText(row, keyLine(kAirport, "City"), airport.city);
  keys_.readText(row, keyLine(kAirport, "ICAO"), airport.icao);
  keys_.readText(row, keyLine(kAirport, "IATA"), airport.iata);
  keys_.readDecimal(row, keyLine(kAirport, "Elevation"), airport.elevation,
                    kRounded);
  keys_.readText(row, keyLine(kAirport, "LastUpdate"), airport.lastUpdate);
}

void AirportReader::readRunwayValues(size_t row, Runway& runway) {
  keys_.readInteger(row, keyLine(kRunway, "MagneticHeading"),
                    runway.magneticHeading);
  keys_.readText(row, keyLine(kRunway, "Strength"), runway.strength);
  keys_.readInteger(row, keyLine(kRunway, "Width"), runway.width);
  keys_.readText(row, keyLine(kRunway, "LastUpdate"), runway.lastUpdate);
  keys_.readIdent(row, keyLine(kRunway, "Ident"), runway.ident);
  keys_.readDecimal(row, keyLine(kRunway, "ASDA"), runway.asda, kRounded);
  keys_.readDecimal(row, keyLine(kRunway, "TODA"), runway.toda, kRounded);
  keys_.readDecimal(row, keyLine(kRunway, "TORA"), runway.tora, kRounded);
  keys_.readDecimal(row, keyLine(kRunway, "LDA"), runway.lda, kRounded);
  keys_.readDecimal(row, keyLine(kRunway, "Slope"), runway.slope, kDecimal);
  keys_.readDecimal(row, keyLine(kRunway, "ThresholdElevation"),
                    runway.thresholdElevation, kIndirectly);
  keys_.readComment(row, keyLine(kRunway, "TOComments"), runway.toComments);
  keys_.readComment(row, keyLine(kRunway, "LDComments"), runway.ldComments);
}

size_t AirportReader::readObstacles(size_t row, Runway& runway) {
  // Count the blocks first, so that the obstacles take exactly their room.
  constexpr const KeyLine& kOpens = keyLine(kObstacle, "Obstacle");
  constexpr const KeyLine& kCloses = keyLine(kObstacle, "End");
  size_t count = 0;
  while (count < kMaxObstacles &&
         isKey(table_, row + count * kObstacleLines, kOpens) &&
         isKey(table_, row + count * kObstacleLines, kCloses)) {
    ++count;
  }
  runway.obstacles.reserve(count);
  for (size_t k = 0; k < count; ++k) {
    runway.obstacles.push_back(readObstacle(row + k * kObstacleLines));
  }
  return count;
}

std::optional<Miss> AirportReader::readRunways(size_t row, Airport& airport,
                                               size_t& end) {
  // The first runway must start where the airport's rows end; a later one
  // where the previous one's two "End" rows end, unless a third closes the
  // airport.
  constexpr const KeyLine& kOpens = keyLine(kRunway, "Runway");
  constexpr const KeyLine& kQfu = keyLine(kRunway, "QFU");
  std::string_view expected = kRunwayMarker;
  for (;;) {
    // Read in place: an airport that does not complete is dropped whole.
    Runway& runway = airport.runways.emplace_back();
    if (!isKey(table_, row, kOpens)) return Miss{row, expected, {}};
    if (!isKey(table_, row, kQfu)) return Miss{row + kQfu.line, kQfuMarker, {}};
    readRunwayValues(row, runway);
    const size_t first = row + keyLine(kRunway, "Obstacle").line;
    const size_t count = readObstacles(first, runway);
    keys_.checkOffsets(first, runway);
    end = first + count * kObstacleLines;
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

std::optional<std::string_view> AirportReader::icaoOf(size_t row) const {
  constexpr const KeyLine& kIcao = keyLine(kAirport, "ICAO");
  std::string_view words[2];
  if (core::rowWords(table_, row + kIcao.line, words, 2) == 2 &&
      words[0] == kIcao.key) {
    return words[1];
  }
  return std::nullopt;
}

std::string AirportReader::leftOut(std::optional<std::string_view> icao,
                                   const Miss& miss) const {
  std::string text = "airport ";
  if (icao) text += core::shown(*icao) + ' ';
  text += "left out: line " + std::to_string(miss.row + 1) + " should be " +
          std::string(miss.expected) + " but is " +
          core::describeRow(table_, miss.row);
  if (!miss.why.empty()) text += ' ' + std::string(miss.why);
  return text;
}

bool AirportReader::read(size_t row, Airport& airport, core::Findings& findings,
                         size_t& end) {
  // The key rows' findings are built only where findings would show them.
  core::Findings& pending = keys_.pending();
  pending = core::Findings();
  pending.boundBy(&findings);
  const std::optional<std::string_view> icao = icaoOf(row);
  const core::Findings::AirportBeingRead reading(findings, icao);
  const core::Findings::AirportBeingRead readingKeys(pending, icao);
  readAirportValues(row, airport);
  if (const std::optional<Miss> miss =
          readRunways(row + keyLine(kAirport, "Runway").line, airport, end)) {
    findings.note(row, kLeftOut, [&] { return leftOut(icao, *miss); });
    return false;
  }
  findings.append(std::move(pending));
  size_t obstacles = 0;
  for (const Runway& runway : airport.runways) {
    obstacles += runway.obstacles.size();
  }
  findings.countRead(airport.runways.size(), obstacles);
  return true;
}

}  // namespace

bool isAirportRow(const WordTable& table, size_t row) {
  return isKey(table, row, keyLine(kAirport, "Airport"));
}

bool readAirbusAirport(const WordTable& table, size_t row, Airport& airport,
                       core::Findings& findings, size_t& end) {
  return AirportReader(table).read(row, airport, findings, end);
}

}  // namespace converter
