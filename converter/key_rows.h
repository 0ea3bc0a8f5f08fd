// The key lines of an Airbus airport file, as one table of where each sits
// in its block, and how their values are read, with what a reader notes.
#ifndef CONVERTER_KEY_ROWS_H_
#define CONVERTER_KEY_ROWS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/findings/findings.h"
#include "core/findings/number_findings.h"
#include "core/reading/word_table.h"
#include "core/records.h"

namespace converter::detail {

// The blocks of an airport file. Each opens with its own key, at its line 0.
enum Block : unsigned char { kAirport, kRunway, kObstacle };

// A key line: its block, its distance from the line that opens the block,
// its key, and how a finding names the field that it is read into (nothing
// for a marker, which is only tested).
struct KeyLine {
  Block block;
  size_t line;
  std::string_view key, what;
};

// Every key line, block by block as docs/formats.md lists them (a test
// holds the two to agree). The lines between are counted, never examined.
// clang-format off
inline constexpr KeyLine kKeyLines[] = {
    // The airport block
    {kAirport,   0, "Airport",            {}},
    {kAirport,   1, "Name",               "the name"},
    {kAirport,   2, "State",              "the state"},
    {kAirport,   3, "City",               "the city"},
    {kAirport,   4, "ICAO",               "the ICAO code"},
    {kAirport,   5, "IATA",               "the IATA code"},
    {kAirport,   8, "Elevation",          "the elevation"},
    {kAirport,  11, "LastUpdate",         "the date"},
    {kAirport,  12, "Runway",             {}},  // opens the first runway
    // The runway block
    {kRunway,    0, "Runway",             {}},
    {kRunway,    1, "MagneticHeading",    "the magnetic heading"},
    {kRunway,    3, "Strength",           "the strength"},
    {kRunway,    5, "Width",              "the width"},
    {kRunway,    8, "LastUpdate",         "the runway's date"},
    {kRunway,    9, "QFU",                {}},
    {kRunway,   10, "Ident",              "the runway designator"},
    {kRunway,   11, "ASDA",               "the ASDA"},
    {kRunway,   12, "TODA",               "the TODA"},
    {kRunway,   13, "TORA",               "the TORA"},
    {kRunway,   14, "LDA",                "the LDA"},
    {kRunway,   15, "Slope",              "the slope"},
    {kRunway,   18, "ThresholdElevation", "the threshold elevation"},
    {kRunway,   28, "TOComments",         "the take-off comment"},
    {kRunway,   29, "LDComments",         "the landing comment"},
    {kRunway,   31, "Obstacle",           {}},  // the first obstacle block,
    {kRunway,   31, "End",                {}},  // or the closing lines
    // Obstacle blocks
    {kObstacle,  0, "Obstacle",           {}},
    {kObstacle,  1, "Distance",           "the obstacle distance"},
    {kObstacle,  2, "Elevation",          "the obstacle elevation"},
    {kObstacle,  3, "LateralDistance",    "the lateral distance"},
    {kObstacle,  7, "End",                {}},  // closes the block
};
// clang-format on

// Called only by a key lookup that finds nothing; never constant.
inline void noSuchKeyLine() {}

// The key line of block whose key is key. A key that the table does not
// give the block fails the build, and nothing is looked up at run time.
consteval const KeyLine& keyLine(Block block, std::string_view key) {
  for (const KeyLine& line : kKeyLines) {
    if (line.block == block && line.key == key) return line;
  }
  noSuchKeyLine();  // not constant: a call while compiling is an error
  return kKeyLines[0];
}

// The lines of an obstacle block; the next block follows without a gap.
constexpr size_t kObstacleLines = keyLine(kObstacle, "End").line + 1;
constexpr size_t kMaxObstacles = 50;
constexpr size_t kIdentLength = 9;

// The type of the text fields of the records.
using TextField = decltype(core::Airport::icao);

// True when the first word of row is key. Inline: every row is asked.
inline bool isKey(const core::WordTable& table, size_t row,
                  std::string_view key) {
  return core::wordIs(table, row, 0, key);
}
// True when the line of key in the block that opens at row holds its key.
inline bool isKey(const core::WordTable& table, size_t row,
                  const KeyLine& key) {
  return isKey(table, row + key.line, key.key);
}

// Reads the values of the key rows of one airport block. What they show
// waits in pending() and reaches the findings only when the airport is
// written: a block that does not close is reported once, by its marker.
class KeyRows {
 public:
  explicit KeyRows(const core::WordTable& table) : table_(table) {}

  core::Findings& pending() { return pending_; }

  // Each reads the line of key in the block that opens at row.
  void readText(size_t row, const KeyLine& key, TextField& field);
  // Number rows: a value that is not a number reads as 0 and is noted, as
  // is text after a number and a value its field cannot be written as.
  void readDecimal(size_t row, const KeyLine& key, double& field,
                   core::Written written);
  // Whole numbers in the file; a fraction is dropped.
  void readInteger(size_t row, const KeyLine& key, double& field);
  // One blank, then one blank before each word after the key.
  void readComment(size_t row, const KeyLine& key, TextField& field);
  // "/" becomes "-" and the designator is cut to nine bytes.
  void readIdent(size_t row, const KeyLine& key, TextField& field);
  // An optional row; field is left alone without its key.
  void readLateral(size_t row, const KeyLine& key, double& field);
  // Notes the values of the obstacle lines of runway, whose obstacle
  // blocks start at row, that come out beyond what the line can hold.
  void checkOffsets(size_t row, const core::Runway& runway);

 private:
  // The value of row (the key's own line) when its key matches; nothing
  // otherwise, after noting that the field reads as value. A key row without a
  // value gives an empty value.
  template <typename Value>
  std::optional<std::string_view> valueOf(size_t row, const KeyLine& key,
                                          const Value& value);
  // Notes a key row that holds another key; its field reads as readAs,
  // which the message shows as shows.
  void misplaced(size_t row, const KeyLine& key, const std::string& shows,
                 std::string readAs);
  void notANumber(size_t row, const KeyLine& key, std::string_view value);
  void noteNumber(size_t row, const core::NumberWord& number);

  const core::WordTable& table_;
  core::Findings pending_;  // of the airport being read
};

}  // namespace converter::detail

#endif  // CONVERTER_KEY_ROWS_H_
