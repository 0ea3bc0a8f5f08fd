// The key rows of an Airbus airport file: where each sits in its block,
// and how its value is read, with what a reader notes of it.
#ifndef CONVERTER_KEY_ROWS_H_
#define CONVERTER_KEY_ROWS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/findings/findings.h"
#include "core/findings/number_findings.h"
#include "core/records.h"
#include "core/reading/word_table.h"

namespace converter::detail {

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
using TextField = decltype(core::Airport::icao);

// A key row: its key, and how a finding names its field.
struct Key {
  std::string_view key;
  std::string_view what;
};

// True when the first word of row is key. Inline: every row is asked.
inline bool isKey(const core::WordTable& table, size_t row,
                  std::string_view key) {
  return core::wordIs(table, row, 0, key);
}

// Reads the values of the key rows of one airport block. What they show
// waits in pending() and reaches the findings only when the airport is
// written: a block that does not close is reported once, by its marker.
class KeyRows {
 public:
  explicit KeyRows(const core::WordTable& table) : table_(table) {}

  std::vector<core::Finding>& pending() { return pending_; }

  void readText(size_t row, const Key& key, TextField& field);
  // Number rows: a value that is not a number reads as 0 and is noted, as
  // is text after a number and a value its field cannot be written as.
  void readDecimal(size_t row, const Key& key, double& field,
                   core::Written written);
  // Whole numbers in the file; a fraction is dropped.
  void readInteger(size_t row, const Key& key, double& field);
  // One blank, then one blank before each word after the key.
  void readComment(size_t row, const Key& key, TextField& field);
  // "/" becomes "-" and the designator is cut to nine bytes.
  void readIdent(size_t row, TextField& field);
  // The optional "LateralDistance" row; field is left alone without it.
  void readLateral(size_t row, double& field);
  // Notes the values of the obstacle lines of runway, whose obstacle
  // blocks start at row, that come out beyond what the line can hold.
  void checkOffsets(size_t row, const core::Runway& runway);

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
  void notANumber(size_t row, const Key& key, std::string_view value);
  void noteNumber(size_t row, const core::NumberWord& number);

  const core::WordTable& table_;
  std::vector<core::Finding> pending_;  // of the airport being read
};

}  // namespace converter::detail

#endif  // CONVERTER_KEY_ROWS_H_
