// Reads the airports of ANF airport files by line and word position.
#include "trevik/reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/findings/number_findings.h"
#include "core/findings/quoting.h"
#include "core/numbers/numbers.h"

namespace trevik {
namespace {

using core::Airport;
using core::Findings;
using core::Obstacle;
using core::Runway;
using core::wordAt;
using core::WordTable;

constexpr size_t kHeaderWords = 3;
constexpr size_t kRunwayWords = 7;
constexpr size_t kObstacleWords = 2;
constexpr size_t kLateralWords = 3;
// ANF carries no width, remarks or dates.
constexpr double kRunwayWidth = 45;
constexpr std::string_view kNotCarried = " ";

bool isHeader(const WordTable& table, size_t row) {
  return table.wordCount(row) >= kHeaderWords &&
         core::wordIs(table, row, 0, "ANF") && table.wordCount(row + 1) >= 1 &&
         table.wordCount(row + 2) >= kRunwayWords;
}

std::string lineText(size_t row) { return "line " + std::to_string(row + 1); }

// Why an "ANF" line at row starts no airport.
std::string passedOver(const WordTable& table, size_t row) {
  if (table.wordCount(row) < kHeaderWords) {
    return "\"ANF\" line of 2 words starts no airport (a header holds "
           "\"ANF\", the ICAO code and the name)";
  }
  std::string text =
      "airport " + core::shown(wordAt(table, row, 1)) + " left out: ";
  if (table.wordCount(row + 1) == 0) {
    return text + lineText(row + 1) + " should hold its elevation but is " +
           core::describeRow(table, row + 1);
  }
  text += lineText(row + 2) + " should be a runway line of 7 words but ";
  if (!table.exists(row + 2)) {
    return text + "is " + core::describeRow(table, row + 2);
  }
  return text + "has " + std::to_string(table.wordCount(row + 2));
}

constexpr core::NumberKinds kNumberKinds{kTextAfter, kOutOfRange};

// Notes what a number word does not say as it stands: no number at all (it
// reads as 0), text after its number, or a value its field cannot hold.
// Callers look only when a word is not whole or a value does not fit, so
// files that tools write never pay for the look.
void noteNumber(const core::NumberWord& number, size_t row,
                Findings& findings) {
  if (number.value == 0 && !core::beginsWithNumber(number.word)) {
    findings.note(row, kNumber, [&] {
      return core::Noted{std::string(number.name) + " " +
                             core::quoted(number.word) +
                             " is not a number, read as 0",
                         core::numberFacts(number, "0")};
    });
    return;
  }
  core::noteNumberWord(number, row, kNumberKinds, findings);
}

constexpr std::string_view kRunwayNames[] = {"the TORA", "the TODA", "the ASDA",
                                             "the LDA", "the slope"};
constexpr std::string_view kObstacleNames[] = {
    "the obstacle elevation", "the obstacle distance", "the lateral distance"};

// Ten times the designator's number (09L is 90), or 0 outside 0 to 359.
double headingOf(std::string_view designator) {
  const int64_t heading = int64_t{10} * core::atoi(designator);
  return heading < 0 || heading >= 360 ? 0 : static_cast<double>(heading);
}

// The lines left in the file after row, or count when at least that many
// are: a table that holds a window of the file is asked for no more rows
// than the count needs.
size_t linesAfter(const WordTable& table, size_t row, size_t count) {
  if (count == 0 || table.exists(row + count)) return count;
  return table.rows() > row + 1 ? table.rows() - row - 1 : 0;
}

// The number of obstacle lines of the runway at row that exist: the count
// of its count line, no more than the lines left in the file.
size_t obstaclesOf(const WordTable& table, size_t row) {
  const int32_t count = core::atoi(wordAt(table, row + 1, 0));
  return linesAfter(table, row + 1, static_cast<size_t>(std::max(count, 0)));
}

// Notes the count line of the runway at row when its word is not the
// count it reads as (count, after which left lines follow): missing, not
// a whole number, negative, or more than the lines left.
void noteCount(const WordTable& table, size_t row, std::string_view word,
               size_t count, size_t left, Findings& findings) {
  const size_t line = row + 1;
  const auto digitsOnly = [](std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
      return c >= '0' && c <= '9';
    });
  };
  // The facts of a count finding: the word, unless missing, read as n.
  const auto facts = [&](size_t n) {
    core::FindingFacts facts;
    facts.field = "obstacle count";
    if (!word.empty()) facts.setValue(word);
    facts.readAs = std::to_string(n);
    return facts;
  };
  if (word.empty()) {
    // A count line past the end is noted at the runway line, in the file.
    findings.note(table.exists(line) ? line : row, kCount, [&] {
      return core::Noted{"obstacle count is missing (" +
                             core::describeRow(table, line) + "), read as 0",
                         facts(0)};
    });
  } else if (word[0] == '-' && digitsOnly(word.substr(1))) {
    findings.note(line, kCount, [&] {
      return core::Noted{
          "obstacle count " + core::shown(word) + " is negative, read as 0",
          facts(0)};
    });
  } else if (!digitsOnly(word)) {
    findings.note(line, kCount, [&] {
      return core::Noted{"obstacle count " + core::quoted(word) +
                             " is not a whole number, read as " +
                             std::to_string(count),
                         facts(count)};
    });
  }
  if (count > left) {
    findings.note(line, kCount, [&] {
      return core::Noted{"obstacle count " + std::to_string(count) +
                             " runs past the end of the file (" +
                             std::to_string(left) +
                             (left == 1 ? " line follows)" : " lines follow)"),
                         facts(left)};
    });
  }
}

// obstaclesOf, noting a count that is not what it reads as.
size_t checkedObstaclesOf(const WordTable& table, size_t row,
                          Findings& findings) {
  const std::string_view word = wordAt(table, row + 1, 0);
  const size_t count = static_cast<size_t>(std::max(core::atoi(word), 0));
  const size_t left = linesAfter(table, row + 1, count);
  // Most counts are a digit or two that the file holds.
  const bool plain = !word.empty() && word.size() <= 9 &&
                     std::all_of(word.begin(), word.end(),
                                 [](char c) { return c >= '0' && c <= '9'; });
  if (!plain || count > left) {
    noteCount(table, row, word, count, left, findings);
  }
  return std::min(count, left);
}

Obstacle readObstacle(const WordTable& table, size_t row, Findings& findings) {
  std::string_view words[kLateralWords];
  const size_t n = core::rowWords(table, row, words, kLateralWords);
  if (n < kObstacleWords) {
    findings.note(row, kShortObstacle, [&] {
      return "obstacle line should hold at least 2 words but has " +
             std::to_string(n) + "; the missing ones read as 0";
    });
  }
  // Words come from a WordTable, so atofWord may read past them; a
  // missing word is empty and reads as 0.
  Obstacle obstacle;
  bool whole[kLateralWords] = {true, true, true};
  obstacle.elevation = core::atofWord(words[0], whole[0]);
  obstacle.distance = core::atofWord(words[1], whole[1]);
  if (n >= kLateralWords) {
    obstacle.lateralDistance = core::atofWord(words[2], whole[2]);
  }
  if (!(whole[0] && whole[1] && whole[2]) ||
      !core::fitsRounded(obstacle.elevation) ||
      !core::fitsRounded(obstacle.distance) ||
      !core::fitsRounded(obstacle.lateralDistance)) {
    const double values[] = {obstacle.elevation, obstacle.distance,
                             obstacle.lateralDistance};
    for (size_t k = 0; k < std::min(n, kLateralWords); ++k) {
      noteNumber({kObstacleNames[k], words[k], values[k], whole[k]}, row,
                 findings);
    }
  }
  return obstacle;
}

// Reads the runway at row, its count line and its obstacle lines (only those
// that exist); returns the row after the last obstacle line read.
size_t readRunway(const WordTable& table, size_t row, double elevation,
                  Runway& runway, Findings& findings) {
  std::string_view words[kRunwayWords];
  core::rowWords(table, row, words, kRunwayWords);
  runway.ident.assign(words[0]);
  // Words come from a WordTable, so atofWord may read past them.
  bool whole[5];
  runway.tora = core::atofWord(words[1], whole[0]);
  runway.toda = core::atofWord(words[2], whole[1]);
  runway.asda = core::atofWord(words[3], whole[2]);
  runway.lda = core::atofWord(words[4], whole[3]);
  runway.slope = core::atofWord(words[5], whole[4]);
  if (!(whole[0] && whole[1] && whole[2] && whole[3] && whole[4]) ||
      !core::fitsRounded(runway.tora) || !core::fitsRounded(runway.toda) ||
      !core::fitsRounded(runway.asda) || !core::fitsRounded(runway.lda) ||
      !std::isfinite(runway.slope)) {
    const double values[] = {runway.tora, runway.toda, runway.asda, runway.lda,
                             runway.slope};
    for (size_t k = 0; k < 5; ++k) {
      noteNumber({kRunwayNames[k], words[k + 1], values[k], whole[k],
                  k == 4 ? core::Written::kDecimal : core::Written::kRounded},
                 row, findings);
    }
  }
  runway.strength.assign(words[6]);
  runway.magneticHeading = headingOf(words[0]);
  runway.width = kRunwayWidth;
  runway.thresholdElevation = elevation;
  runway.toComments = kNotCarried;
  runway.ldComments = kNotCarried;
  runway.lastUpdate = kNotCarried;

  const size_t obstacles = checkedObstaclesOf(table, row, findings);
  const size_t first = row + 2;
  runway.obstacles.reserve(obstacles);
  for (size_t i = 0; i < obstacles; ++i) {
    runway.obstacles.push_back(readObstacle(table, first + i, findings));
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

}  // namespace

bool isAnfLine(const WordTable& table, size_t row) {
  return core::wordIs(table, row, 0, "ANF") && table.wordCount(row) >= 2;
}

bool readAnfAirport(const WordTable& table, size_t header, Airport& airport,
                    Findings& findings, size_t& end) {
  const Findings::AirportBeingRead reading(findings, wordAt(table, header, 1));
  if (!isHeader(table, header)) {
    findings.note(
        header,
        table.wordCount(header) < kHeaderWords ? kTwoWordHeader : kLeftOut,
        [&] { return passedOver(table, header); });
    return false;
  }
  std::string_view words[kHeaderWords];
  core::rowWords(table, header, words, kHeaderWords);
  airport.icao.assign(words[1]);
  airport.name.assign(words[2]);
  airport.city = airport.name;
  airport.iata = kNotCarried;
  airport.state = kNotCarried;
  airport.lastUpdate = kNotCarried;
  const std::string_view elevation = wordAt(table, header + 1, 0);
  bool whole = true;
  airport.elevation = core::atofWord(elevation, whole);
  if (!whole || !core::fitsRounded(airport.elevation)) {
    noteNumber({"the elevation", elevation, airport.elevation, whole},
               header + 1, findings);
  }

  size_t row = header + 2;
  const size_t runways = runwaysFrom(table, row);
  airport.runways.resize(runways);
  size_t obstacles = 0;
  for (Runway& runway : airport.runways) {
    row = readRunway(table, row, airport.elevation, runway, findings);
    obstacles += runway.obstacles.size();
  }
  findings.countRead(runways, obstacles);
  end = row;
  return true;
}

}  // namespace trevik
